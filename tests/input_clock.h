// The clock of the input events that the tests and the bench send.
#pragma once

#include <QEvent>
#include <QList>
#include <QObject>

namespace piecettes::test {

// Stamps the events of the given types that a test sends with the time of a clock of its
// own, one per application and per kind of input. Left to itself, Qt stamps them with 0
// or with the current millisecond, so that what they mean (a repeat of a held key, a
// finger held rather than tapped) would hang on the machine's speed. The clock never
// reads the real time: it starts above 0 and moves only when its owner advances it.
class InputClock : public QObject {
    Q_OBJECT
protected:
    InputClock(QObject* application, QList<QEvent::Type> stamped);
    // The clock moved on by this many milliseconds: the time of the next events.
    unsigned long advance(unsigned long by) { return now_ += by; }
    // Runs the sending with every event of the stamped types that it makes stamped with
    // the time given. Another one, sent from inside it, has its own.
    template <typename Send>
    void stamped(unsigned long time, Send send) {
        const unsigned long outer = stamp_;
        stamp_ = time;
        send();
        stamp_ = outer;
    }
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QEvent::Type> types_;
    unsigned long now_ = 0;
    // The stamp of the events being sent; 0 between sends, when events are left alone.
    unsigned long stamp_ = 0;
};

}  // namespace piecettes::test
