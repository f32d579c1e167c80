// The change question's hint follows the kind of pointer the child used last: a touch
// anywhere gives the finger's way, a real mouse's press the mouse's way again, and the
// mouse presses that Qt makes from a touch change nothing.
#include <QApplication>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QTest>
#include <QWidget>

#include <vector>

#include "pointer_watch.h"
#include "touch_screen.h"
#include "window_fixture.h"

using piecettes::Pointer;

class PointerWatchTest : public QObject {
    Q_OBJECT
private slots:
    void followsThePointerUsedLast() {
        std::vector<Pointer> changes;
        piecettes::PointerWatch watch([&](Pointer pointer) { changes.push_back(pointer); });
        QWidget area;
        area.setAttribute(Qt::WA_AcceptTouchEvents);
        area.resize(200, 200);
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        // Qt keeps the devices it knows for the whole run.
        static QPointingDevice* screen = QTest::createTouchDevice();

        QTest::mouseClick(&area, Qt::LeftButton, {}, {50, 50});
        QCOMPARE(watch.pointer(), Pointer::Mouse);
        QVERIFY(changes.empty());

        QTest::touchEvent(&area, screen).press(0, {50, 50});
        QTest::touchEvent(&area, screen).release(0, {50, 50});
        QCOMPARE(watch.pointer(), Pointer::Finger);
        // What Qt makes of a touch for controls that take no touch is still the finger.
        QMouseEvent fromTouch(QEvent::MouseButtonPress, QPointF(50, 50), QPointF(50, 50), Qt::LeftButton,
                              Qt::LeftButton, {}, screen);
        QApplication::sendEvent(&area, &fromTouch);
        QCOMPARE(watch.pointer(), Pointer::Finger);

        QTest::mouseClick(&area, Qt::RightButton, {}, {60, 60});
        QCOMPARE(watch.pointer(), Pointer::Mouse);
        QCOMPARE(changes, (std::vector<Pointer>{Pointer::Finger, Pointer::Mouse}));
    }

    // The change question's hint line in the window, as the pointer changes.
    void hintLineGivesTheWayOfThePointerUsedLast() {
        using namespace piecettes;
        test::WindowUnderTest w(test::exercises({test::exercise("55555555", 1, 30)}));
        QVERIFY(w.open());
        QTest::mousePress(w.picture(cellOf(7, 0)), Qt::LeftButton);
        QTest::mouseClick(w.ok(), Qt::LeftButton);
        QCOMPARE(w.state().phase, Phase::Change);
        QCOMPARE(w.caption("Label13"), QStringLiteral("Clic droit pour reprendre une pièce"));
        test::touchScreen().tap(w.picture(5));
        QCOMPARE(w.caption("Label13"), QStringLiteral("Laisse ton doigt sur une pièce pour la reprendre"));
        QTest::mousePress(w.picture(3), Qt::LeftButton);
        QCOMPARE(w.caption("Label13"), QStringLiteral("Clic droit pour reprendre une pièce"));
        QCOMPARE(w.answerBox()->text(), QStringLiteral("0,60"));
    }
};

QTEST_MAIN(PointerWatchTest)
#include "pointer_watch_test.moc"
