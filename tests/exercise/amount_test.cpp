// Reading amounts typed by a child and writing amounts for display.
#include "amount.h"
#include "locale_check.h"

#include <QTest>
#include <limits>

using piecettes::formatAmount;
using piecettes::readAmount;

class AmountTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { piecettes::test::verifyAskedLocale(); }

    void reading_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("comma") << "2,50" << 2.5;
        QTest::newRow("point") << "2.50" << 2.5;
        QTest::newRow("only the first comma is a point") << "1,2,3" << 1.2;
        QTest::newRow("euro sign after a blank") << "3 €" << 3.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("negative with comma") << "-0,50" << -0.5;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("lone comma") << "," << 0.0;
        QTest::newRow("no leading zero") << ",5" << 0.5;
        QTest::newRow("leading zero") << "0,5" << 0.5;
        QTest::newRow("blanks anywhere") << " 1 2.5" << 12.5;
        QTest::newRow("tab and line feed") << "\t1\n,7" << 1.7;
        QTest::newRow("second point stops") << "2.5.1" << 2.5;
        QTest::newRow("no exponent") << "1e999" << 1.0;
        QTest::newRow("no hexadecimal") << "0x10" << 0.0;
        QTest::newRow("sign after digits stops") << "5-3" << 5.0;
    }
    void reading() {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(readAmount(text.toStdString()), expected);
    }

    void writing_data() {
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("withComma");
        QTest::addColumn<QString>("withPoint");
        QTest::newRow("zero") << 0.0 << "0,00"
                              << "0.00";
        QTest::newRow("whole euros") << 12.0 << "12,00"
                                     << "12.00";
        QTest::newRow("one decimal") << 7.5 << "7,50"
                                     << "7.50";
        QTest::newRow("negative") << -0.5 << "-0,50"
                                  << "-0.50";
        QTest::newRow("float sum 0.1 + 0.2") << double(0.1f + 0.2f) << "0,30"
                                             << "0.30";
        QTest::newRow("rounded up to the cent") << 2.999 << "3,00"
                                                << "3.00";
        QTest::newRow("tiny negative") << -0.000001 << "0,00"
                                       << "0.00";
        QTest::newRow("negative rounding to zero") << -0.004 << "0,00"
                                                   << "0.00";
        QTest::newRow("no grouping") << 1234567.0 << "1234567,00"
                                     << "1234567.00";
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "0,00"
                                      << "0.00";
    }
    void writing() {
        QFETCH(double, amount);
        QFETCH(QString, withComma);
        QFETCH(QString, withPoint);
        QCOMPARE(QString::fromStdString(formatAmount(amount, ',')), withComma);
        QCOMPARE(QString::fromStdString(formatAmount(amount, '.')), withPoint);
    }
};

QTEST_GUILESS_MAIN(AmountTest)
#include "amount_test.moc"
