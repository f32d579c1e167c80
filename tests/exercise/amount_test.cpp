// Reading amounts typed by a child and writing amounts for display.
#include "amount.h"
#include "amount_rows.h"
#include "locale_check.h"

#include <QTest>

using piecettes::formatAmount;
using piecettes::readAmount;

// The rows are shared with the amount printer, which checks that both builds agree.
const piecettes::test::AmountRows& rows() {
    static const auto table = piecettes::test::readAmountRows(PIECETTES_AMOUNT_ROWS);
    return table;
}

class AmountTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        piecettes::test::verifyAskedLocale();
        QVERIFY2(rows().ok, "cannot read the rows of " PIECETTES_AMOUNT_ROWS);
    }

    void reading_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        for (const auto& row : rows().reading)
            QTest::newRow(row.name.c_str()) << QString::fromStdString(row.text) << row.expected;
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
        for (const auto& row : rows().writing)
            QTest::newRow(row.name.c_str()) << row.amount << QString::fromStdString(row.withComma)
                                            << QString::fromStdString(row.withPoint);
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
