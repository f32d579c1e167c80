// The worst moments of a child's play, over the real window: ending the program or
// opening Info during the success pause, answering again during it, a purse drawn
// empty, odd numbers typed, and clicks once the series is over.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QWindow>

#include <chrono>
#include <cmath>
#include <memory>

#include "exercise_window.h"
#include "keyboard.h"
#include "script.h"

using namespace piecettes;
using namespace piecettes::faults;
using namespace std::chrono_literals;

namespace {

// How fast the program must be gone once Quitter is clicked or the window closed.
constexpr qint64 EndingLimitMs = 200;
constexpr int ChildTimeoutMs = 20000;

// The window on scripted draws; the test passes the time.
struct Game {
    explicit Game(const std::vector<double>& draws = {})
        : random(draws),
          form(std::make_unique<ExerciseWindow>(WindowOptions{.testClock = true, .random = &random, .decimalSeparator = ','})) {
        form->showCentred();
        started = QTest::qWaitForWindowActive(form.get()) && form->exercise().seriesStarted();
    }
    template <typename T = QWidget>
    T* get(const QString& name) const {
        return form->findChild<T*>(name);
    }
    QWidget* picture(int cell) const { return get(QStringLiteral("Picture1(%1)").arg(cell)); }
    QWidget* square(int cell) const { return get(QStringLiteral("Label10(%1)").arg(cell)); }
    QString caption(const char* label) const { return get<QLabel>(QLatin1String(label))->text(); }
    QString answer() const { return get<QLineEdit>(QStringLiteral("Text7"))->text(); }
    const ExerciseState& state() const { return form->exercise().state(); }

    // A click delivered to the window where the widget stands, as the platform would.
    void click(QWidget* widget, Qt::MouseButton button = Qt::LeftButton) const {
        QTest::mouseClick(form->windowHandle(), button, {}, widget->mapTo(form.get(), widget->rect().center()));
    }
    // Keys go to the window that has the keyboard focus.
    void type(const QString& text) const { test::keyboard().type(QGuiApplication::focusWindow(), text); }
    void key(Qt::Key key) const { test::keyboard().click(QGuiApplication::focusWindow(), key); }
    void pass(std::chrono::milliseconds time = SuccessPause) const { form->timePassed(time); }

    // Hands over the 1-euro coin and presses OK: the change question of 0.50.
    void openChangeQuestion() const {
        click(picture(OneEuroCell));
        click(get(QStringLiteral("Command1")));
    }

    ScriptedRandom random;
    std::unique_ptr<ExerciseWindow> form;
    bool started = false;
};

QWidget* infoBox() {
    QWidget* box = QApplication::activeModalWidget();
    return box && box->objectName() == QStringLiteral("Info") ? box : nullptr;
}

bool sameExercise(const ExerciseState& a, const ExerciseState& b) {
    return a.purseCount == b.purseCount && a.givenCount == b.givenCount && a.purseTotal == b.purseTotal &&
           a.givenTotal == b.givenTotal && a.price == b.price && a.exerciseCount == b.exerciseCount;
}

// An amount as the window writes it: digits, a comma, two decimals.
const QRegularExpression WrittenAmount(QStringLiteral("^-?[0-9]+,[0-9]{2}$"));

}  // namespace

class FaultsTest : public QObject {
    Q_OBJECT
private slots:
    // Quitter, or the window manager closing the window, during the pause: the child
    // process is gone within 200 ms and no further exercise is drawn.
    void endingDuringThePause_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Quitter") << "quit";
        QTest::newRow("window closed") << "close";
    }
    void endingDuringThePause() {
        QFETCH(QString, how);
        QProcess child;
        child.setProgram(QStringLiteral(FAULT_HELPER));
        child.setArguments({how});
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start();
        QVERIFY(child.waitForStarted(ChildTimeoutMs));
        QByteArray output;
        while (!output.contains("ending")) {
            QVERIFY2(child.waitForReadyRead(ChildTimeoutMs), output.constData());
            output += child.readAllStandardOutput();
        }
        QElapsedTimer sinceEnding;
        sinceEnding.start();
        QVERIFY(child.waitForFinished(ChildTimeoutMs));
        const qint64 ms = sinceEnding.elapsed();
        output += child.readAllStandardOutput();
        qInfo("%s: the process was gone %lld ms after the ending began", qPrintable(how), static_cast<long long>(ms));
        QVERIFY2(output.contains("ending pausing=1"), output.constData());
        QVERIFY2(ms < EndingLimitMs, output.constData());
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        // Only the first exercise was ever drawn, and the pause's timer was stopped.
        QVERIFY2(output.contains("exit exercises=1 waiting=0"), output.constData());
    }

    // Info during the pause: while the box is open the pause holds, even past its
    // length, and the exercise is left as it was; the next one comes once the box is
    // closed and the pause's time is up.
    void infoDuringThePause_data() {
        QTest::addColumn<int>("openMs");
        QTest::newRow("closed within the pause") << 1000;
        QTest::newRow("held open past the pause") << 10000;
    }
    void infoDuringThePause() {
        QFETCH(int, openMs);
        const std::chrono::milliseconds open(openMs);
        Game g;
        QVERIFY(g.started);
        g.click(g.picture(FiftyCentCell));
        QVERIFY(g.form->exercise().pausing());
        const ExerciseState atPause = g.state();
        g.click(g.get(QStringLiteral("Label3")));
        QWidget* box = infoBox();
        QVERIFY(box);
        g.pass(open);
        // The box blocks the window.
        g.click(g.square(FiftyCentCell));
        QVERIFY(g.form->exercise().pausing());
        QVERIFY(sameExercise(g.state(), atPause));
        QCOMPARE(g.random.exercisesDrawn, 1);
        QCOMPARE(g.caption("Label8"), QString::fromUtf8(text::Bravo));
        test::keyboard().click(box->windowHandle(), Qt::Key_Escape);
        QVERIFY(infoBox() == nullptr);
        if (open < SuccessPause) {
            QCOMPARE(g.state().exerciseCount, 1);
            g.pass(SuccessPause - open);
        }
        QCOMPARE(g.random.exercisesDrawn, 2);
        QCOMPARE(g.state().exerciseCount, 2);
        QVERIFY(!g.form->exercise().pausing());
    }

    // A right answer given again during the pause only repeats the praise: the
    // exercise is counted once and one new exercise follows the pause.
    void rightAgainDuringThePause_data() {
        QTest::addColumn<bool>("change");
        QTest::newRow("paid again, then OK") << false;
        QTest::newRow("change clicked and entered again") << true;
    }
    void rightAgainDuringThePause() {
        QFETCH(bool, change);
        Game g;
        QVERIFY(g.started);
        if (change) g.openChangeQuestion();
        QCOMPARE(g.form->tagText(), std::string(change ? ChangeTag : PayingTag));
        g.click(g.picture(FiftyCentCell));
        QVERIFY(g.form->exercise().pausing());
        if (change) {
            // Too much, then right again by a right click, then Enter.
            g.click(g.picture(FiftyCentCell));
            g.click(g.picture(FiftyCentCell), Qt::RightButton);
            g.key(Qt::Key_Return);
        } else {
            // Taken back, paid again, then OK on the exact amount.
            g.click(g.square(FiftyCentCell));
            g.click(g.picture(FiftyCentCell));
            g.click(g.get(QStringLiteral("Command1")));
        }
        QCOMPARE(g.state().exerciseCount, 1);
        QCOMPARE(g.caption("Label8"), QString::fromUtf8(text::Bravo));
        g.pass();
        QCOMPARE(g.random.exercisesDrawn, 2);
        QCOMPARE(g.state().exerciseCount, 2);
        QCOMPARE(g.form->tagText(), std::string(PayingTag));
    }

    // Empty purses are drawn again, and so are prices not below the purse.
    void emptyPurseDrawnAgain() {
        std::vector<double> draws;
        constexpr int EmptyPurses = 50;
        const std::vector<double> empty = exerciseDraws({}, 0, 0);
        for (int i = 0; i < EmptyPurses; ++i) draws.insert(draws.end(), empty.begin(), empty.end() - 2);
        // Two 1-cent coins and a 2-euro coin: 2.02. The price 11.99 is drawn again, then 1.00.
        const std::vector<double> purse = exerciseDraws({2, 0, 0, 0, 0, 0, 0, 1}, 11, 99);
        draws.insert(draws.end(), purse.begin(), purse.end());
        draws.push_back((1 + 0.5) / EurosDrawn);
        draws.push_back((0 + 0.5) / CentsDrawn);

        Game g(draws);
        QVERIFY(g.started);
        QCOMPARE(g.random.draws, int(draws.size()));
        QCOMPARE(g.state().purseTotal, 2.02f);
        QCOMPARE(g.state().price, 1.0f);
        QCOMPARE(g.caption("Label6"), QStringLiteral("1,00"));
        for (int cell = 0; cell < CellCount; ++cell) {
            const bool inPurse = cell == cellOf(0, 0) || cell == cellOf(0, 1) || cell == cellOf(7, 0);
            QCOMPARE(!g.picture(cell)->isHidden(), inPurse);
        }
        // The purse plays: the 2-euro coin overpays by one coin too many.
        g.click(g.picture(cellOf(7, 0)));
        g.click(g.get(QStringLiteral("Command1")));
        QCOMPARE(g.form->tagText(), std::string(ChangeTag));
    }

    // Typed text that reads as a huge or odd number: the answer box and its mirror stay
    // consistent, coin clicks go on from the number read, and Enter clears a wrong answer.
    void oddNumbersTyped_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("read");
        QTest::newRow("largest typed") << "99999" << 99999.0;
        QTest::newRow("most negative typed") << "-9999" << -9999.0;
        QTest::newRow("exponent") << "1e308" << 1.0;
        QTest::newRow("hexadecimal") << "0x1F" << 0.0;
        QTest::newRow("commas") << ",,,,," << 0.0;
        QTest::newRow("points") << "..9.9" << 0.0;
        QTest::newRow("signs") << "+-5" << 0.0;
        QTest::newRow("blanks") << "   7 " << 7.0;
        QTest::newRow("letters") << QString::fromUtf8("é€aZ") << 0.0;
        QTest::newRow("sixth character refused") << "1234567" << 12345.0;
    }
    void oddNumbersTyped() {
        QFETCH(QString, typed);
        QFETCH(double, read);
        Game g;
        QVERIFY(g.started);
        g.openChangeQuestion();
        QVERIFY(g.get(QStringLiteral("Text7"))->hasFocus());
        g.type(typed);
        QCOMPARE(g.caption("Label12"), g.answer());
        QCOMPARE(g.form->tagText(), std::string(ChangeTag));
        QVERIFY(!g.form->exercise().pausing());

        // A 2-euro coin on top, then a 1-cent coin taken away.
        g.click(g.picture(cellOf(7, 0)));
        g.click(g.picture(cellOf(0, 0)), Qt::RightButton);
        QVERIFY2(WrittenAmount.match(g.answer()).hasMatch(), qPrintable(g.answer()));
        QCOMPARE(g.caption("Label12"), g.answer());
        const float expected = float(float(read + 2.0) - 0.01);
        QVERIFY2(std::fabs(QString(g.answer()).replace(',', '.').toDouble() - expected) < 0.006, qPrintable(g.answer()));

        g.key(Qt::Key_Return);
        QCOMPARE(g.caption("Label8"), QString::fromUtf8(text::Wrong));
        QCOMPARE(g.answer(), QString());
        QCOMPARE(g.state().exerciseCount, 1);
    }

    // Once the twentieth exercise is won, no click or key draws another one, and OK
    // stays hidden.
    void clicksAfterTheSeries() {
        Game g;
        QVERIFY(g.started);
        for (int exercise = 1; exercise <= SeriesLength; ++exercise) {
            QCOMPARE(g.state().exerciseCount, exercise);
            g.click(g.picture(FiftyCentCell));
            g.pass();
        }
        QVERIFY(g.form->exercise().seriesFinished());
        QCOMPARE(g.random.exercisesDrawn, SeriesLength);
        QWidget* ok = g.get(QStringLiteral("Command1"));
        QVERIFY(ok->isHidden());

        for (int cell = 0; cell < CellCount; ++cell) {
            for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
                g.click(g.picture(cell), button);
                g.click(g.square(cell), button);
            }
        }
        g.click(ok);
        // Every coin taken back, then the price paid exactly once more.
        for (int cell = 0; cell < CellCount; ++cell)
            if (!g.square(cell)->isHidden()) g.click(g.square(cell));
        g.click(g.picture(FiftyCentCell));
        QCOMPARE(g.state().givenTotal, 0.5f);
        g.type(QStringLiteral("0,5"));
        g.key(Qt::Key_Return);
        g.click(g.get(QStringLiteral("Label3")));
        QVERIFY(infoBox());
        test::keyboard().click(infoBox()->windowHandle(), Qt::Key_Return);
        QVERIFY(infoBox() == nullptr);

        QCOMPARE(g.random.exercisesDrawn, SeriesLength);
        QCOMPARE(g.state().exerciseCount, SeriesLength);
        QVERIFY(g.form->exercise().seriesFinished());
        QVERIFY(ok->isHidden());
        QCOMPARE(g.caption("Label9"), QString::fromUtf8(text::SeriesDone));
    }
};

QTEST_MAIN(FaultsTest)
#include "faults_test.moc"
