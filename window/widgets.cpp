#include "widgets.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QValidator>

namespace piecettes {

void ClickLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click) emit clicked();
}

CoinPicture::CoinPicture(const QPixmap& image, QWidget* parent) : QWidget(parent), image_(image) {
    setCursor(Qt::PointingHandCursor);
}

void CoinPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(rect(), image_);
}

void CoinPicture::mousePressEvent(QMouseEvent* event) {
    int button = 0;
    switch (event->button()) {
        case Qt::LeftButton: button = 1; break;
        case Qt::RightButton: button = 2; break;
        case Qt::MiddleButton: button = 4; break;
        default: event->ignore(); return;
    }
    event->accept();
    emit pressed(button);
}

namespace {

// Refuses a pasted or typed text that grows beyond the limit, while text the program
// set longer than that can still be shortened.
class LengthValidator : public QValidator {
public:
    LengthValidator(int maxTyped, const QString& lastText, QObject* parent)
        : QValidator(parent), maxTyped_(maxTyped), lastText_(lastText) {}
    State validate(QString& input, int&) const override {
        return input.size() <= maxTyped_ || input.size() < lastText_.size() ? Acceptable : Invalid;
    }

private:
    int maxTyped_;
    const QString& lastText_;
};

constexpr int EnterCode = 13;
constexpr int BackspaceCode = 8;

// The character code a key sends to the key handler, or -1 for keys that edit or
// move without typing a character (arrows, Delete, shortcuts, Tab).
int characterCode(const QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return EnterCode;
    if (event->key() == Qt::Key_Backspace) return BackspaceCode;
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return -1;
    const QString text = event->text();
    if (text.size() != 1 || !text.at(0).isPrint()) return -1;
    return text.at(0).unicode();
}

}  // namespace

AnswerBox::AnswerBox(int maxTyped, QWidget* parent) : QLineEdit(parent), maxTyped_(maxTyped) {
    setValidator(new LengthValidator(maxTyped, lastText_, this));
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) { lastText_ = text; });
}

void AnswerBox::keyPressEvent(QKeyEvent* event) {
    int code = characterCode(event);
    if (code < 0) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
    if (keyHandler_) keyHandler_(code);
    if (code == 0 || code == EnterCode) return;
    if (code == BackspaceCode) {
        backspace();
        return;
    }
    const QString typed(QChar(static_cast<char16_t>(code)));
    if (text().size() - selectedText().size() + 1 > maxTyped_) return;
    insert(typed);
}

}  // namespace piecettes
