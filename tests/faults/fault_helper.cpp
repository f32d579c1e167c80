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

#include "script.h"
#include "window_fixture.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const bool quitter = argc < 2 || std::strcmp(argv[1], "close") != 0;

    // The window's own timer runs the pause.
    const piecettes::test::WindowUnderTest g(piecettes::faults::script(), {});
    QElapsedTimer sinceEnding;
    QTimer::singleShot(0, &g.form(), [&] {
        if (!g.open() || !g.state().started) {
            std::printf("the series did not start\n");
            QCoreApplication::exit(1);
            return;
        }
        // Pays the price exactly: the pause starts, and lasts longer than the ending may take.
        g.click(g.picture(piecettes::faults::FiftyCentCell));
        std::printf("ending pausing=%d\n", g.exercise().pausing() ? 1 : 0);
        std::fflush(stdout);
        sinceEnding.start();
        if (quitter)
            g.click(g.control(QLatin1String(piecettes::layout::QuitButton.name)));
        else
            g.form().close();
    });
    const int code = QApplication::exec();
    std::printf("exit exercises=%d waiting=%d ms=%lld\n", g.state().exerciseCount, g.form().waitingForTime() ? 1 : 0,
                static_cast<long long>(sinceEnding.isValid() ? sinceEnding.elapsed() : -1));
    std::fflush(stdout);
    return code;
}
