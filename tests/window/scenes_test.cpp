// Every text the window can show fits inside its box, in each scene of a series.
// With PIECETTES_SCREENSHOTS set to a folder, each scene is also saved there as a PNG.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "keyboard.h"
#include "locale_check.h"
#include "window_fixture.h"

using namespace piecettes;

namespace {

enum Coin { Cent1, Cent2, Cent5, Cent10, Cent20, Cent50, Euro1, Euro2 };

}  // namespace

class ScenesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { piecettes::test::verifyAskedLocale(); }

    void everyTextFitsItsBox();

private:
    // Checks every shown label of the window and saves the scene when asked.
    void scene(const QString& name);
    void give(int type, int place) { QTest::mousePress(w_.picture(cellOf(type, place)), Qt::LeftButton); }
    void clickOk() { QTest::mouseClick(w_.ok(), Qt::LeftButton); }

    // The dearest price, and the whole purse handed over: the longest amounts; then exact
    // payments of one cent, up to the widest score line.
    test::WindowUnderTest w_{test::exercises({test::exercise("55555555", 11, 99), test::exercise("55555555", 0, 1)})};
    int scenes_ = 0;
};

void ScenesTest::scene(const QString& name) {
    ++scenes_;
    QApplication::processEvents();
    for (QLabel* label : w_.form().findChildren<QLabel*>()) {
        if (!label->isVisible() || label->text().isEmpty()) continue;
        const QRect box = label->contentsRect();
        const QRect needed =
            label->fontMetrics().boundingRect(box, int(label->alignment()) | Qt::TextWordWrap, label->text());
        QVERIFY2(box.contains(needed), qPrintable(QStringLiteral("%1: %2 \"%3\" needs %4×%5 in %6×%7")
                                                      .arg(name, label->objectName(), label->text())
                                                      .arg(needed.width())
                                                      .arg(needed.height())
                                                      .arg(box.width())
                                                      .arg(box.height())));
    }
    const QString folder = qEnvironmentVariable("PIECETTES_SCREENSHOTS");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        QVERIFY(w_.form().grab().save(QDir(folder).filePath(QStringLiteral("%1-%2.png").arg(scenes_).arg(name))));
    }
}

void ScenesTest::everyTextFitsItsBox() {
    QVERIFY(w_.open());
    scene(QStringLiteral("purse"));
    clickOk();
    scene(QStringLiteral("more"));
    for (int type = Euro2; type >= Cent1; --type)
        for (int place = 0; place < PlacesPerType; ++place) give(type, place);
    clickOk();
    scene(QStringLiteral("too-many"));

    // Keep 12,00: five 2-euro coins and two 1-euro coins.
    for (int cell = 0; cell < CellCount; ++cell) {
        const bool keep = cellType(cell) == Euro2 || (cellType(cell) == Euro1 && cellPlace(cell) < 2);
        if (!keep) QTest::mouseClick(w_.square(cell), Qt::LeftButton);
    }
    scene(QStringLiteral("taken-back"));
    clickOk();
    QCOMPARE(w_.state().phase, Phase::Change);
    scene(QStringLiteral("change-question"));
    QLineEdit* text7 = w_.answerBox();
    test::keyboard().click(text7, Qt::Key_Return);
    scene(QStringLiteral("wrong"));
    for (int i = 0; i < 6; ++i) QTest::mousePress(w_.picture(Euro2), Qt::RightButton);
    QCOMPARE(text7->text(), QStringLiteral("-12,00"));
    scene(QStringLiteral("negative-answer"));

    // Then exact payments of one cent.
    text7->clear();
    test::keyboard().type(text7, "0,01");
    w_.pass();
    for (int exercise = 2; exercise < SeriesLength; ++exercise) {
        give(Cent1, 0);
        w_.pass();
    }
    QCOMPARE(w_.state().exerciseCount, SeriesLength);
    scene(QStringLiteral("score"));

    // The last exercise, won by typing the change due.
    give(Euro2, 0);
    clickOk();
    test::keyboard().type(text7, "1,99");
    QVERIFY(w_.state().finished);
    scene(QStringLiteral("series-done"));
    QCOMPARE(scenes_, 9);
}

QTEST_MAIN(ScenesTest)
#include "scenes_test.moc"
