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

#include "catalogue.h"
#include "keyboard.h"
#include "script.h"
#include "window_fixture.h"

using namespace piecettes;
using namespace piecettes::faults;
using namespace std::chrono_literals;
using layout::LabelRole;
using test::WindowUnderTest;

namespace {

// The program must be gone once Quitter is clicked or the window closed, without
// waiting for the pause: half the pause tells the two apart on a loaded machine too.
constexpr qint64 EndingLimitMs = SuccessPause.count() / 2;
constexpr int ChildTimeoutMs = 20000;

// The window is up and its series has begun.
bool opened(const WindowUnderTest& g) { return g.open() && g.state().started; }

// Keys go to the window that has the keyboard focus.
void type(const QString& text) { test::keyboard().type(QGuiApplication::focusWindow(), text); }
void key(Qt::Key key) { test::keyboard().click(QGuiApplication::focusWindow(), key); }

QString line(const WindowUnderTest& g, LabelRole role) { return g.label(role)->text(); }
QString words(Message message) { return QString::fromStdString(messageText(message, Catalogue::french())); }

// The numbers that this many plain exercises draw.
std::size_t drawsOf(int exercises) { return exercises * plainExercise().size(); }

// Hands over the 1-euro coin and presses OK: the change question of 0.50.
void openChangeQuestion(const WindowUnderTest& g) {
    g.click(g.picture(OneEuroCell));
    g.click(g.ok());
}

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
    // process is gone without waiting for the pause, and no further exercise is drawn.
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
        WindowUnderTest g(script());
        QVERIFY(opened(g));
        g.click(g.picture(FiftyCentCell));
        QVERIFY(g.exercise().pausing());
        const ExerciseState atPause = g.state();
        g.click(g.label(LabelRole::Info));
        QWidget* box = infoBox();
        QVERIFY(box);
        g.form().timePassed(open);
        // The box blocks the window.
        g.click(g.square(FiftyCentCell));
        QVERIFY(g.exercise().pausing());
        QVERIFY(sameExercise(g.state(), atPause));
        QCOMPARE(g.exercise().draws().drawn(), drawsOf(1));
        QCOMPARE(line(g, LabelRole::Feedback), words(Message::Bravo));
        test::keyboard().click(box->windowHandle(), Qt::Key_Escape);
        QVERIFY(infoBox() == nullptr);
        if (open < SuccessPause) {
            QCOMPARE(g.state().exerciseCount, 1);
            g.form().timePassed(SuccessPause - open);
        }
        QCOMPARE(g.exercise().draws().drawn(), drawsOf(2));
        QCOMPARE(g.state().exerciseCount, 2);
        QVERIFY(!g.exercise().pausing());
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
        WindowUnderTest g(script());
        QVERIFY(opened(g));
        if (change) openChangeQuestion(g);
        QCOMPARE(g.state().phase, change ? Phase::Change : Phase::Paying);
        g.click(g.picture(FiftyCentCell));
        QVERIFY(g.exercise().pausing());
        if (change) {
            // Too much, then right again by a right click, then Enter.
            g.click(g.picture(FiftyCentCell));
            g.click(g.picture(FiftyCentCell), Qt::RightButton);
            key(Qt::Key_Return);
        } else {
            // Taken back, paid again, then OK on the exact amount.
            g.click(g.square(FiftyCentCell));
            g.click(g.picture(FiftyCentCell));
            g.click(g.ok());
        }
        QCOMPARE(g.state().exerciseCount, 1);
        QCOMPARE(line(g, LabelRole::Feedback), words(Message::Bravo));
        g.pass();
        QCOMPARE(g.exercise().draws().drawn(), drawsOf(2));
        QCOMPARE(g.state().exerciseCount, 2);
        QCOMPARE(g.state().phase, Phase::Paying);
    }

    // Empty purses are drawn again, and so are prices not below the purse.
    void emptyPurseDrawnAgain() {
        std::vector<int> draws;
        constexpr int EmptyPurses = 50;
        const std::vector<int> empty = test::exercise("00000000", 0, 0);
        for (int i = 0; i < EmptyPurses; ++i) draws.insert(draws.end(), empty.begin(), empty.end() - 2);
        // Two 1-cent coins and a 2-euro coin: 2.02. The price 11.99 is drawn again, then 1.00.
        const std::vector<int> purse = test::exercise("20000001", 11, 99);
        draws.insert(draws.end(), purse.begin(), purse.end());
        draws.insert(draws.end(), {1, 0});

        WindowUnderTest g(script(draws));
        QVERIFY(opened(g));
        QCOMPARE(g.exercise().draws().drawn(), draws.size());
        QCOMPARE(g.state().purseTotal, 2.02f);
        QCOMPARE(g.state().price, 1.0f);
        QCOMPARE(line(g, LabelRole::Price), QStringLiteral("1,00"));
        for (int cell = 0; cell < CellCount; ++cell) {
            const bool inPurse = cell == cellOf(0, 0) || cell == cellOf(0, 1) || cell == cellOf(7, 0);
            QCOMPARE(!g.picture(cell)->isHidden(), inPurse);
        }
        // The purse plays: the 2-euro coin overpays by one coin too many.
        g.click(g.picture(cellOf(7, 0)));
        g.click(g.ok());
        QCOMPARE(g.state().phase, Phase::Change);
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
        WindowUnderTest g(script());
        QVERIFY(opened(g));
        openChangeQuestion(g);
        QVERIFY(g.answerBox()->hasFocus());
        type(typed);
        QCOMPARE(line(g, LabelRole::Answer), g.answerBox()->text());
        QCOMPARE(g.state().phase, Phase::Change);
        QVERIFY(!g.exercise().pausing());

        // A 2-euro coin on top, then a 1-cent coin taken away.
        g.click(g.picture(cellOf(7, 0)));
        g.click(g.picture(cellOf(0, 0)), Qt::RightButton);
        const QString answer = g.answerBox()->text();
        QVERIFY2(WrittenAmount.match(answer).hasMatch(), qPrintable(answer));
        QCOMPARE(line(g, LabelRole::Answer), answer);
        const float expected = float(float(read + 2.0) - 0.01);
        QVERIFY2(std::fabs(QString(answer).replace(',', '.').toDouble() - expected) < 0.006, qPrintable(answer));

        key(Qt::Key_Return);
        QCOMPARE(line(g, LabelRole::Feedback), words(Message::Wrong));
        QCOMPARE(g.answerBox()->text(), QString());
        QCOMPARE(g.state().exerciseCount, 1);
    }

    // Once the twentieth exercise is won, no click or key draws another one, and OK
    // stays hidden.
    void clicksAfterTheSeries() {
        WindowUnderTest g(script());
        QVERIFY(opened(g));
        for (int exercise = 1; exercise <= SeriesLength; ++exercise) {
            QCOMPARE(g.state().exerciseCount, exercise);
            g.click(g.picture(FiftyCentCell));
            if (exercise < SeriesLength) g.pass();
        }
        // Time passing after the last win draws nothing either.
        g.form().timePassed(SuccessPause);
        QVERIFY(g.state().finished);
        QCOMPARE(g.exercise().draws().drawn(), drawsOf(SeriesLength));
        QWidget* ok = g.ok();
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
        type(QStringLiteral("0,5"));
        key(Qt::Key_Return);
        g.click(g.label(LabelRole::Info));
        QVERIFY(infoBox());
        test::keyboard().click(infoBox()->windowHandle(), Qt::Key_Return);
        QVERIFY(infoBox() == nullptr);

        QCOMPARE(g.exercise().draws().drawn(), drawsOf(SeriesLength));
        QCOMPARE(g.state().exerciseCount, SeriesLength);
        QVERIFY(g.state().finished);
        QVERIFY(ok->isHidden());
        QCOMPARE(line(g, LabelRole::Score), words(Message::SeriesDone));
    }
};

QTEST_MAIN(FaultsTest)
#include "faults_test.moc"
