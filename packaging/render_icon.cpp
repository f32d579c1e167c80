// Build-time tool: renders the program's SVG icon to a square PNG.
// Usage: piecettes_render_icon <input.svg> <size> <output.png>
// It draws with QSvgRenderer, as the window does for the same icon, so the installed
// PNGs match the window icon and the build needs no other package.
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>

namespace {

constexpr int MinimumSize = 16;
constexpr int MaximumSize = 1024;

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: piecettes_render_icon <input.svg> <size> <output.png>\n");
        return 2;
    }
    bool isNumber = false;
    const int size = QString::fromLocal8Bit(argv[2]).toInt(&isNumber);
    if (!isNumber || size < MinimumSize || size > MaximumSize) {
        std::fprintf(stderr, "piecettes_render_icon: the size must be %d to %d pixels\n",
                     MinimumSize, MaximumSize);
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "piecettes_render_icon: cannot read %s\n", argv[1]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "piecettes_render_icon: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
