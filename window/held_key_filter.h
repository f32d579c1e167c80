// A held key acts once on the window's controls.
#pragma once

#include <QHash>
#include <QObject>
#include <QSet>

class QKeyEvent;
class QWidget;

namespace piecettes {

// Drops the repeats of a held key, so that one press acts at most once.
//
// The X server repeats a held key as a release and a press that share one timestamp.
// Qt flags most such presses as auto-repeat but misses some, and a missed one looks
// like a new press; a control that checks isAutoRepeat() alone is played for the child.
// Installed on every control that takes the keyboard (watch()), this filter judges each
// key press, and each shortcut override, which Qt sends for a press before it tries the
// shortcuts:
// - A press is a repeat when it is flagged as one, or when its timestamp equals that of
//   the last release of the same key that reached a watched control. A press with
//   timestamp 0, made by a program rather than a keyboard, is a repeat only when flagged.
// - A press that is no repeat passes. It makes the typing control (setTyping()) the
//   key's holder when it reaches that control, and clears the holder otherwise.
// - A repeat passes only to the typing control while it holds the key: a text box
//   types on as long as the key is held there. Every other repeat is dropped, on every
//   control, and so is a repeat of a key first pressed on another control after the
//   focus moved into the typing control. A dropped shortcut override is taken, so
//   that no shortcut acts on the repeat either.
// Releases always pass; the filter only notes their timestamps.
class HeldKeyFilter final : public QObject {
public:
    explicit HeldKeyFilter(QObject* parent) : QObject(parent) {}
    void watch(QWidget* control);
    void setTyping(QWidget* control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isRepeat(const QKeyEvent& event) const;

    // Compared, never followed.
    const QObject* typing_ = nullptr;
    // By key code: the timestamp of its last release.
    QHash<int, quint64> lastRelease_;
    // The keys first pressed on the typing control and not pressed anywhere else since.
    QSet<int> typingHolds_;
};

}  // namespace piecettes
