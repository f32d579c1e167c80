// The coin pictures and the icon that the build renders to PNG at 1x and 2x match their
// SVG, at the size the window shows them: a stale, misnamed or missized PNG would show a
// wrong picture, or silently send the window back to drawing the SVG at start-up.
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

#include "layout.h"

using namespace piecettes;

namespace {

constexpr int IconSize = 32;
// Storing the premultiplied pixels as PNG and reading them back rounds each channel.
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
            QTest::addRow("%s@%dx", name, scale) << QString::fromLatin1(name) << layout::toPixels(layout::PictureSize[type]) << scale;
        }
        QTest::addRow("piecettes@%dx", scale) << QStringLiteral("piecettes") << IconSize << scale;
    }
}

void PicturesTest::matchesItsSvg() {
    QFETCH(QString, name);
    QFETCH(int, size);
    QFETCH(int, scale);
    const QString png = QStringLiteral(":/%1%2.png").arg(name, scale == 1 ? QString() : QStringLiteral("@%1x").arg(scale));
    QImageReader reader(png, "png");
    const QImage stored = reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QVERIFY2(!stored.isNull(), qPrintable(png + QStringLiteral(": ") + reader.errorString()));
    QCOMPARE(stored.size(), QSize(size, size) * scale);

    const QImage drawn = drawnSvg(QStringLiteral(":/%1.svg").arg(name), stored.size());
    QVERIFY2(largestDifference(stored, drawn) <= Tolerance,
             qPrintable(QStringLiteral("%1 differs from its SVG by %2").arg(png).arg(largestDifference(stored, drawn))));
}

QTEST_MAIN(PicturesTest)
#include "pictures_test.moc"
