// The one keyboard of the tests and the bench: every key they send carries a time of
// its clock.
#pragma once

#include <QString>

#include "input_clock.h"

class QWidget;
class QWindow;

namespace piecettes::test {

// Sends keys to a widget, or to a window as the platform delivers them, and stamps every
// event it sends (the press, the shortcut override that goes ahead of it, the release)
// with the time of the keyboard's clock.
//
// Left to itself, Qt stamps a key sent to a widget with 0 and a key sent to a window with
// the current millisecond, so that the press of a key just released can share the
// release's timestamp, and the window takes it for the X server's auto-repeat of a held
// key. The keyboard's clock advances at every press and every release, so that no two
// events share a timestamp but the release and the press of repeat(), which means one.
class Keyboard final : public InputClock {
    Q_OBJECT
public:
    // A key pressed then released. The text is the key's own, as QTest gives it, unless
    // one is given.
    void click(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {});
    void click(QWindow* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {});
    void click(QWindow* target, Qt::Key key, const QString& text, Qt::KeyboardModifiers modifiers);
    void press(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {});
    void release(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {});
    // Each character clicked in turn: an ASCII one with its key, any other with its text alone.
    void type(QWidget* target, const QString& text);
    void type(QWindow* target, const QString& text);
    // The X server's repeat of a held key: a release and a press that share one
    // timestamp, flagged as auto-repeat or not. Each goes to the focus widget of its moment.
    void repeat(Qt::Key key, bool flagged);

private:
    explicit Keyboard(QObject* application);
    friend Keyboard& keyboard();
    // A press or a release at the next time of the clock.
    template <typename Target>
    void send(bool press, Target* target, Qt::Key key, const QString& text, Qt::KeyboardModifiers modifiers);
    template <typename Target>
    void clickOn(Target* target, Qt::Key key, const QString& text, Qt::KeyboardModifiers modifiers);
};

// The application's keyboard, made at its first use; the application owns it.
Keyboard& keyboard();

}  // namespace piecettes::test
