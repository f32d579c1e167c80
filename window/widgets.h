// The kinds of control the window needs beyond Qt's own.
#pragma once

#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

#include "exercise.h"

namespace piecettes {

// A label that reports a click: a left-button press and release inside it, or a tap,
// which Qt turns into those. One that takes the focus (a take-back square) is also
// activated by Space or Enter, and then shows a focus ring.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    // What Space or Enter does, for assistive tools. A hidden label does nothing: it may
    // still hold its window's focus while that window is not active.
    void activate();

signals:
    void clicked();
    // Space or Enter while it has the focus, or an assistive tool's press.
    void activated();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool pressed_ = false;
};

// A take-back square: a clickable label in the tab order, which stands for a coin
// handed over. Assistive technology presents it as a button.
class TakeBackSquare : public ClickLabel {
    Q_OBJECT
public:
    explicit TakeBackSquare(QWidget* parent);
};

// The purse: the box around the coin grid. Assistive technology presents it as a group
// of controls, where a plain frame would pass for a window of its own.
class Purse : public QFrame {
    Q_OBJECT
public:
    using QFrame::QFrame;
};

// A coin picture: shows one image and reports a press on it as a mouse button.
// - Mouse: the button pressed.
// - Touch: a tap is a left press; a finger held for the platform's press-and-hold time
//   is a right press, and a ring that fills shows the hold being counted. Both count
//   when the finger lifts; a finger that slid off the coin does nothing. The time the
//   finger stayed is read from the touch events' own times, so that a busy machine that
//   handles the lift late does not turn a tap into a hold.
// - Keyboard, with the focus on it: Space or Enter is a left press, Shift+Space or the
//   Menu key a right press. The focused coin shows a ring.
class CoinPicture : public QWidget {
    Q_OBJECT
public:
    CoinPicture(const QPixmap& image, QWidget* parent);
    // What the keyboard does, for assistive tools. A hidden coin does nothing: it may
    // still hold its window's focus while that window is not active.
    void activate(Button button);

signals:
    // A mouse button or a finger.
    void pressed(Button button);
    // The keyboard or an assistive tool.
    void activated(Button button);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // How far the hold has come, from 0 to 1, as the ring shows it.
    double holdProgress() const;
    // Ends the touch; a lift at this event time counts as a press.
    void endTouch(std::optional<quint64> liftedAt);

    QPixmap image_;
    // The finger being followed, while one touches the coin and has not slid off it.
    int touchId_ = -1;
    // When the finger came: the touch event's time, and this machine's clock for the ring.
    quint64 touchedAt_ = 0;
    QElapsedTimer held_;
    QTimer ringTimer_;
};

// A command button painted flat in its background colour (the palette's Button role),
// inside a raised 3-D edge that sinks while it is pressed, as a classic push button of
// that colour looks; the focus shows as the coins' ring. The edge takes the system's
// light and shadow colours.
class FlatButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The answer box. Every typed character first goes to the key handler, which returns
// what enters in its place, or 0 for nothing; Enter arrives as '\r' and Backspace as '\b'. At most
// maxTyped characters can be typed, but text that the program sets is kept whole.
// Typed changes are reported through QLineEdit::textEdited. The box is never seen: it
// has no menu, and taking the focus by Tab selects nothing and puts the caret at the end,
// so that the next key does not replace an answer the child cannot see.
class AnswerBox : public QLineEdit {
    Q_OBJECT
public:
    using KeyHandler = std::function<char32_t(char32_t key)>;
    AnswerBox(int maxTyped, QWidget* parent);
    void setKeyHandler(KeyHandler handler) { keyHandler_ = std::move(handler); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    int maxTyped_;
    KeyHandler keyHandler_;
    QString lastText_;
};

}  // namespace piecettes
