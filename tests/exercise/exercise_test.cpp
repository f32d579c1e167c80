// Paying, the change question, the praise, the pause and the end of the series: what the
// child sees, what a screen reader says, in order, and where the keyboard focus goes.
#include <QTest>

#include "game.h"
#include "locale_check.h"

using namespace piecettes;
using namespace piecettes::test;
using namespace std::chrono_literals;
using Role = layout::LabelRole;

namespace {

const QString Bravo = "Bravo !";
const QString More = "Encore !";
const QString TooMany = "Tu donnes trop de pièces. Tu peux en reprendre.";
const QString AskChange = "Bien ! Combien doit-on te rendre ?";
const QString Wrong = "Non ! Recommence !";
const QString NextPrice = "Tu dois payer : 4,00 €.";

// The ways to win an exercise of the full purse at a price: each plays up to the winning
// step and returns what it did. The rest of that step runs once the pause is over.
struct Road {
    const char* name;
    int euros, cents;
    Outcome (*win)(Game&);
    QStringList won, next;  // said by the winning step, and at the pause's end
    const char* focus;      // where the pause's end sends the focus
};
enum { CoinPays, OkPays, CoinCountsChange, EnterEmptiesAnswer };
// clang-format off
const std::array<Road, 4> Roads{{
    {"coin completing the payment", 1, 0, [](Game& g) { return g.give(Euro1); },
     {"Tu donnes : 1,00 €.", Bravo}, {NextPrice}, "Window"},
    {"OK on the exact payment", 0, 0, [](Game& g) { return g.ok(); }, {Bravo}, {NextPrice}, "Window"},
    {"coin completing the change", 0, 50, [](Game& g) { g.give(Euro2); g.ok(); g.change(Euro1); return g.change(Cent50); },
     {"Ta réponse : 1,50.", Bravo}, {NextPrice}, "Answer"},
    // Enter on a wrong text while the coins given pay the price: the emptied text reads 0,
    // which wins before "?" is shown.
    {"Enter emptying a wrong text", 1, 0,
     [](Game& g) { g.give(Cent50); g.give(Euro1); g.takeBack(Cent50); g.type("7"); return g.key(U'\r'); },
     {Wrong, Bravo}, {NextPrice, "Ta réponse : ?"}, "Answer"},
}};
// clang-format on

// A series on one road's exercise, then exercises at 4,00, then at 7,00 over and over.
Game onRoad(int road) {
    Game g(exercises({exercise(FullPurse, Roads[road].euros, Roads[road].cents), exercise(FullPurse, 4, 0),
                      exercise(FullPurse, 7, 0)}));
    g.exercise.start();
    return g;
}

}  // namespace

class ExerciseTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { piecettes::test::verifyAskedLocale(); }

    void payingWithEachButton_data() {
        QTest::addColumn<int>("button");
        QTest::newRow("left") << int(Button::Left);
        QTest::newRow("right") << int(Button::Right);
        QTest::newRow("middle") << int(Button::Middle);
    }
    void payingWithEachButton() {
        QFETCH(int, button);
        const auto pressed = Button(button);
        Game g(FullPurse, 2, 45);
        QVERIFY(!g.labelShown(Role::Hint));
        QCOMPARE(said(g.ok()), QStringList{More});
        QCOMPARE(g.label(Role::Feedback), More);
        // Handing a coin over says the new total and clears the message.
        QCOMPARE(said(g.give(Euro2, pressed)), QStringList{"Tu donnes : 2,00 €."});
        QCOMPARE(g.label(Role::Feedback), QString());
        QVERIFY(g.labelShown(Role::Hint));
        QCOMPARE(g.label(Role::Hint), QString("Clic sur le carré pour reprendre la pièce."));
        for (int coin : {Cent50, Cent20}) QCOMPARE(focus(g.give(coin, pressed)), QString());
        QCOMPARE(said(g.ok()), QStringList{TooMany});
        // So does taking one back. When what is left still pays, OK is the next step; from
        // the keyboard the focus goes back to the coin, or follows it to its square.
        Outcome out = g.takeBack(Cent20);
        QCOMPARE(said(out), QStringList{"Tu donnes : 2,50 €."});
        QCOMPARE(focus(out), QString("Ok"));
        QCOMPARE(g.label(Role::Feedback), QString());
        QCOMPARE(g.state().cells[cellOf(Cent20, 0)], Cell::Shown);
        QCOMPARE(focus(g.takeBack(Cent50, Via::Key)), QString("Coin 5"));
        QCOMPARE(focus(g.give(Cent20, pressed, Via::Key)), QString("Square 4"));
        g.give(Cent20, pressed);
        QCOMPARE(int(g.state().givenCount[Cent20]), 2);
        for (int cell : {cellOf(Euro2, 0), cellOf(Cent20, 0), cellOf(Cent20, 1)})
            QCOMPARE(g.state().cells[cell], Cell::HandedOver);
        QCOMPARE(g.label(Role::GivenTotal), QString("2,40"));
        QVERIFY(!g.exercise.pausing());

        // A press that wins leaves the focus where the rules put it.
        out = g.give(Cent5, pressed, Via::Key);
        QCOMPARE(said(out), (QStringList{"Tu donnes : 2,45 €.", Bravo}));
        QCOMPARE(focus(out), QString());
        QVERIFY(g.exercise.pausing());
        QCOMPARE(g.count(), 1);
        QCOMPARE(said(g.pass()), QStringList{"Tu dois payer : 2,45 €."});
        QCOMPARE(g.count(), 2);
    }

    void okJudgesThePayment_data() {
        QTest::addColumn<int>("cents");
        QTest::addColumn<QList<int>>("coins");
        QTest::addColumn<int>("takenBack");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing given") << 100 << QList<int>{} << -1 << More;
        QTest::newRow("too little") << 345 << QList<int>{Euro2, Euro1} << -1 << More;
        QTest::newRow("a coin could be taken back") << 345 << QList<int>{Euro2, Euro1, Cent50, Cent20} << -1 << TooMany;
        QTest::newRow("taking a coin back leaves the price") << 100 << QList<int>{Cent5, Euro1} << -1 << TooMany;
        QTest::newRow("no coin can be taken back") << 345 << QList<int>{Euro2, Euro1, Cent50} << -1 << AskChange;
        QTest::newRow("too many, one taken back")
            << 345 << QList<int>{Euro2, Euro1, Cent50, Cent20} << int(Cent20) << AskChange;
        QTest::newRow("too little once one taken back")
            << 345 << QList<int>{Euro2, Euro1, Cent50} << int(Cent50) << More;
        QTest::newRow("exact after taking one back") << 100 << QList<int>{Cent50, Euro1} << int(Cent50) << Bravo;
        QTest::newRow("nothing given for 0,00") << 0 << QList<int>{} << -1 << Bravo;
    }
    void okJudgesThePayment() {
        QFETCH(int, cents);
        QFETCH(QList<int>, coins);
        QFETCH(int, takenBack);
        QFETCH(QString, message);
        Game g(FullPurse, cents / 100, cents % 100);
        for (int coin : coins) g.give(coin);
        if (takenBack >= 0) {
            const int cell = cellOf(takenBack, g.given[takenBack] - 1);
            const Outcome back = g.takeBack(takenBack);
            QCOMPARE(g.state().cells[cell], Cell::Shown);
            QCOMPARE(int(g.state().givenCount[takenBack]), g.given[takenBack]);
            QCOMPARE(said(back), QStringList{"Tu donnes : " + g.label(Role::GivenTotal) + " €."});
            // Taking a coin back never wins; it sends the focus to OK only when the rest still pays.
            QCOMPARE(focus(back), message == More ? QString() : QString("Ok"));
        }
        QVERIFY(!g.exercise.pausing());
        const Screen before = g.screen();
        const Outcome out = g.ok();

        QCOMPARE(said(out), QStringList{message});
        QCOMPARE(g.exercise.pausing(), message == Bravo);
        QCOMPARE(g.state().phase == Phase::Change, message == AskChange);
        if (message == Bravo) QVERIFY(g.screen().answerBack == layout::Green);
        if (message == More || message == TooMany) {
            Screen expected = before;  // nothing else changes
            expected.labels[Game::row(Role::Feedback)] = message.toStdString();
            QVERIFY(g.screen() == expected);
            QCOMPARE(focus(out), QString());
        }
    }

    void changeQuestionOpens() {
        Game g(FullPurse, 3, 45);
        g.type("9,99");
        for (int coin : {Euro2, Euro1, Cent50}) g.give(coin);
        const int writes = g.state().answerWrites;
        const Outcome out = g.ok();

        // The emptied answer is not said.
        QCOMPARE(said(out), QStringList{AskChange});
        QCOMPARE(focus(out), QString("Answer"));
        QCOMPARE(g.state().phase, Phase::Change);
        for (int cell = 0; cell < CellCount; ++cell)
            QCOMPARE(g.state().cells[cell], cell < CoinTypeCount ? Cell::Shown : Cell::Absent);
        QCOMPARE(g.state().answer, std::string());
        QCOMPARE(g.state().answerWrites, writes + 1);
        QCOMPARE(g.state().caret, 0);
        QVERIFY(g.labelShown(Role::Answer));
        QCOMPARE(g.label(Role::Answer), QString());
        QCOMPARE(g.label(Role::GivenTotal), QString("3,50"));
        QCOMPARE(g.label(Role::Instruction),
                 QString("Clique sur les pièces qu'on te rend puis sur OK quand c'est correct."));
        QCOMPARE(g.label(Role::Hint), QString("Clic droit pour reprendre une pièce"));
        QCOMPARE(g.label(Role::Hint, Pointer::Finger), QString("Laisse ton doigt sur une pièce pour la reprendre"));
    }

    void changeCoinPress_data() {
        QTest::addColumn<char>("separator");
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("coin");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("byKey");
        const int left = int(Button::Left);
        QTest::newRow("left adds") << ',' << "" << int(Euro2) << left << "2,00" << false;
        QTest::newRow("written amount read back") << ',' << "1,00" << int(Cent20) << left << "1,20" << false;
        QTest::newRow("point separator") << '.' << "1.00" << int(Cent20) << left << "1.20" << false;
        QTest::newRow("right takes away") << ',' << "" << int(Cent1) << int(Button::Right) << "-0,01" << false;
        QTest::newRow("middle takes away") << ',' << "" << int(Cent1) << int(Button::Middle) << "-0,01" << false;
        QTest::newRow("letters count as 0") << ',' << "abc" << int(Cent20) << left << "0,20" << false;
        QTest::newRow("caret after the fifth character") << ',' << "99,99" << int(Euro2) << left << "101,99" << false;
        // From the keyboard the focus goes back to the coin, where the child goes on counting.
        QTest::newRow("from the coin's key") << ',' << "" << int(Euro1) << left << "1,00" << true;
    }
    void changeCoinPress() {
        QFETCH(char, separator);
        QFETCH(QString, before);
        QFETCH(int, coin);
        QFETCH(int, button);
        QFETCH(QString, after);
        QFETCH(bool, byKey);
        Game g(FullPurse, 0, 50, {}, separator);
        g.give(Euro2);
        g.ok();
        g.type(before.toStdString());
        const int writes = g.state().answerWrites;
        const Outcome out = g.change(coin, Button(button), byKey ? Via::Key : Via::Pointer);

        QCOMPARE(QString::fromStdString(g.state().answer), after);
        QCOMPARE(g.label(Role::Answer), after);
        QCOMPARE(said(out), QStringList{"Ta réponse : " + after + "."});
        QCOMPARE(focus(out), byKey ? QString("Coin %1").arg(coin) : QString("Answer"));
        QVERIFY(g.state().answerWrites > writes);
        QCOMPARE(g.state().caret, std::min<int>(5, after.size()));
        QCOMPARE(g.label(Role::Feedback), AskChange);
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
        Game g(FullPurse, inChange ? 0 : 3, inChange ? 50 : 45);
        if (inChange) {
            g.give(Euro2);
            g.ok();
        }
        g.type("9");
        const bool boxShown = g.labelShown(Role::Answer);
        const Outcome out = withOk ? g.ok() : g.key(U'\r');

        QCOMPARE(int(out.insert), 0);
        // A screen reader hears the "?" that OK leaves; with Enter the child is typing.
        QCOMPARE(said(out), withOk ? (QStringList{Wrong, "Ta réponse : ?"}) : QStringList{Wrong});
        QCOMPARE(focus(out), QString("Answer"));
        QCOMPARE(g.label(Role::Feedback), Wrong);
        QCOMPARE(g.state().answer, std::string());
        QCOMPARE(g.label(Role::Answer), QString("?"));
        QCOMPARE(g.labelShown(Role::Answer), boxShown);
        QCOMPARE(g.state().phase, inChange ? Phase::Change : Phase::Paying);
        QVERIFY(!g.exercise.pausing());
        // Wrong again: said again.
        QCOMPARE(said(g.key(U'\r')), QStringList{Wrong});
        // The next key clears the message; a comma enters as a point.
        const Outcome comma = g.key(U',');
        QCOMPARE(int(comma.insert), int('.'));
        QCOMPARE(g.label(Role::Feedback), QString());
        QCOMPARE(said(comma), QStringList());
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
        Game g(FullPurse, 0, 50);
        g.give(Euro2);
        if (asked) g.ok();
        const Outcome out = g.type(answer.toStdString());
        QCOMPARE(g.exercise.pausing(), right);
        // What the child typed is not said again.
        QCOMPARE(said(out), right ? QStringList{Bravo} : QStringList());
        QCOMPARE(g.label(Role::Answer), answer);
    }

    // During the pause an answer still, or again, right only repeats the praise: it neither
    // counts the exercise twice nor draws a second one. The rest of the winning step runs
    // once the pause is over, on the next exercise.
    void pauseAfterEachWin_data() {
        QTest::addColumn<int>("road");
        for (int road = 0; road < int(Roads.size()); ++road) QTest::newRow(Roads[road].name) << road;
    }
    void pauseAfterEachWin() {
        QFETCH(int, road);
        Game g = onRoad(road);
        const Outcome win = Roads[road].win(g);
        QCOMPARE(said(win), Roads[road].won);
        QCOMPARE(focus(win), QString());
        QVERIFY(g.screen().answerBack == layout::Green);
        QCOMPARE(said(g.ok()), QStringList{Bravo});
        const int writes = g.state().answerWrites;

        // Time passing in pieces, as a timer that fires early reports it.
        QCOMPARE(said(g.pass(SuccessPause - 1ms)), QStringList());
        QCOMPARE(g.exercise.timeWanted(), std::optional(1ms));
        QCOMPARE(g.count(), 1);
        const Outcome next = g.pass(1ms);
        QVERIFY(!g.exercise.pausing());
        QCOMPARE(g.count(), 2);
        QCOMPARE(said(next), Roads[road].next);
        QCOMPARE(focus(next), QString(Roads[road].focus));
        QVERIFY(g.screen().answerBack == layout::White);
        QVERIFY(!g.labelShown(Role::Answer));
        QCOMPARE(g.state().phase, Phase::Paying);
        // The change coin's caret, written again.
        QCOMPARE(g.state().answerWrites, writes + (road == CoinCountsChange));
        if (road == CoinCountsChange) QCOMPARE(g.state().caret, 4);
    }

    void seriesOfTwenty_data() {
        QTest::addColumn<bool>("byChangeCoin");
        QTest::newRow("the last won with OK") << false;
        QTest::newRow("the last won with a change coin's key") << true;
    }
    void seriesOfTwenty() {
        QFETCH(bool, byChangeCoin);
        std::vector<int> numbers;
        for (int n = 1; n <= SeriesLength; ++n) {
            const auto one = exercise(FullPurse, 0, n == SeriesLength && byChangeCoin ? 50 : 0);
            numbers.insert(numbers.end(), one.begin(), one.end());
        }
        Game g(Draws::scripted(numbers));  // a 21st exercise would find no numbers left
        QCOMPARE(said(g.exercise.start()), QStringList{"Tu dois payer : 0,00 €."});
        QCOMPARE(g.screen().focusParkName, std::string("Tes bonnes réponses"));
        for (int won = 1; won < SeriesLength; ++won) {
            QStringList praise{Bravo};
            if (won > 1) praise << QString("Tu as %1 bonnes réponses.").arg(won);
            QCOMPARE(said(g.ok()), praise);
            QCOMPARE(g.label(Role::Score), won > 1 ? praise.last() : QString());
            const Outcome next = g.pass();
            QCOMPARE(said(next).size(), 1);
            QCOMPARE(focus(next), QString("Window"));
            QCOMPARE(g.count(), won + 1);
        }
        QCOMPARE(g.screen().focusParkName, std::string("Tu as 19 bonnes réponses."));

        Outcome last;
        if (byChangeCoin) {
            g.give(Euro2);
            g.ok();
            g.change(Euro1);
            last = g.change(Cent50, Button::Left, Via::Key);
        } else {
            last = g.ok();
        }
        const QString done = "Tu as réussi tes 20 exercices. Tu peux arrêter.";
        QStringList end{Bravo, "Tu as 20 bonnes réponses.", done};
        if (byChangeCoin) end.prepend("Ta réponse : 1,50.");
        QCOMPARE(said(last), end);
        // The series ends at once, with no pause. The rest of the winning press still runs
        // and keeps the focus and caret in the answer; the coin's key does not take them.
        QVERIFY(!g.exercise.pausing());
        QVERIFY(g.state().finished);
        QCOMPARE(focus(last), QString(byChangeCoin ? "Answer" : "FocusPark"));
        if (byChangeCoin) QCOMPARE(g.state().caret, 4);
        QCOMPARE(g.label(Role::Score), done);
        QCOMPARE(g.screen().focusParkName, done.toStdString());
        QVERIFY(!g.labelShown(Role::Feedback));
        QVERIFY(!g.screen().okShown);
        QCOMPARE(said(g.pass()), QStringList());
        QCOMPARE(said(g.ok()), QStringList());
        QCOMPARE(g.count(), SeriesLength);
        if (byChangeCoin) return;

        // The purse still answers, but taking a coin back no longer sends the focus to
        // the hidden OK; its square's key sends it back to the coin.
        g.give(Euro1);
        g.give(Euro1);
        const Outcome back = g.takeBack(Euro1);
        QCOMPARE(said(back), QStringList{"Tu donnes : 1,00 €."});
        QCOMPARE(focus(back), QString());
        QCOMPARE(focus(g.takeBack(Euro1, Via::Key)), QString("Coin 6"));
    }

    // During the pause the change coins and the keys act on the answer just won, and each
    // call completes at once; the pause's end keeps the answer, the score and the hint.
    void inputsDuringThePause() {
        Game g = onRoad(CoinCountsChange);
        Roads[CoinCountsChange].win(g);
        Outcome out = g.change(Cent1, Button::Right);
        QCOMPARE(said(out), QStringList{"Ta réponse : 1,49."});
        QCOMPARE(focus(out), QString("Answer"));
        // Right again: the praise once more, and the rest of this press at once. It starts
        // no pause, so from its key the focus goes back to the coin, as at any other time.
        out = g.change(Cent1, Button::Left, Via::Key);
        QCOMPARE(said(out), (QStringList{"Ta réponse : 1,50.", Bravo}));
        QCOMPARE(focus(out), QString("Coin 0"));
        QCOMPARE(g.count(), 1);
        // A key typed into the answer clears "Bravo !".
        QCOMPARE(int(g.key(U'7').insert), int('7'));
        QCOMPARE(g.label(Role::Feedback), QString());
        g.type("1,507");
        QVERIFY(g.exercise.pausing());
        const int writes = g.state().answerWrites;

        out = g.pass();
        QCOMPARE(g.count(), 2);
        QCOMPARE(g.label(Role::Price), QString("4,00"));
        QCOMPARE(g.state().phase, Phase::Paying);
        QVERIFY(!g.labelShown(Role::Answer));
        QCOMPARE(g.state().answer, std::string("1,507"));
        QCOMPARE(g.label(Role::Hint), QString("Clic droit pour reprendre une pièce"));
        // Only the press that won waited for the pause: its rest runs once, now.
        QCOMPARE(said(out), QStringList{NextPrice});
        QCOMPARE(focus(out), QString("Answer"));
        QCOMPARE(g.state().answerWrites, writes + 1);
        QCOMPARE(g.state().caret, 5);
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
        Game g = onRoad(OkPays);
        Roads[OkPays].win(g);
        g.exercise.openInfo();
        g.pass(1s);
        Outcome next;
        if (closedEarly) {
            QCOMPARE(said(g.exercise.closeInfo()), QStringList());
            QVERIFY(g.exercise.pausing());
            QCOMPARE(g.exercise.timeWanted(), std::optional(SuccessPause - 1s));
            next = g.pass(SuccessPause - 1s);
        } else {
            QCOMPARE(said(g.pass(10s)), QStringList());
            QVERIFY(g.exercise.pausing());
            QCOMPARE(g.exercise.pauseLeft(), 0ms);
            QCOMPARE(g.exercise.timeWanted(), std::nullopt);
            QCOMPARE(g.count(), 1);
            next = g.exercise.closeInfo();
        }
        QVERIFY(!g.exercise.pausing());
        QCOMPARE(g.count(), 2);
        QCOMPARE(said(next), QStringList{NextPrice});
    }
};

QTEST_GUILESS_MAIN(ExerciseTest)
#include "exercise_test.moc"
