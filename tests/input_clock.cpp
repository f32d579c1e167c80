#include "input_clock.h"

#include <QInputEvent>

namespace piecettes::test {

InputClock::InputClock(QObject* application, QList<QEvent::Type> stamped)
    : QObject(application), types_(std::move(stamped)) {
    application->installEventFilter(this);
}

bool InputClock::eventFilter(QObject* watched, QEvent* event) {
    // As the widgets get them. Qt makes a widget's touch event from its window's, and
    // should their times differ, it would part the event's touch points from its record
    // of them and lose the widget that took the touch. The event's own time only, for the
    // same reason.
    if (stamp_ != 0 && watched->isWidgetType() && types_.contains(event->type()))
        static_cast<QInputEvent*>(event)->QInputEvent::setTimestamp(stamp_);
    return false;
}

}  // namespace piecettes::test
