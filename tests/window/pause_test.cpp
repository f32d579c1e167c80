// The real success pause, and leaving the program while it runs. These tests run the
// application's own event loop and the window's own timer, as the program does.
#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

#include "locale_check.h"
#include "window_fixture.h"

using namespace piecettes;
using namespace std::chrono_literals;

namespace {

constexpr std::size_t NumbersPerExercise = CoinTypeCount + 2;

std::chrono::microseconds cpuTime() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// Ends a loop at the first change of colour of the control it watches.
class ColourWatch : public QObject {
public:
    explicit ColourWatch(QEventLoop& loop) : loop_(loop) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::PaletteChange) loop_.quit();
        return false;
    }

private:
    QEventLoop& loop_;
};

// A window whose first exercise is won by pressing OK (nothing to pay), with the
// next exercise scripted. Its own timer measures the pause.
struct Window : test::WindowUnderTest {
    Window()
        : WindowUnderTest(test::exercises({test::exercise("55555555", 0, 0), test::exercise("55555555", 1, 0)}),
                          WindowOptions{}) {
        form().showCentred();
    }
    // Wins the first exercise: the click returns at once, with the pause started.
    bool win() const {
        if (!QTest::qWaitForWindowActive(&form())) return false;
        QTest::mouseClick(ok(), Qt::LeftButton);
        return exercise().pausing() && form().waitingForTime();
    }
    // Runs the program's event loop until it quits; false if it had to be stopped.
    static bool runUntilQuit() {
        QTimer::singleShot(10s, [] { QCoreApplication::exit(1); });
        return QApplication::exec() == 0;
    }
};

}  // namespace

class PauseTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { piecettes::test::verifyAskedLocale(); }

    void waitsThreeSecondsWithoutWorking();
    void quitterEndsTheProgramDuringThePause();
    void closingTheWindowEndsThePause();
};

void PauseTest::waitsThreeSecondsWithoutWorking() {
    Window w;
    // Timed from the click that wins, once the window is up: showing it is no part of the
    // pause, and under valgrind it alone can take most of a second.
    QVERIFY(QTest::qWaitForWindowActive(&w.form()));
    QElapsedTimer clock;
    const auto cpuBefore = cpuTime();
    clock.start();
    QVERIFY(w.win());
    QCOMPARE(w.state().exerciseCount, 1);
    // Waits without waking, until the window's own timer ends the pause: the answer box
    // then turns white again.
    QEventLoop loop;
    QTimer::singleShot(10s, &loop, &QEventLoop::quit);
    ColourWatch white(loop);
    w.control(QStringLiteral("Label12"))->installEventFilter(&white);
    loop.exec();
    QCOMPARE(w.state().exerciseCount, 2);
    const qint64 elapsed = clock.elapsed();
    const auto cpu = cpuTime() - cpuBefore;
    // Never shorter; later only by what a loaded machine takes to wake, not by a pause more.
    const qint64 pause = SuccessPause.count();
    QVERIFY2(elapsed >= pause && elapsed < pause * 3 / 2, qPrintable(QString::number(elapsed)));
    QVERIFY2(cpu < 100ms, qPrintable(QStringLiteral("%1 µs").arg(cpu.count())));
    QVERIFY(!w.exercise().pausing());
    QVERIFY(!w.form().waitingForTime());
}

void PauseTest::quitterEndsTheProgramDuringThePause() {
    Window w;
    QVERIFY(w.win());
    QTimer::singleShot(0, [&] { QTest::mouseClick(w.control<QPushButton>(QStringLiteral("Command3")), Qt::LeftButton); });
    QVERIFY(Window::runUntilQuit());
    QVERIFY(!w.form().isVisible());
    QVERIFY(!w.form().waitingForTime());
    // The next exercise was never drawn.
    QCOMPARE(w.state().exerciseCount, 1);
    QCOMPARE(w.exercise().draws().drawn(), NumbersPerExercise);
}

void PauseTest::closingTheWindowEndsThePause() {
    Window w;
    QVERIFY(w.win());
    QTimer::singleShot(0, [&] { w.form().close(); });
    QVERIFY(Window::runUntilQuit());
    QVERIFY(!w.form().waitingForTime());
    QCOMPARE(w.state().exerciseCount, 1);
    QCOMPARE(w.exercise().draws().drawn(), NumbersPerExercise);
    // Nothing more happens on the closed window.
    w.ok()->click();
    QCOMPARE(w.state().exerciseCount, 1);
    QVERIFY(!w.form().waitingForTime());
}

QTEST_MAIN(PauseTest)
#include "pause_test.moc"
