// Build-time tool: renders one of the program's SVG pictures to a file.
// Usage: piecettes_render_picture <input.svg> <size> <output.png | output.argb32>
// The size is a width in pixels, or "Nx" for N times the picture's own width; the height
// keeps the picture's proportions. A .png is for the desktop's icon theme. A .argb32
// holds the bare pixels for the window to show without decoding or converting anything:
// QImage::Format_ARGB32_Premultiplied, one 32-bit word a pixel in the byte order of the
// machine that runs it, row after row from the top, with no header, since the window
// knows each picture's size. It draws with QSvgRenderer, as the window does for the pixel
// ratios it has no pictures for, so both match, and the build needs no other package.
// A cross build runs this tool built for the target, through the toolchain's emulator:
// the pixels are then the target's Qt's own, as a build on the target would make them
// (arm64's Qt rounds a few edge pixels 1/255 apart from amd64's).
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>

namespace {

constexpr int MinimumSize = 16;
constexpr int MaximumSize = 1024;
constexpr int MaximumScale = 8;

bool writePixels(const QImage& image, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const qint64 rowBytes = qint64(image.width()) * 4;
    for (int y = 0; y < image.height(); ++y) {
        if (file.write(reinterpret_cast<const char*>(image.constScanLine(y)), rowBytes) != rowBytes) return false;
    }
    return file.flush();
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: piecettes_render_picture <input.svg> <size | Nx> <output.png | output.argb32>\n");
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "piecettes_render_picture: cannot read %s\n", argv[1]);
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
        std::fprintf(stderr, "piecettes_render_picture: the size must be %d to %d pixels, or 1x to %dx\n",
                     MinimumSize, MaximumSize, MaximumScale);
        return 2;
    }
    QImage image(width, width * own.height() / own.width(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    const QString output = QString::fromLocal8Bit(argv[3]);
    const bool written = output.endsWith(QLatin1String(".argb32")) ? writePixels(image, output) : image.save(output, "PNG");
    if (!written) {
        std::fprintf(stderr, "piecettes_render_picture: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
