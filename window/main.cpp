#include <QApplication>

#include "exercise_window.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("piecettes"));
    // Lets desktops match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.piecettes.Piecettes"));
    // No application display name: on X11 Qt appends it to every window title, and
    // the Info box must read "INFO". The main window names itself "Piécettes".
    // The window's colours are its own; Fusion honours them on every desktop.
    QApplication::setStyle(QStringLiteral("Fusion"));

    piecettes::ExerciseWindow form;
    form.showCentred();
    return QApplication::exec();
}
