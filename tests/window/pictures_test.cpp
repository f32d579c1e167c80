// The coin pictures and the icon that the build renders at 1x and 2x match their SVG, at
// the size the window shows them: stale, misnamed or missized pixels would show a wrong
// picture, or silently send the window back to drawing the SVG at start-up.
#include <QImage>
#include <QPainter>
#include <QResource>
#include <QSvgRenderer>
#include <QTest>

#include <algorithm>
#include <cstdlib>

#include "layout.h"
#include "locale_check.h"

using namespace piecettes;

namespace {

constexpr int BytesPerPixel = 4;
// The build and the test draw with the same Qt; a Qt update in between may round a few
// edge pixels differently.
constexpr int Tolerance = 2;

QImage drawnSvg(const QString& svg, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QSvgRenderer(svg).render(&painter);
    return image;
}

// The largest difference of one channel between the two pictures.
int largestDifference(const QImage& a, const QImage& b) {
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* rowA = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rowB = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            for (const int shift : {0, 8, 16, 24}) {
                largest = std::max(largest, std::abs(int((rowA[x] >> shift) & 0xFF) - int((rowB[x] >> shift) & 0xFF)));
            }
        }
    }
    return largest;
}

}  // namespace

class PicturesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { piecettes::test::verifyAskedLocale(); }
    void matchesItsSvg_data();
    void matchesItsSvg();
};

void PicturesTest::matchesItsSvg_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("scale");
    for (const int scale : {1, 2}) {
        for (int type = 0; type < int(layout::CoinImages.size()); ++type) {
            const char* name = layout::CoinImages[type];
            QTest::addRow("%s@%dx", name, scale) << QString::fromLatin1(name) << layout::PictureSize[type] << scale;
        }
        QTest::addRow("piecettes@%dx", scale) << QStringLiteral("piecettes") << layout::IconSize << scale;
    }
}

void PicturesTest::matchesItsSvg() {
    QFETCH(QString, name);
    QFETCH(int, size);
    QFETCH(int, scale);
    const QString stored = QStringLiteral(":/%1%2.argb32").arg(name, scale == 1 ? QString() : QStringLiteral("@%1x").arg(scale));
    const QResource pixels(stored);
    QVERIFY2(pixels.isValid(), qPrintable(stored));
    const QSize shown = QSize(size, size) * scale;
    QCOMPARE(pixels.size(), qint64(shown.width()) * shown.height() * BytesPerPixel);
    QCOMPARE(pixels.compressionAlgorithm(), QResource::NoCompression);
    const QImage image(pixels.data(), shown.width(), shown.height(), shown.width() * BytesPerPixel,
                       QImage::Format_ARGB32_Premultiplied);

    const QImage drawn = drawnSvg(QStringLiteral(":/%1.svg").arg(name), shown);
    const int difference = largestDifference(image, drawn);
    QVERIFY2(difference <= Tolerance, qPrintable(QStringLiteral("%1 differs from its SVG by %2").arg(stored).arg(difference)));
}

QTEST_MAIN(PicturesTest)
#include "pictures_test.moc"
