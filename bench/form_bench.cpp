// Benchmarks of the real window, driven with mouse and key events as a child would:
//   coinPress    one coin handed over, from the press to every control repainted;
//                prints "BENCH coin_press_ms=..." (the median of 200 presses).
//   coinPressAndTakeBack  QBENCHMARK of a press and the take-back that undoes it,
//                a pair that can be repeated as often as QBENCHMARK needs.
//   wholeSeries  20 exercises played through the widgets, the success pause's time passed at once;
//                run with -median N, each run times one series.
//   waitingCpu   CPU time of the whole process during the real three-second success
//                pause; prints "BENCH waiting_cpu_ms=..." once per pause.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <time.h>

#include <algorithm>
#include <array>
#include <deque>
#include <functional>
#include <vector>

#include "exercise_window.h"
#include "keyboard.h"

using namespace piecettes;
using namespace std::chrono_literals;

namespace {

enum Coin { Cent1, Cent2, Cent5, Cent10, Cent20, Cent50, Euro1, Euro2 };
constexpr std::array<int, CoinTypeCount> CoinCents{1, 2, 5, 10, 20, 50, 100, 200};
constexpr int FullPurse = PlacesPerType;
constexpr int WaitingRuns = 5;
constexpr int PressRounds = 5;

double processCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Plays back the numbers that draw a full purse and then a chosen price.
class ScriptedRandom final : public RandomSource {
public:
    void queueExercise(int priceCents) {
        for (int type = 0; type < CoinTypeCount; ++type) numbers_.push_back((FullPurse + 0.5) / 6);
        numbers_.push_back((priceCents / 100 + 0.5) / 12);
        numbers_.push_back((priceCents % 100 + 0.5) / 100);
    }
    double next() override {
        if (numbers_.empty()) qFatal("the window drew more exercises than the bench queued");
        const double r = numbers_.front();
        numbers_.pop_front();
        return r;
    }
    void reseed() override {}

private:
    std::deque<double> numbers_;
};

// The real window on scripted purses, with the hands to play it.
class Window {
public:
    // With testClock the bench passes the pause's time itself; otherwise the real timer runs.
    explicit Window(bool testClock) : form_(WindowOptions{.testClock = testClock, .random = &random_, .decimalSeparator = ','}) {}

    ScriptedRandom& random() { return random_; }
    ExerciseWindow& form() { return form_; }
    bool open() {
        form_.showCentred();
        return QTest::qWaitForWindowActive(&form_);
    }
    QWidget* control(const QString& name) { return form_.findChild<QWidget*>(name); }
    QWidget* picture(int cell) { return control(QStringLiteral("Picture1(%1)").arg(cell)); }
    QWidget* square(int cell) { return control(QStringLiteral("Label10(%1)").arg(cell)); }

    // Pays exactly, the largest coins first, so that only the last coin wins.
    void payExactly(int cents) {
        for (int type = Euro2; type >= Cent1; --type)
            for (int place = 0; place < FullPurse && cents >= CoinCents[type]; ++place) {
                QTest::mousePress(picture(cellOf(type, place)), Qt::LeftButton);
                cents -= CoinCents[type];
            }
    }
    // Hands over a 2-euro coin for a smaller price and presses OK: the change question.
    void payTooMuch() {
        QTest::mousePress(picture(cellOf(Euro2, 0)), Qt::LeftButton);
        QTest::mouseClick(control(QStringLiteral("Command1")), Qt::LeftButton);
    }
    // Builds the answer from the change coins, the largest first.
    void answerWithCoins(int cents) {
        for (int type = Euro2; type >= Cent1; --type)
            while (cents >= CoinCents[type]) {
                QTest::mousePress(picture(type), Qt::LeftButton);
                cents -= CoinCents[type];
            }
    }
    void answerByTyping(int cents) {
        piecettes::test::keyboard().type(control(QStringLiteral("Text7")), QStringLiteral("%1,%2").arg(cents / 100).arg(cents % 100, 2, 10, QLatin1Char('0')));
    }

private:
    ScriptedRandom random_;
    ExerciseWindow form_;
};

// Prices of the series: exact payments, and prices below 2 euros whose change ends in
// a digit other than 0, so that no typed prefix of the answer is already right.
constexpr std::array<int, SeriesLength> SeriesPrices{1137, 163, 899, 41,  1199, 108, 506, 177, 1, 9,
                                                     733,  12,  1020, 93, 250,  151, 1111, 66, 998, 3};

// Counts paint events of the controls a coin press changes.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// Records the process CPU time at each colour change of the answer box: green as the
// success pause starts, white once it is over.
class ColourWatch : public QObject {
public:
    std::vector<double> cpuMs;
    std::function<void()> white;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::PaletteChange) {
            cpuMs.push_back(processCpuMs());
            if (cpuMs.size() == 2 && white) white();
        }
        return false;
    }
};

}  // namespace

class FormBench : public QObject {
    Q_OBJECT

private slots:
    // Each press is timed alone, from the event to the last control repainted, and
    // the coin is taken back untimed.
    void coinPress() {
        Window window(true);
        // A price the purse can pay but no single coin reaches.
        window.random().queueExercise(1199);
        QVERIFY(window.open());
        QWidget* given = window.control(QStringLiteral("Label7"));
        std::vector<double> pressMs;
        for (int round = 0; round < PressRounds; ++round)
            for (int cell = 0; cell < CellCount; ++cell) {
                QWidget* picture = window.picture(cell);
                QWidget* square = window.square(cell);
                PaintCounter painted;
                square->installEventFilter(&painted);
                given->installEventFilter(&painted);
                QElapsedTimer timer;
                timer.start();
                QTest::mousePress(picture, Qt::LeftButton);
                QCoreApplication::sendPostedEvents();
                pressMs.push_back(timer.nsecsElapsed() / 1e6);
                square->removeEventFilter(&painted);
                given->removeEventFilter(&painted);
                // The square and the amount given were repainted inside the timed span.
                QCOMPARE(painted.paints, 2);
                QVERIFY(picture->isHidden());
                QTest::mouseClick(square, Qt::LeftButton);
                QCoreApplication::sendPostedEvents();
                QVERIFY(!picture->isHidden());
            }
        std::sort(pressMs.begin(), pressMs.end());
        qInfo("BENCH coin_press_ms=%.4f q1=%.4f q3=%.4f n=%zu", pressMs[pressMs.size() / 2],
              pressMs[pressMs.size() / 4], pressMs[pressMs.size() * 3 / 4], pressMs.size());
    }

    void coinPressAndTakeBack() {
        Window window(true);
        window.random().queueExercise(1199);
        QVERIFY(window.open());
        QWidget* picture = window.picture(cellOf(Euro2, 0));
        QWidget* square = window.square(cellOf(Euro2, 0));
        QBENCHMARK {
            QTest::mousePress(picture, Qt::LeftButton);
            QCoreApplication::sendPostedEvents();
            QTest::mouseClick(square, Qt::LeftButton);
            QCoreApplication::sendPostedEvents();
        }
        QCOMPARE(window.form().exercise().state().givenTotal, 0.0f);
    }

    void wholeSeries() {
        Window window(true);
        for (int price : SeriesPrices) window.random().queueExercise(price);
        QVERIFY(window.open());
        QBENCHMARK_ONCE {
            for (int exercise = 0; exercise < SeriesLength; ++exercise) {
                const int price = SeriesPrices[exercise];
                if (exercise % 2 == 0 || price >= 200) {
                    window.payExactly(price);
                } else {
                    window.payTooMuch();
                    if (exercise % 4 == 1)
                        window.answerByTyping(200 - price);
                    else
                        window.answerWithCoins(200 - price);
                }
                window.form().timePassed(SuccessPause);
            }
            QCoreApplication::sendPostedEvents();
        }
        QVERIFY(window.form().exercise().seriesFinished());
        QCOMPARE(window.form().exercise().state().exerciseCount, SeriesLength);
    }

    void waitingCpu() {
        Window window(false);
        for (int run = 0; run <= WaitingRuns; ++run) window.random().queueExercise(1);
        QVERIFY(window.open());
        QWidget* answer = window.control(QStringLiteral("Label12"));
        for (int run = 0; run < WaitingRuns; ++run) {
            QTest::qWait(200);
            ColourWatch watch;
            answer->installEventFilter(&watch);
            QElapsedTimer wall;
            wall.start();
            QTest::mousePress(window.picture(cellOf(Cent1, 0)), Qt::LeftButton);
            // Waits without waking: the window's own timer ends the pause.
            QEventLoop loop;
            watch.white = [&loop] { loop.quit(); };
            QTimer::singleShot(2 * SuccessPause, &loop, &QEventLoop::quit);
            loop.exec();
            answer->removeEventFilter(&watch);
            QCOMPARE(watch.cpuMs.size(), std::size_t{2});
            QVERIFY(wall.elapsed() >= SuccessPause.count());
            QCOMPARE(window.form().exercise().state().exerciseCount, run + 2);
            qInfo("BENCH waiting_cpu_ms=%.3f", watch.cpuMs[1] - watch.cpuMs[0]);
        }
    }
};

QTEST_MAIN(FormBench)
#include "form_bench.moc"
