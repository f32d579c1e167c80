// The real success pause, and leaving the program while it runs. These tests run the
// application's own event loop, as the program does.
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

#include <memory>

#include "../exercise/fakes.h"
#include "exercise_window.h"
#include "locale_check.h"

using namespace piecettes;
using fakes::ScriptedRandom;
using namespace std::chrono_literals;

namespace {

constexpr std::array<int, CoinTypeCount> FullPurse{5, 5, 5, 5, 5, 5, 5, 5};

std::chrono::microseconds cpuTime() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// A window whose first exercise is won by pressing OK (nothing to pay), with the
// next exercise queued.
struct Window {
    ScriptedRandom random;
    std::unique_ptr<ExerciseWindow> form;

    explicit Window(std::optional<std::chrono::milliseconds> pause) {
        random.queueExercise(FullPurse, 0, 0);
        random.queueExercise(FullPurse, 1, 0);
        form = std::make_unique<ExerciseWindow>(WindowOptions{.pause = pause, .random = &random, .decimalSeparator = ','});
        form->showCentred();
    }
    QPushButton* button(const char* name) const { return form->findChild<QPushButton*>(QLatin1String(name)); }
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
    Window w(std::nullopt);
    QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
    QElapsedTimer clock;
    const auto cpuBefore = cpuTime();
    clock.start();
    QTest::mouseClick(w.button("Command1"), Qt::LeftButton);
    const qint64 elapsed = clock.elapsed();
    const auto cpu = cpuTime() - cpuBefore;
    QVERIFY2(elapsed >= 3000 && elapsed < 3500, qPrintable(QString::number(elapsed)));
    QVERIFY2(cpu < 100ms, qPrintable(QStringLiteral("%1 µs").arg(cpu.count())));
    QCOMPARE(w.form->exercise().state().exerciseCount, 2);
}

void PauseTest::quitterEndsTheProgramDuringThePause() {
    Window w(10s);
    QElapsedTimer clock;
    QTimer::singleShot(0, [&] { QTest::mouseClick(w.button("Command1"), Qt::LeftButton); });
    QTimer::singleShot(200ms, [&] {
        QVERIFY(w.form->exercise().pausing());
        clock.start();
        QTest::mouseClick(w.button("Command3"), Qt::LeftButton);
    });
    QApplication::exec();
    QVERIFY(clock.isValid());
    QVERIFY2(clock.elapsed() < 200, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(w.form->exercise().gone());
    QVERIFY(!w.form->isVisible());
    // The next exercise was never drawn.
    QCOMPARE(w.form->exercise().state().exerciseCount, 1);
    QCOMPARE(w.random.numbers.size(), size_t(CoinTypeCount + 2));
}

void PauseTest::closingTheWindowEndsThePause() {
    Window w(10s);
    QElapsedTimer clock;
    QTimer::singleShot(0, [&] { QTest::mouseClick(w.button("Command1"), Qt::LeftButton); });
    QTimer::singleShot(200ms, [&] {
        clock.start();
        w.form->close();
    });
    QApplication::exec();
    QVERIFY2(clock.isValid() && clock.elapsed() < 200, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(w.form->exercise().gone());
    QCOMPARE(w.form->exercise().state().exerciseCount, 1);
    QCOMPARE(w.random.numbers.size(), size_t(CoinTypeCount + 2));
    // Nothing more happens on the closed window.
    w.button("Command1")->click();
    QCOMPARE(w.form->exercise().state().exerciseCount, 1);
}

QTEST_MAIN(PauseTest)
#include "pause_test.moc"
