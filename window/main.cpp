#include <QApplication>

#include "exercise_window.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("piecettes"));
    QApplication::setApplicationDisplayName(QStringLiteral("Piécettes"));
    // Lets desktops match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.piecettes.Piecettes"));
    // The window's colours are its own; Fusion honours them on every desktop.
    QApplication::setStyle(QStringLiteral("Fusion"));

    piecettes::ExerciseWindow form;
    form.showCentred();
    return QApplication::exec();
}
