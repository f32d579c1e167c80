// The kinds of control the window needs beyond Qt's own.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QWidget>

#include <functional>

namespace piecettes {

// A label that reports a click: a left-button press and release inside it.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

// A coin picture: shows one image and reports which mouse button was pressed on it,
// as 1 (left), 2 (right) or 4 (middle).
class CoinPicture : public QWidget {
    Q_OBJECT
public:
    CoinPicture(const QPixmap& image, QWidget* parent);

signals:
    void pressed(int button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QPixmap image_;
};

// The answer box. Every typed character first goes to the key handler, which may
// replace it or drop it (code 0); Enter arrives as 13 and Backspace as 8. At most
// maxTyped characters can be typed, but text that the program sets is kept whole.
// Typed changes are reported through QLineEdit::textEdited.
class AnswerBox : public QLineEdit {
    Q_OBJECT
public:
    using KeyHandler = std::function<void(int& key)>;
    AnswerBox(int maxTyped, QWidget* parent);
    void setKeyHandler(KeyHandler handler) { keyHandler_ = std::move(handler); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int maxTyped_;
    KeyHandler keyHandler_;
    QString lastText_;
};

}  // namespace piecettes
