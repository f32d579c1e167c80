// The touch screen of the window suites: taps and holds on the clock of its own.
#pragma once

#include <QPoint>

#include "input_clock.h"

class QPointingDevice;
class QWidget;

namespace piecettes::test {

// A finger put on a widget's centre and lifted, the touch events stamped with the time
// of the touch screen's clock: a tap lifts soon and a hold lifts once the platform's
// press-and-hold time is over, by that clock. So no test waits out a hold, and a busy
// machine that lets time pass between the two events cannot turn a tap into a hold.
class TouchScreen final : public InputClock {
    Q_OBJECT
public:
    void tap(QWidget* target);
    void hold(QWidget* target);
    // A finger that slides this far from the centre before it lifts.
    void slide(QWidget* target, QPoint by);

private:
    explicit TouchScreen(QObject* application);
    friend TouchScreen& touchScreen();
    void touch(QWidget* target, unsigned long stay, QPoint by = {});

    QPointingDevice* device_;
};

// The application's touch screen, made at its first use; the application owns it.
TouchScreen& touchScreen();

}  // namespace piecettes::test
