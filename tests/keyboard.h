// The one keyboard of the tests and the bench: every key they send carries a time of
// its clock.
#pragma once

#include <QObject>
#include <QString>

class QWidget;
class QWindow;

namespace piecettes::test {

// Sends keys to a widget, or to a window as the platform delivers them, and stamps every
// event it sends (the press, the shortcut override that goes ahead of it, the release)
// with the time of one clock per application.
//
// Left to itself, Qt stamps a key sent to a widget with 0 and a key sent to a window with
// the current millisecond, so that the press of a key just released can share the
// release's timestamp, and the window takes it for the X server's auto-repeat of a held
// key. This clock never reads the real time: it starts above 0 and advances at every
// press and every release, so that no two events share a timestamp but the release and
// the press of repeat(), which means one.
class Keyboard final : public QObject {
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit Keyboard(QObject* application);
    friend Keyboard& keyboard();
    // A press or a release at the next time of the clock.
    template <typename Target>
    void send(bool press, Target* target, Qt::Key key, const QString& text, Qt::KeyboardModifiers modifiers);
    template <typename Target>
    void clickOn(Target* target, Qt::Key key, const QString& text, Qt::KeyboardModifiers modifiers);
    // Runs the sending with every key event it makes stamped with the time given.
    template <typename Send>
    void stamped(unsigned long time, Send send);

    unsigned long now_ = 0;
    // The stamp of the events being sent; 0 between sends, when events are left alone.
    unsigned long stamp_ = 0;
};

// The application's keyboard, made at its first use; the application owns it.
Keyboard& keyboard();

}  // namespace piecettes::test
