#include "keyboard.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QWindow>

namespace piecettes::test {

namespace {

// What the clock advances by at each press and release: a brisk typist's pace.
constexpr unsigned long Step = 40;

QString keyText(Qt::Key key) {
    const char ascii = QTest::keyToAscii(key);
    return ascii ? QString(QChar::fromLatin1(ascii)) : QString();
}

}  // namespace

Keyboard::Keyboard(QObject* application)
    : InputClock(application, {QEvent::KeyPress, QEvent::KeyRelease, QEvent::ShortcutOverride}) {}

Keyboard& keyboard() {
    auto* keyboard = qApp->findChild<Keyboard*>(QString(), Qt::FindDirectChildrenOnly);
    return keyboard ? *keyboard : *new Keyboard(qApp);
}

template <typename Target>
void Keyboard::send(bool press, Target* target, Qt::Key key, const QString& text, Qt::KeyboardModifiers modifiers) {
    stamped(advance(Step), [&] { QTest::sendKeyEvent(press ? QTest::Press : QTest::Release, target, key, text, modifiers); });
}

template <typename Target>
void Keyboard::clickOn(Target* target, Qt::Key key, const QString& text, Qt::KeyboardModifiers modifiers) {
    // A key may close what it was sent to.
    const QPointer<Target> alive(target);
    send(true, target, key, text, modifiers);
    if (alive) send(false, target, key, text, modifiers);
}

void Keyboard::click(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    clickOn(target, key, keyText(key), modifiers);
}

void Keyboard::click(QWindow* target, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    clickOn(target, key, keyText(key), modifiers);
}

void Keyboard::click(QWindow* target, Qt::Key key, const QString& text, Qt::KeyboardModifiers modifiers) {
    clickOn(target, key, text, modifiers);
}

void Keyboard::press(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    send(true, target, key, keyText(key), modifiers);
}

void Keyboard::release(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    send(false, target, key, keyText(key), modifiers);
}

namespace {

// Each character as a keyboard types it: an ASCII one with its key, any other with its text alone.
template <typename Click>
void eachKey(const QString& text, Click click) {
    for (const QChar c : text) click(c.unicode() < 0x80 ? QTest::asciiToKey(char(c.unicode())) : Qt::Key_unknown, QString(c));
}

}  // namespace

void Keyboard::type(QWidget* target, const QString& text) {
    eachKey(text, [&](Qt::Key key, const QString& keyText) { clickOn(target, key, keyText, {}); });
}

void Keyboard::type(QWindow* target, const QString& text) {
    eachKey(text, [&](Qt::Key key, const QString& keyText) { clickOn(target, key, keyText, {}); });
}

void Keyboard::repeat(Qt::Key key, bool flagged) {
    stamped(advance(Step), [&] {
        QTest::simulateEvent(QApplication::focusWidget(), false, key, {}, keyText(key), flagged);
        QTest::simulateEvent(QApplication::focusWidget(), true, key, {}, keyText(key), flagged);
    });
}

}  // namespace piecettes::test
