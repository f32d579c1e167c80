// The child program of the fault tests: wins the first exercise, and ends the program
// during the real success pause that follows.
//   fault_helper quit    clicks Quitter
//   fault_helper close   closes the window, as a window manager would
// It prints "ending pausing=P" just before it ends the program, then, once the event loop
// has returned, "exit exercises=N waiting=W ms=T": the exercises drawn, whether the window
// still waited for the pause's time, and the milliseconds since "ending".
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstring>

#include "exercise_window.h"
#include "script.h"

namespace {

// A click delivered to the window at the widget's place, as the platform would.
void click(QWidget* widget) {
    QTest::mouseClick(widget->window()->windowHandle(), Qt::LeftButton, {},
                      widget->mapTo(widget->window(), widget->rect().center()));
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const bool quitter = argc < 2 || std::strcmp(argv[1], "close") != 0;

    piecettes::faults::ScriptedRandom random;
    piecettes::ExerciseWindow form(piecettes::WindowOptions{.random = &random, .decimalSeparator = ','});
    form.showCentred();

    QElapsedTimer sinceEnding;
    QTimer::singleShot(0, &form, [&] {
        if (!QTest::qWaitForWindowActive(&form) || !form.exercise().seriesStarted()) {
            std::printf("the series did not start\n");
            QCoreApplication::exit(1);
            return;
        }
        // Pays the price exactly: the pause starts, and lasts longer than the ending may take.
        click(form.findChild<QWidget*>(QStringLiteral("Picture1(%1)").arg(piecettes::faults::FiftyCentCell)));
        std::printf("ending pausing=%d\n", form.exercise().pausing() ? 1 : 0);
        std::fflush(stdout);
        sinceEnding.start();
        if (quitter)
            click(form.findChild<QWidget*>(QStringLiteral("Command3")));
        else
            form.close();
    });
    const int code = QApplication::exec();
    std::printf("exit exercises=%d waiting=%d ms=%lld\n", random.exercisesDrawn, form.waitingForTime() ? 1 : 0,
                static_cast<long long>(sinceEnding.isValid() ? sinceEnding.elapsed() : -1));
    std::fflush(stdout);
    return code;
}
