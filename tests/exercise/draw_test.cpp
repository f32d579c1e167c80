// The start of the series and the purse and price draw of every exercise.
#include "fakes.h"
#include "locale_check.h"

using namespace piecettes;
using namespace piecettes::fakes;

class DrawTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { piecettes::test::verifyAskedLocale(); }

    void seriesStart() {
        Game g;
        g.start(FullPurse, 3, 5);
        for (int cell = 0; cell < CellCount; ++cell) {
            QCOMPARE(g[QString("squareColour %1").arg(cell)], QString::number(ButtonFace));
            QCOMPARE(g.controls.squareAt[cell].left, FakeControls::PlaceLeft[cellPlace(cell)] + 100);
            QCOMPARE(g.controls.squareAt[cell].top, FakeControls::TypeTop[cellType(cell)] + 80);
        }
        QVERIFY(g.controls.logged({"move 0 220 320", "move 39 4180 6320", "tag 0"}));
        QCOMPARE(g.count(), 1);
        QCOMPARE(g.random.reseeds, 1);
        QCOMPARE(g["caption Instruction"], QString("Clique sur les pièces que tu donnes puis sur OK quand tu en as assez."));
        QCOMPARE(g["caption Price"], QString("3,05"));
        QVERIFY(g.controls.logged({"caption Feedback ", "caption GivenTotal ", "caption Price 3,05", "focus Window"}));

        // Only the first activation starts the series.
        g.random.queueExercise(FullPurse, 4, 0);
        const QStringList before = g.controls.log;
        g.exercise.windowActivated();
        QCOMPARE(g.controls.log, before);
        QCOMPARE(g.random.numbers.size(), NumbersPerExercise);
    }

    // numbers: what the random source gives, in order; the draw must use every one.
    void draw_data() {
        QTest::addColumn<QList<double>>("numbers");
        QTest::addColumn<QList<int>>("counts");
        QTest::addColumn<double>("purse");
        QTest::addColumn<QString>("price");
        QTest::newRow("counts are floor(r x 6), price euros then cents")
            << QList<double>{0.0, 0.1667, 0.34, 0.5, 0.67, 0.9999, 0.1666, 0.99, 0.25, 0.055}
            << QList<int>{0, 1, 2, 3, 4, 5, 0, 5} << 13.72 << "3,05";
        QTest::newRow("fullest purse takes the dearest price at once")
            << QList<double>{0.99, 0.99, 0.99, 0.99, 0.99, 0.99, 0.99, 0.99, 0.9999, 0.9999}
            << QList<int>{5, 5, 5, 5, 5, 5, 5, 5} << 19.40 << "11,99";
        QTest::newRow("price equal to the purse or above drawn again")
            << QList<double>{0, 0, 0, 0, 0, 0, 0, 0.17, 0.17, 0.0, 0.99, 0.99, 0.09, 0.995}
            << QList<int>{0, 0, 0, 0, 0, 0, 0, 1} << 2.0 << "1,99";
        QTest::newRow("one-cent purse waits for 0,00")
            << QList<double>{0.17, 0, 0, 0, 0, 0, 0, 0, 0.0, 0.01, 0.5, 0.5, 0.0, 0.0}
            << QList<int>{1, 0, 0, 0, 0, 0, 0, 0} << 0.01 << "0,00";
        QTest::newRow("empty purse drawn again")
            << QList<double>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.17, 0, 0.0, 0.5}
            << QList<int>{0, 0, 0, 0, 0, 0, 1, 0} << 1.0 << "0,50";
    }
    void draw() {
        QFETCH(QList<double>, numbers);
        QFETCH(QList<int>, counts);
        QFETCH(double, purse);
        QFETCH(QString, price);
        Game g;
        g.random.numbers.assign(numbers.begin(), numbers.end());
        g.exercise.windowActivated();

        QVERIFY2(g.random.numbers.empty(), "the draw stopped before using every number");
        QCOMPARE(g.random.reseeds, 1);
        const ExerciseState& state = g.exercise.state();
        for (int type = 0; type < CoinTypeCount; ++type) {
            QCOMPARE(int(state.purseCount[type]), counts[type]);
            for (int place = 0; place < PlacesPerType; ++place) {
                const int cell = cellOf(type, place);
                QCOMPARE(g[QString("picture %1").arg(cell)], QString::number(place < counts[type]));
                QCOMPARE(g[QString("square %1").arg(cell)], QString("0"));
            }
        }
        QVERIFY(qAbs(state.purseTotal - purse) < 1e-4);
        QCOMPARE(g["caption Price"], price);
        QVERIFY(qAbs(state.price - readAmount(price.toStdString())) < 1e-5);
    }

    // After a win the next exercise starts afresh, leaving the answer text and the hint alone.
    void nextExercise() {
        Game g;
        g.start(FullPurse, 3, 45);
        for (int coin : {Euro2, Euro1, Cent50}) g.give(coin);
        g.exercise.okPressed();  // the change question, 0,05 due
        g.random.queueExercise({1, 0, 0, 0, 0, 0, 0, 0}, 0, 0);
        g.type("0,05");
        const qsizetype mark = g.controls.log.size();
        g.pass();
        QCOMPARE(g.count(), 2);
        QCOMPARE(g.random.reseeds, 2);
        QVERIFY(g.controls.logged({"caption Feedback ", "caption GivenTotal ", "tag 0", "square 39 0", "picture 0 1"}, mark));
        for (int type = 0; type < CoinTypeCount; ++type) QCOMPARE(int(g.exercise.state().givenCount[type]), 0);
        QCOMPARE(g.exercise.state().givenTotal, 0.0f);
        QCOMPARE(g["caption Price"], QString("0,00"));
        QCOMPARE(g.text(), QString("0,05"));
        QCOMPARE(g["caption Hint"], QString(text::RightClickHint));
    }
};

QTEST_GUILESS_MAIN(DrawTest)
#include "draw_test.moc"
