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
#include <functional>
#include <vector>

#include "keyboard.h"
#include "window_fixture.h"

using namespace piecettes;
using namespace std::chrono_literals;
using test::WindowUnderTest;

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

// The draws of a full purse and a price in cents.
std::vector<int> fullPurse(int priceCents) { return test::exercise("55555555", priceCents / 100, priceCents % 100); }

// With the test clock the bench passes the pause's time itself; otherwise the real timer runs.
WindowOptions clocked(bool testClock) { return {.testClock = testClock, .draws = {}, .decimalSeparator = 0, .language = {}}; }

// Pays exactly, the largest coins first, so that only the last coin wins.
void payExactly(const WindowUnderTest& window, int cents) {
    for (int type = Euro2; type >= Cent1; --type)
        for (int place = 0; place < FullPurse && cents >= CoinCents[type]; ++place) {
            QTest::mousePress(window.picture(cellOf(type, place)), Qt::LeftButton);
            cents -= CoinCents[type];
        }
}
// Hands over a 2-euro coin for a smaller price and presses OK: the change question.
void payTooMuch(const WindowUnderTest& window) {
    QTest::mousePress(window.picture(cellOf(Euro2, 0)), Qt::LeftButton);
    QTest::mouseClick(window.ok(), Qt::LeftButton);
}
// Builds the answer from the change coins, the largest first.
void answerWithCoins(const WindowUnderTest& window, int cents) {
    for (int type = Euro2; type >= Cent1; --type)
        while (cents >= CoinCents[type]) {
            QTest::mousePress(window.picture(type), Qt::LeftButton);
            cents -= CoinCents[type];
        }
}
void answerByTyping(const WindowUnderTest& window, int cents) {
    test::keyboard().type(window.answerBox(),
                          QStringLiteral("%1,%2").arg(cents / 100).arg(cents % 100, 2, 10, QLatin1Char('0')));
}

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
        // A price the purse can pay but no single coin reaches.
        const WindowUnderTest window(test::exercises({fullPurse(1199)}), clocked(true));
        QVERIFY(window.open());
        QWidget* given = window.label(layout::LabelRole::GivenTotal);
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
        const WindowUnderTest window(test::exercises({fullPurse(1199)}), clocked(true));
        QVERIFY(window.open());
        QWidget* picture = window.picture(cellOf(Euro2, 0));
        QWidget* square = window.square(cellOf(Euro2, 0));
        QBENCHMARK {
            QTest::mousePress(picture, Qt::LeftButton);
            QCoreApplication::sendPostedEvents();
            QTest::mouseClick(square, Qt::LeftButton);
            QCoreApplication::sendPostedEvents();
        }
        QCOMPARE(window.state().givenTotal, 0.0f);
    }

    void wholeSeries() {
        std::vector<int> draws;
        for (int price : SeriesPrices) std::ranges::copy(fullPurse(price), std::back_inserter(draws));
        const WindowUnderTest window(Draws::scripted(draws), clocked(true));
        QVERIFY(window.open());
        QBENCHMARK_ONCE {
            for (int exercise = 0; exercise < SeriesLength; ++exercise) {
                const int price = SeriesPrices[exercise];
                if (exercise % 2 == 0 || price >= 200) {
                    payExactly(window, price);
                } else {
                    payTooMuch(window);
                    if (exercise % 4 == 1)
                        answerByTyping(window, 200 - price);
                    else
                        answerWithCoins(window, 200 - price);
                }
                window.form().timePassed(SuccessPause);
            }
            QCoreApplication::sendPostedEvents();
        }
        QVERIFY(window.state().finished);
        QCOMPARE(window.state().exerciseCount, SeriesLength);
    }

    void waitingCpu() {
        std::vector<int> draws;
        for (int run = 0; run <= WaitingRuns; ++run) std::ranges::copy(fullPurse(1), std::back_inserter(draws));
        const WindowUnderTest window(Draws::scripted(draws), clocked(false));
        QVERIFY(window.open());
        QWidget* answer = window.label(layout::LabelRole::Answer);
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
            QCOMPARE(window.state().exerciseCount, run + 2);
            qInfo("BENCH waiting_cpu_ms=%.3f", watch.cpuMs[1] - watch.cpuMs[0]);
        }
    }
};

QTEST_MAIN(FormBench)
#include "form_bench.moc"
