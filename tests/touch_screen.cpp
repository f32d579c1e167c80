#include "touch_screen.h"

#include <QApplication>
#include <QPointingDevice>
#include <QStyleHints>
#include <QTest>

namespace piecettes::test {

namespace {

// The time between two touches, and the time a tap's finger stays.
constexpr unsigned long Step = 40;

}  // namespace

TouchScreen::TouchScreen(QObject* application)
    : InputClock(application, {QEvent::TouchBegin, QEvent::TouchUpdate, QEvent::TouchEnd}),
      device_(QTest::createTouchDevice()) {
    // Qt's registry of devices does not own it.
    device_->setParent(this);
}

TouchScreen& touchScreen() {
    auto* screen = qApp->findChild<TouchScreen*>(QString(), Qt::FindDirectChildrenOnly);
    return screen ? *screen : *new TouchScreen(qApp);
}

void TouchScreen::tap(QWidget* target) { touch(target, Step); }

void TouchScreen::hold(QWidget* target) {
    touch(target, 3 * static_cast<unsigned long>(QGuiApplication::styleHints()->mousePressAndHoldInterval()) / 2);
}

void TouchScreen::slide(QWidget* target, QPoint by) { touch(target, Step, by); }

void TouchScreen::touch(QWidget* target, unsigned long stay, QPoint by) {
    QWidget* window = target->window();
    const QPoint centre = target->rect().center();
    stamped(advance(Step), [&] { QTest::touchEvent(window, device_).press(0, centre, target); });
    if (!by.isNull()) stamped(advance(Step), [&] { QTest::touchEvent(window, device_).move(0, centre + by, target); });
    stamped(advance(stay), [&] { QTest::touchEvent(window, device_).release(0, centre + by, target); });
}

}  // namespace piecettes::test
