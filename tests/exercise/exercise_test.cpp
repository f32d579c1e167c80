// Paying, the change question, the praise and the end of the series.
#include <functional>

#include "fakes.h"
#include "locale_check.h"

using namespace piecettes;
using namespace piecettes::fakes;

namespace {

QString cell(const char* what, int cell) {
    return QString("%1 %2").arg(what).arg(cell);
}
bool focusMovedSince(const Game& g, qsizetype mark) {
    return !g.controls.log.mid(mark).filter("focus ").isEmpty();
}

// 2,00 handed over for a price of 0,50, then OK: the change question, 1,50 due.
void openChangeQuestion(Game& g) {
    g.start(FullPurse, 0, 50);
    g.give(Euro2);
    g.exercise.okPressed();
}

// Sets up an exercise that the returned step wins.
std::function<void()> prepareWin(Game& g, const QString& road) {
    if (road == "coin completing the payment") {
        g.start(FullPurse, 1, 0);
        return [&g] { g.give(Euro1); };
    }
    if (road == "OK on the exact payment") {
        g.start(FullPurse, 0, 0);
        return [&g] { g.exercise.okPressed(); };
    }
    if (road == "coin completing the change") {
        openChangeQuestion(g);
        g.press(Euro1);
        return [&g] { g.press(Cent50); };
    }
    // Enter on a wrong text while the coins given pay the price: emptying the text wins.
    g.start(FullPurse, 1, 0);
    g.give(Cent50);
    g.give(Euro1);
    g.takeBack(Cent50);
    g.controls.text = "7";
    return [&g] { g.key(EnterKey); };
}

void addRoads() {
    QTest::addColumn<QString>("road");
    for (const char* road : {"coin completing the payment", "OK on the exact payment", "coin completing the change",
                             "Enter emptying a wrong text"})
        QTest::newRow(road) << QString(road);
}

}  // namespace

class ExerciseTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { piecettes::test::verifyAskedLocale(); }

    void coinsMakingThePriceWin_data() {
        QTest::addColumn<int>("button");
        QTest::newRow("left") << LeftButton;
        QTest::newRow("right") << RightButton;
        QTest::newRow("middle") << MiddleButton;
    }
    void coinsMakingThePriceWin() {
        QFETCH(int, button);
        Game g;
        g.start(FullPurse, 2, 45);
        g.random.queueExercise(FullPurse, 0, 0);
        const qsizetype mark = g.controls.log.size();
        for (int coin : {Euro2, Cent20, Cent20}) g.give(coin, button);
        QCOMPARE(g["caption GivenTotal"], QString("2,40"));
        QCOMPARE(g["caption Hint"], QString("Clic sur le carré pour reprendre la pièce."));
        QCOMPARE(g["visible Hint"], QString("1"));
        QCOMPARE(int(g.exercise.state().givenCount[Cent20]), 2);
        for (int k : {cellOf(Euro2, 0), cellOf(Cent20, 0), cellOf(Cent20, 1)})
            QVERIFY(g[cell("square", k)] == "1" && g[cell("picture", k)] == "0");
        QVERIFY(!focusMovedSince(g, mark));
        QVERIFY(!g.exercise.pausing());

        g.give(Cent5, button);
        QVERIFY(g.exercise.pausing());
        QVERIFY(g.controls.logged({"caption GivenTotal 2,45", "caption Feedback Bravo !"}, mark));
        QCOMPARE(g.count(), 1);
        g.pass();
        QCOMPARE(g.count(), 2);
    }

    void okJudgesThePayment_data() {
        QTest::addColumn<int>("cents");
        QTest::addColumn<QList<int>>("coins");
        QTest::addColumn<int>("takenBack");
        QTest::addColumn<QString>("message");
        const QString tooMany = "Tu donnes trop de pièces. Tu peux en reprendre.";
        const QString ask = "Bien ! Combien doit-on te rendre ?";
        QTest::newRow("nothing given") << 100 << QList<int>{} << -1 << "Encore !";
        QTest::newRow("too little") << 345 << QList<int>{Euro2, Euro1} << -1 << "Encore !";
        QTest::newRow("a coin could be taken back") << 345 << QList<int>{Euro2, Euro1, Cent50, Cent20} << -1 << tooMany;
        QTest::newRow("taking a coin back leaves the price") << 100 << QList<int>{Cent5, Euro1} << -1 << tooMany;
        QTest::newRow("no coin can be taken back") << 345 << QList<int>{Euro2, Euro1, Cent50} << -1 << ask;
        QTest::newRow("too many, one taken back")
            << 345 << QList<int>{Euro2, Euro1, Cent50, Cent20} << int(Cent20) << ask;
        QTest::newRow("too little once one taken back")
            << 345 << QList<int>{Euro2, Euro1, Cent50} << int(Cent50) << "Encore !";
        QTest::newRow("exact after taking one back") << 100 << QList<int>{Cent50, Euro1} << int(Cent50) << "Bravo !";
        QTest::newRow("nothing given for 0,00") << 0 << QList<int>{} << -1 << "Bravo !";
    }
    void okJudgesThePayment() {
        QFETCH(int, cents);
        QFETCH(QList<int>, coins);
        QFETCH(int, takenBack);
        QFETCH(QString, message);
        Game g;
        g.start(FullPurse, cents / 100, cents % 100);
        g.random.queueExercise(FullPurse, 0, 0);
        for (int coin : coins) g.give(coin);
        if (takenBack >= 0) {
            // Taking a coin back never wins; it sends the focus to OK only when the rest still pays.
            const int k = cellOf(takenBack, g.given[takenBack] - 1);
            const qsizetype mark = g.controls.log.size();
            g.takeBack(takenBack);
            QVERIFY(g[cell("picture", k)] == "1" && g[cell("square", k)] == "0");
            QCOMPARE(int(g.exercise.state().givenCount[takenBack]), g.given[takenBack]);
            QCOMPARE(g["caption GivenTotal"], QString::fromStdString(formatAmount(g.exercise.state().givenTotal, ',')));
            QVERIFY(g.controls.logged({"caption Feedback "}, mark));
            QCOMPARE(focusMovedSince(g, mark), message != "Encore !");
            if (message != "Encore !") QCOMPARE(g["focus"], QString("Ok"));
        }
        QVERIFY(!g.exercise.pausing());
        const qsizetype mark = g.controls.log.size();
        g.exercise.okPressed();

        const bool won = message == text::Bravo, asked = message == text::AskChange;
        QCOMPARE(g.exercise.pausing(), won);
        QCOMPARE(g.tag(), QString(asked ? "1" : "0"));
        if (won)
            QVERIFY(g.controls.logged({"back Answer 65280", "repaint Answer", "caption Feedback Bravo !"}, mark));
        else if (asked)
            QCOMPARE(g["caption Feedback"], message);
        else
            QCOMPARE(g.controls.log.mid(mark), QStringList{"caption Feedback " + message});  // nothing else changes
    }

    void changeQuestionOpens() {
        Game g;
        g.start(FullPurse, 3, 45);
        g.controls.text = "9,99";
        for (int coin : {Euro2, Euro1, Cent50}) g.give(coin);
        const qsizetype mark = g.controls.log.size();
        g.exercise.okPressed();

        QCOMPARE(g["caption Feedback"], QString(text::AskChange));
        for (int k = 0; k < CellCount; ++k) {
            QCOMPARE(g[cell("picture", k)], QString::number(k < CoinTypeCount));
            QCOMPARE(g[cell("square", k)], QString("0"));
        }
        QCOMPARE(g.text(), QString());
        QCOMPARE(g["caption Answer"], QString());
        QCOMPARE(g["caption Instruction"], QString("Clique sur les pièces qu'on te rend puis sur OK quand c'est correct."));
        QCOMPARE(g["caption Hint"], QString("Clic droit pour reprendre une pièce"));
        QCOMPARE(g["caption GivenTotal"], QString("3,50"));
        QVERIFY(g.controls.logged({"answer ", "caption Answer ", "visible Answer 1", "tag 1", "focus AnswerInput"}, mark));
    }

    void changeCoinPress_data() {
        QTest::addColumn<char>("separator");
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("coin");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("after");
        QTest::newRow("left adds") << ',' << "" << int(Euro2) << LeftButton << "2,00";
        QTest::newRow("written amount read back") << ',' << "1,00" << int(Cent20) << LeftButton << "1,20";
        QTest::newRow("point separator") << '.' << "1.00" << int(Cent20) << LeftButton << "1.20";
        QTest::newRow("right takes away") << ',' << "" << int(Cent1) << RightButton << "-0,01";
        QTest::newRow("middle takes away") << ',' << "" << int(Cent1) << MiddleButton << "-0,01";
        QTest::newRow("letters count as 0") << ',' << "abc" << int(Cent20) << LeftButton << "0,20";
    }
    void changeCoinPress() {
        QFETCH(char, separator);
        QFETCH(QString, before);
        QFETCH(int, coin);
        QFETCH(int, button);
        QFETCH(QString, after);
        Game g(separator);
        openChangeQuestion(g);
        g.controls.text = before.toStdString();
        const qsizetype mark = g.controls.log.size();
        g.press(coin, button);

        QCOMPARE(g.text(), after);
        QCOMPARE(g["caption Answer"], after);
        QVERIFY(g.controls.logged(
            {"answer " + after, "caption Answer " + after, "repaint AnswerInput", "focus AnswerInput", "caret 5"}, mark));
        QCOMPARE(g["caption Feedback"], QString(text::AskChange));
        QVERIFY(!g.exercise.pausing());
    }

    void wrongAnswer_data() {
        QTest::addColumn<bool>("inChange");
        QTest::addColumn<bool>("withOk");
        QTest::newRow("Enter") << true << false;
        QTest::newRow("OK") << true << true;
        QTest::newRow("Enter while paying") << false << false;
    }
    void wrongAnswer() {
        QFETCH(bool, inChange);
        QFETCH(bool, withOk);
        Game g;
        if (inChange)
            openChangeQuestion(g);
        else
            g.start(FullPurse, 3, 45);
        g.controls.text = "9";
        const qsizetype mark = g.controls.log.size();
        if (withOk)
            g.exercise.okPressed();
        else
            QCOMPARE(g.key(EnterKey), 0);

        QCOMPARE(g["caption Feedback"], QString(text::Wrong));
        QCOMPARE(g.text(), QString());
        QVERIFY(g.controls.logged({"caption Feedback ", "caption Feedback Non ! Recommence !", "answer ", "caption Answer ",
                                   "caption Answer ?", "focus AnswerInput"},
                                  mark));
        QVERIFY(!g.controls.log.mid(mark).contains("visible Answer 1"));
        QCOMPARE(g.tag(), QString(inChange ? "1" : "0"));
        QVERIFY(!g.exercise.pausing());
        // The next key clears the message; a comma enters as a point.
        QCOMPARE(g.key(','), int('.'));
        QCOMPARE(g["caption Feedback"], QString());
    }

    void answerJudgedAtEveryChange_data() {
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("right");
        QTest::newRow("comma") << true << "1,50" << true;
        QTest::newRow("point") << true << "1.5" << true;
        QTest::newRow("0.0005 above") << true << "1.5005" << true;
        QTest::newRow("0.0005 below") << true << "1.4995" << true;
        QTest::newRow("0.002 above") << true << "1.502" << false;
        QTest::newRow("0.01 below") << true << "1,49" << false;
        QTest::newRow("negative") << true << "-1,50" << false;
        QTest::newRow("empty") << true << "" << false;
        QTest::newRow("typed while paying, before OK") << false << "1,50" << true;
    }
    void answerJudgedAtEveryChange() {
        QFETCH(bool, asked);
        QFETCH(QString, answer);
        QFETCH(bool, right);
        Game g;
        g.start(FullPurse, 0, 50);
        g.give(Euro2);
        if (asked) g.exercise.okPressed();
        g.random.queueExercise(FullPurse, 0, 0);
        const qsizetype mark = g.controls.log.size();
        g.type(answer.toStdString());
        QCOMPARE(g.exercise.pausing(), right);
        QVERIFY(g.controls.logged({"caption Answer " + answer}, mark));
    }

    // The rest of the call that wins runs once the pause is over, on the next exercise. A wrong
    // Enter empties the text, which reads 0: with the price paid exactly, that wins before "?" is shown.
    void winningStepGoesOnAfterThePause_data() {
        QTest::addColumn<QString>("road");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("coin completing the change")
            << "coin completing the change" << QStringList{"answer 1,50", "caption Answer 1,50"}
            << QStringList{"repaint AnswerInput", "focus AnswerInput", "caret 5"};
        QTest::newRow("Enter emptying a wrong text")
            << "Enter emptying a wrong text" << QStringList{"caption Feedback Non ! Recommence !", "answer "}
            << QStringList{"caption Answer ?", "focus AnswerInput"};
    }
    void winningStepGoesOnAfterThePause() {
        QFETCH(QString, road);
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        Game g;
        const auto win = prepareWin(g, road);
        g.random.queueExercise(FullPurse, 4, 0);
        const qsizetype mark = g.controls.log.size();
        win();
        QVERIFY(g.exercise.pausing());
        QVERIFY(g.controls.logged(before + QStringList{"caption Feedback Bravo !", "back Answer 65280", "repaint Answer"},
                                  mark));
        QCOMPARE(g.controls.log.last(), QString("repaint Answer"));
        // Time passing in pieces, as a timer that fires early reports it.
        g.pass(SuccessPause - std::chrono::milliseconds(1));
        QCOMPARE(g.count(), 1);
        g.pass(std::chrono::milliseconds(1));
        QVERIFY(!g.exercise.pausing());
        QCOMPARE(g.count(), 2);
        QVERIFY(g.controls.logged(QStringList{"visible Answer 0", "back Answer 16777215", "caption Price 4,00",
                                              "focus Window"} + after,
                                  mark));
        QCOMPARE(g.controls.log.mid(g.controls.log.size() - after.size()), after);
    }

    void seriesOfTwenty() {
        Game g;
        g.start(FullPurse, 0, 0);
        QStringList scores;
        for (int won = 1; won < SeriesLength; ++won) {
            // The last exercise asks for the change of 2,00 paid for 0,50.
            g.random.queueExercise(FullPurse, 0, won + 1 < SeriesLength ? 0 : 50);
            QCOMPARE(g.count(), won);
            g.exercise.okPressed();
            QVERIFY(g.exercise.pausing());
            scores << g["caption Score"];
            const qsizetype mark = g.controls.log.size();
            g.pass();
            QVERIFY(g.controls.logged({"visible Answer 0", "back Answer 16777215", "tag 0"}, mark));
        }
        // The twentieth answer, a change coin, ends the series with no pause; the rest of
        // the press still runs and leaves the focus in the answer box.
        g.give(Euro2);
        g.exercise.okPressed();
        g.press(Euro1);
        const qsizetype mark = g.controls.log.size();
        g.press(Cent50);
        QVERIFY(!g.exercise.pausing());
        QVERIFY(g.controls.logged({"caption Score Tu as 20 bonnes réponses.", "focus FocusPark", "repaint AnswerInput",
                                   "focus AnswerInput", "caret 5"},
                                  mark));
        QCOMPARE(g["focus"], QString("AnswerInput"));
        QCOMPARE(g["visible Answer"], QString("1"));
        QCOMPARE(scores.size(), 19);
        QCOMPARE(scores[0], QString());  // no score line after the first answer
        QCOMPARE(scores[1], QString("Tu as 2 bonnes réponses."));
        for (int won = 3; won < SeriesLength; ++won)
            QCOMPARE(scores[won - 1], QString::fromStdString(text::score(won)));

        // The twentieth answer ends the series at once.
        QCOMPARE(g.count(), 20);
        QVERIFY(g.random.numbers.empty());
        QCOMPARE(g["caption Score"], QString("Tu as réussi tes 20 exercices. Tu peux arrêter."));
        QCOMPARE(g["visible Feedback"], QString("0"));
        QCOMPARE(g["visible Ok"], QString("0"));
        g.pass();
        QCOMPARE(g.count(), 20);
    }

    // Once the series is over the purse still answers, but taking a coin back no longer
    // sends the focus to the hidden OK.
    void purseAfterTheSeries() {
        Game g;
        g.start(FullPurse, 0, 0);
        for (int won = 1; won <= SeriesLength; ++won) {
            if (won < SeriesLength) g.random.queueExercise(FullPurse, 0, 0);
            g.exercise.okPressed();
            g.pass();
        }
        QCOMPARE(g["focus"], QString("FocusPark"));
        g.give(Euro1);
        const qsizetype mark = g.controls.log.size();
        g.takeBack(Euro1);
        QCOMPARE(g["caption GivenTotal"], QString("0,00"));
        QVERIFY(!focusMovedSince(g, mark));
    }

    // OK pressed again during the pause finds the answer still right: it only repeats the praise.
    void rightAgainDuringThePause_data() { addRoads(); }
    void rightAgainDuringThePause() {
        QFETCH(QString, road);
        Game g;
        const auto win = prepareWin(g, road);
        g.random.queueExercise(FullPurse, 0, 0);
        g.random.queueExercise(FullPurse, 0, 0);
        win();
        const qsizetype atPause = g.controls.log.size();
        g.exercise.okPressed();
        QVERIFY(g.controls.logged({"caption Feedback Bravo !"}, atPause));
        QVERIFY(g.exercise.pausing());
        QCOMPARE(g.count(), 1);
        g.pass();
        QVERIFY(!g.exercise.pausing());
        QCOMPARE(g.count(), 2);
        QCOMPARE(g.random.reseeds, 2);
        QCOMPARE(g.random.numbers.size(), NumbersPerExercise);
    }

    // During the pause the change coins and the keys act on the answer just won, and each
    // call completes at once; the pause's end keeps the answer, the score and the hint.
    void inputsDuringThePause() {
        Game g;
        const auto win = prepareWin(g, "coin completing the change");
        g.random.queueExercise(FullPurse, 4, 0);
        win();
        QVERIFY(g.exercise.pausing());
        qsizetype mark = g.controls.log.size();
        g.press(Cent1, RightButton);
        QCOMPARE(g.controls.log.mid(mark), (QStringList{"answer 1,49", "caption Answer 1,49", "repaint AnswerInput",
                                                        "focus AnswerInput", "caret 5"}));
        // Right again: the praise once more, then the rest of this press at once.
        mark = g.controls.log.size();
        g.press(Cent1);
        QVERIFY(g.controls.logged({"caption Feedback Bravo !", "repaint Answer", "repaint AnswerInput", "focus AnswerInput",
                                   "caret 5"},
                                  mark));
        QCOMPARE(g.count(), 1);
        // A key typed into the answer clears "Bravo !".
        QCOMPARE(g.key('7'), int('7'));
        QCOMPARE(g["caption Feedback"], QString());
        g.type("1,507");
        QVERIFY(g.exercise.pausing());
        mark = g.controls.log.size();
        g.pass();
        QCOMPARE(g.count(), 2);
        QCOMPARE(g["caption Price"], QString("4,00"));
        QCOMPARE(g.tag(), QString("0"));
        QCOMPARE(g["visible Answer"], QString("0"));
        QCOMPARE(g.text(), QString("1,507"));
        QCOMPARE(g["caption Hint"], QString(text::RightClickHint));
        // Only the press that won waited for the pause: its rest runs once, now.
        QCOMPARE(g.controls.log.mid(g.controls.log.size() - 3), (QStringList{"repaint AnswerInput", "focus AnswerInput", "caret 5"}));
        QCOMPARE(g.controls.log.mid(mark).filter("caret").size(), 1);
    }

    // An open Info box holds the end of the pause until it is closed: closed after the
    // pause's time, the next exercise starts at once; closed earlier, at the pause's end.
    void infoBoxHoldsThePause_data() {
        QTest::addColumn<bool>("closedEarly");
        QTest::newRow("closed within the pause") << true;
        QTest::newRow("held open past the pause") << false;
    }
    void infoBoxHoldsThePause() {
        QFETCH(bool, closedEarly);
        using namespace std::chrono_literals;
        Game g;
        const auto win = prepareWin(g, "OK on the exact payment");
        g.random.queueExercise(FullPurse, 0, 0);
        win();
        g.exercise.infoOpened();
        g.pass(1s);
        if (closedEarly) {
            g.exercise.infoClosed();
            QVERIFY(g.exercise.pausing());
            QCOMPARE(g.exercise.pauseLeft(), SuccessPause - 1s);
            g.pass(SuccessPause - 1s);
        } else {
            g.pass(10s);
            QVERIFY(g.exercise.pausing());
            QCOMPARE(g.exercise.pauseLeft(), 0s);
            QCOMPARE(g.count(), 1);
            g.exercise.infoClosed();
        }
        QVERIFY(!g.exercise.pausing());
        QCOMPARE(g.count(), 2);
    }
};

QTEST_GUILESS_MAIN(ExerciseTest)
#include "exercise_test.moc"
