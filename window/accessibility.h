// How the window's own kinds of control show themselves to assistive technology:
// screen readers and switch devices reach them through Qt's accessibility bridge
// (AT-SPI on Linux).
#pragma once

#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace piecettes {

// Presents each coin (CoinPicture) and take-back square (TakeBackSquare) as a push
// button, named by its accessible name, with a press action that does what Space does
// on it. A coin also has the show-menu action, which does what Shift+Space does: in
// the change question it takes the coin away. Actions run once the caller has had its
// answer, as a click does. The purse (Purse) is a group named by its accessible name:
// as a plain frame, screen readers take it for an inactive window and keep silent about
// the coins in it. Safe to call more than once.
void installAccessibility();

// An unseen control through which the window speaks: each message, a sentence, reaches
// a screen reader as a notification. Messages said in one turn of the event loop are spoken
// together, after the focus has moved, so that the screen reader reads the new focus
// first. While no assistive technology listens, saying costs nothing.
class Announcer : public QWidget {
    Q_OBJECT
public:
    explicit Announcer(QWidget* parent);
    void say(const QString& message);

private:
    void speak();

    QStringList pending_;
    QTimer timer_;
};

}  // namespace piecettes
