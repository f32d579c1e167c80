// The toolkit's floor: an empty frameless Qt Widgets window of Piécettes' size,
// started and shown the way Piécettes is, against which its start-up and memory are
// compared. Built with BASELINE_TEXT it also shows one line of text, which is the
// floor of any window with text: the font database must be loaded first.
#include <QApplication>
#include <QLabel>
#include <QWidget>

namespace {
constexpr int Width = 800;
constexpr int Height = 600;
}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.setFixedSize(Width, Height);
#ifdef BASELINE_TEXT
    QLabel label(QStringLiteral("Tu dois payer :"), &window);
    label.setFont(QFont(QStringLiteral("Comic Neue"), 24));
    label.move(Width / 2, Height / 2);
#endif
    window.show();
    window.activateWindow();
    return QApplication::exec();
}
