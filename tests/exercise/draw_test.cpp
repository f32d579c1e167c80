// The start of the series and the purse and price draw of every exercise.
#include <QTest>

#include "game.h"
#include "locale_check.h"

using namespace piecettes;
using namespace piecettes::test;
using Role = layout::LabelRole;

class DrawTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { piecettes::test::verifyAskedLocale(); }

    // The series starts once; every exercise starts afresh, leaving the answer and the
    // hint as they were.
    void everyExerciseStartsAfresh() {
        Game g(exercises({exercise(FullPurse, 3, 5), exercise("10000000", 0, 0)}));
        QCOMPARE(g.label(Role::Price), QString());
        Outcome out = g.exercise.start();
        QCOMPARE(said(g.exercise.start()), QStringList());  // draws nothing more
        QVERIFY(!g.labelShown(Role::Hint));
        for (int number = 1; number <= 2; ++number) {
            QCOMPARE(said(out), QStringList{number == 1 ? "Tu dois payer : 3,05 €." : "Tu dois payer : 0,00 €."});
            QCOMPARE(focus(out), QString("Window"));
            QCOMPARE(g.count(), number);
            QCOMPARE(g.state().phase, Phase::Paying);
            QCOMPARE(g.label(Role::Instruction),
                     QString("Clique sur les pièces que tu donnes puis sur OK quand tu en as assez."));
            QCOMPARE(g.label(Role::GivenTotal), QString());
            QCOMPARE(g.label(Role::Feedback), QString());
            QVERIFY(!g.labelShown(Role::Answer));
            for (int type = 0; type < CoinTypeCount; ++type) QCOMPARE(int(g.state().givenCount[type]), 0);
            QCOMPARE(g.state().givenTotal, 0.0f);
            if (number == 2) break;
            for (int coin : {Euro2, Euro1, Cent50}) g.give(coin);
            g.ok();  // the change question, 0,45 due
            g.type("0,45");
            out = g.pass();
        }
        for (int cell = 0; cell < CellCount; ++cell)
            QCOMPARE(g.state().cells[cell], cell == 0 ? Cell::Shown : Cell::Absent);
        QCOMPARE(g.state().answer, std::string("0,45"));
        QVERIFY(g.labelShown(Role::Hint));
        QCOMPARE(g.label(Role::Hint), QString("Clic droit pour reprendre une pièce"));
    }

    // The purses drawn in order, the last one kept, then the prices drawn (euros, cents),
    // the last one kept: the rules must draw exactly these numbers.
    void draw_data() {
        QTest::addColumn<QStringList>("purses");
        QTest::addColumn<QList<int>>("prices");
        QTest::addColumn<double>("total");
        QTest::addColumn<QString>("price");
        QTest::newRow("counts per type, price euros then cents")
            << QStringList{"01234505"} << QList<int>{3, 5} << 13.72 << "3,05";
        QTest::newRow("fullest purse takes the dearest price at once")
            << QStringList{"55555555"} << QList<int>{11, 99} << 19.40 << "11,99";
        QTest::newRow("price equal to the purse or above drawn again")
            << QStringList{"00000001"} << QList<int>{2, 0, 11, 99, 1, 99} << 2.0 << "1,99";
        QTest::newRow("one-cent purse waits for 0,00")
            << QStringList{"10000000"} << QList<int>{0, 1, 6, 50, 0, 0} << 0.01 << "0,00";
        QTest::newRow("empty purse drawn again")
            << QStringList{"00000000", "00000010"} << QList<int>{0, 50} << 1.0 << "0,50";
    }
    void draw() {
        QFETCH(QStringList, purses);
        QFETCH(QList<int>, prices);
        QFETCH(double, total);
        QFETCH(QString, price);
        std::vector<int> numbers;
        for (const QString& purse : purses)
            for (QChar count : purse) numbers.push_back(count.digitValue());
        numbers.insert(numbers.end(), prices.begin(), prices.end());
        Game g(Draws::scripted(numbers));
        // Drawing more numbers than these, or one above its bound, throws.
        QVERIFY_THROWS_NO_EXCEPTION(g.exercise.start());

        const QString purse = purses.last();
        for (int type = 0; type < CoinTypeCount; ++type) {
            const int count = purse[type].digitValue();
            QCOMPARE(int(g.state().purseCount[type]), count);
            for (int place = 0; place < PlacesPerType; ++place)
                QCOMPARE(g.state().cells[cellOf(type, place)], place < count ? Cell::Shown : Cell::Absent);
        }
        QVERIFY(qAbs(g.state().purseTotal - total) < 1e-4);
        QCOMPARE(g.label(Role::Price), price);
        QVERIFY(qAbs(g.state().price - readAmount(price.toStdString())) < 1e-5);
    }

    // A copy of an exercise plays on as the same game: it draws the same next purse.
    void copyPlaysTheSameGame() {
        Exercise original(Draws(20261208), ',');
        original.start();
        Exercise copy = original;
        for (Exercise* played : {&original, &copy}) {
            played->editAnswer(played->format(-played->state().price));  // right with nothing given
            played->timePassed(SuccessPause);
        }
        QCOMPARE(copy.state().exerciseCount, 2);
        QVERIFY(copy.state().purseCount == original.state().purseCount);
        QCOMPARE(copy.state().price, original.state().price);
    }
};

QTEST_GUILESS_MAIN(DrawTest)
#include "draw_test.moc"
