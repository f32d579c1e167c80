// Build-time tool: renders one of the program's SVG pictures to a PNG.
// Usage: piecettes_render_png <input.svg> <size> <output.png>
// The size is a width in pixels, or "Nx" for N times the picture's own width; the height
// keeps the picture's proportions. It draws with QSvgRenderer, as the window does for
// the pixel ratios it has no PNG for, so the PNGs match what the window would draw, and
// the build needs no other package.
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>

namespace {

constexpr int MinimumSize = 16;
constexpr int MaximumSize = 1024;
constexpr int MaximumScale = 8;

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: piecettes_render_png <input.svg> <size | Nx> <output.png>\n");
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "piecettes_render_png: cannot read %s\n", argv[1]);
        return 1;
    }
    const QSize own = renderer.defaultSize();
    QString sizeText = QString::fromLocal8Bit(argv[2]);
    const bool scaled = sizeText.endsWith(QLatin1Char('x'));
    if (scaled) sizeText.chop(1);
    bool isNumber = false;
    const int number = sizeText.toInt(&isNumber);
    const int width = scaled ? number * own.width() : number;
    if (!isNumber || (scaled && (number < 1 || number > MaximumScale)) || width < MinimumSize || width > MaximumSize ||
        own.isEmpty()) {
        std::fprintf(stderr, "piecettes_render_png: the size must be %d to %d pixels, or 1x to %dx\n", MinimumSize,
                     MaximumSize, MaximumScale);
        return 2;
    }
    QImage image(width, width * own.height() / own.width(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    // Quality 100 stores the pixels without deflating them: the window reads its PNGs
    // at start-up, where inflating took as long as reading.
    if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG", 100)) {
        std::fprintf(stderr, "piecettes_render_png: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
