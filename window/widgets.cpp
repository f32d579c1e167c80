#include "widgets.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleHints>
#include <QTouchEvent>
#include <QValidator>

#include <algorithm>

#include "exercise.h"

namespace piecettes {

namespace {

// The focus ring: yellow between two black lines, plain on the teal purse and on every coin.
constexpr QColor FocusColour{255, 255, 0};
constexpr qreal FocusWidth = 3;
constexpr qreal OutlineWidth = 1;
// The raised edge of a flat button: an outer and an inner line on each side.
constexpr int EdgeWidth = 2;
// The hold ring: white on a dark track, drawn over the coin's rim.
constexpr QColor HoldColour{255, 255, 255};
constexpr QColor HoldTrack{0, 0, 0, 110};
constexpr qreal HoldWidth = 5;
constexpr int HoldFrameMs = 30;
// Qt's angles are in sixteenths of a degree.
constexpr int FullCircle = 360 * 16;
constexpr int TwelveOClock = 90 * 16;

// A ring of the focus colour lined in black, inside the box.
void paintFocusRing(QPainter& painter, const QRectF& box, bool round) {
    painter.setRenderHint(QPainter::Antialiasing, round);
    const qreal inset = OutlineWidth + FocusWidth / 2;
    const QRectF ring = box.adjusted(inset, inset, -inset, -inset);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, FocusWidth + 2 * OutlineWidth));
    round ? painter.drawEllipse(ring) : painter.drawRect(ring);
    painter.setPen(QPen(FocusColour, FocusWidth));
    round ? painter.drawEllipse(ring) : painter.drawRect(ring);
}

// A raised edge, light above and left, shadow below and right; a sunken one the other
// way round. Drawn as filled rectangles, it scales whole.
void paintEdge(QPainter& painter, const QRect& box, const QPalette& palette, bool sunken) {
    const auto frame = [&](const QRect& r, const QColor& upperLeft, const QColor& lowerRight) {
        painter.fillRect(r.left(), r.top(), r.width(), 1, upperLeft);
        painter.fillRect(r.left(), r.top(), 1, r.height(), upperLeft);
        painter.fillRect(r.left(), r.bottom(), r.width(), 1, lowerRight);
        painter.fillRect(r.right(), r.top(), 1, r.height(), lowerRight);
    };
    const QColor light = palette.color(QPalette::Light), midlight = palette.color(QPalette::Midlight);
    const QColor dark = palette.color(QPalette::Dark), shadow = palette.color(QPalette::Shadow);
    const QRect inner = box.adjusted(1, 1, -1, -1);
    if (sunken) {
        frame(box, shadow, light);
        frame(inner, dark, midlight);
    } else {
        frame(box, light, shadow);
        frame(inner, midlight, dark);
    }
}

bool activatesLikeAClick(const QKeyEvent* event) {
    return event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

}  // namespace

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

void ClickLabel::keyPressEvent(QKeyEvent* event) {
    if (!activatesLikeAClick(event)) {
        QLabel::keyPressEvent(event);
        return;
    }
    event->accept();
    // A key held down must not take back one coin after another.
    if (!event->isAutoRepeat()) activate();
}

void ClickLabel::activate() {
    if (isVisible()) emit activated();
}

void ClickLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus()) return;
    QPainter painter(this);
    paintFocusRing(painter, rect(), false);
}

TakeBackSquare::TakeBackSquare(QWidget* parent) : ClickLabel(parent) {
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
}

CoinPicture::CoinPicture(const QPixmap& image, QWidget* parent) : QWidget(parent), image_(image) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_AcceptTouchEvents);
    ringTimer_.setInterval(HoldFrameMs);
    connect(&ringTimer_, &QTimer::timeout, this, [this] {
        update();
        if (holdProgress() >= 1) ringTimer_.stop();
    });
}

double CoinPicture::holdProgress() const {
    if (touchId_ < 0) return 0;
    const int hold = std::max(1, QGuiApplication::styleHints()->mousePressAndHoldInterval());
    return std::min(1.0, static_cast<double>(held_.elapsed()) / hold);
}

bool CoinPicture::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::TouchBegin: {
            const auto* touch = static_cast<QTouchEvent*>(event);
            touchId_ = touch->points().front().id();
            touchedAt_ = touch->timestamp();
            held_.start();
            ringTimer_.start();
            update();
            event->accept();
            return true;
        }
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd: {
            const auto* touch = static_cast<QTouchEvent*>(event);
            for (const QEventPoint& point : touch->points())
                if (point.id() == touchId_ && !rect().contains(point.position().toPoint())) endTouch(std::nullopt);
            if (event->type() == QEvent::TouchEnd)
                endTouch(touchId_ >= 0 ? std::optional(touch->timestamp()) : std::nullopt);
            event->accept();
            return true;
        }
        case QEvent::TouchCancel:
            endTouch(std::nullopt);
            event->accept();
            return true;
        default: return QWidget::event(event);
    }
}

void CoinPicture::endTouch(std::optional<quint64> liftedAt) {
    // The events' own times say how long the finger stayed, however late a busy machine
    // handles them or fires the ring's timer; only events without times fall back on the clock.
    const quint64 hold = std::max(1, QGuiApplication::styleHints()->mousePressAndHoldInterval());
    const bool timed = liftedAt && touchedAt_ != 0 && *liftedAt >= touchedAt_;
    const bool held = timed ? *liftedAt - touchedAt_ >= hold : holdProgress() >= 1;
    touchId_ = -1;
    ringTimer_.stop();
    update();
    if (liftedAt) emit pressed(held ? Button::Right : Button::Left);
}

void CoinPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(rect(), image_);
    if (hasFocus()) paintFocusRing(painter, rect(), true);
    if (touchId_ < 0) return;
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal inset = HoldWidth / 2;
    const QRectF ring = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(HoldTrack, HoldWidth));
    painter.drawEllipse(ring);
    painter.setPen(QPen(HoldColour, HoldWidth, Qt::SolidLine, Qt::FlatCap));
    painter.drawArc(ring, TwelveOClock, -static_cast<int>(holdProgress() * FullCircle));
}

void CoinPicture::mousePressEvent(QMouseEvent* event) {
    Button button = Button::Left;
    switch (event->button()) {
        case Qt::LeftButton: break;
        case Qt::RightButton: button = Button::Right; break;
        case Qt::MiddleButton: button = Button::Middle; break;
        default: event->ignore(); return;
    }
    event->accept();
    emit pressed(button);
}

void CoinPicture::keyPressEvent(QKeyEvent* event) {
    std::optional<Button> button;
    if (event->key() == Qt::Key_Menu || (event->key() == Qt::Key_Space && event->modifiers() & Qt::ShiftModifier))
        button = Button::Right;
    else if (activatesLikeAClick(event))
        button = Button::Left;
    if (!button) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    // A key held down must not hand over one coin after another.
    if (!event->isAutoRepeat()) activate(*button);
}

void CoinPicture::activate(Button button) {
    if (isVisible()) emit activated(button);
}

void CoinPicture::contextMenuEvent(QContextMenuEvent* event) {
    // The Menu key is already a right press, and the coin has no menu.
    event->accept();
}

void FlatButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& p = palette();
    const bool sunken = isDown();
    painter.fillRect(rect(), p.color(QPalette::Button));
    paintEdge(painter, rect(), p, sunken);
    painter.setPen(p.color(QPalette::ButtonText));
    // A pressed caption moves with the face, down and right.
    painter.drawText(rect().translated(sunken ? 1 : 0, sunken ? 1 : 0), Qt::AlignCenter | Qt::TextShowMnemonic, text());
    if (hasFocus()) paintFocusRing(painter, rect().adjusted(EdgeWidth, EdgeWidth, -EdgeWidth, -EdgeWidth), false);
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

constexpr char32_t Enter = U'\r';
constexpr char32_t Backspace = U'\b';

// The character a key sends to the key handler, or nothing for keys that edit or move
// without typing a character (arrows, Delete, shortcuts, Tab).
std::optional<char32_t> characterOf(const QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return Enter;
    if (event->key() == Qt::Key_Backspace) return Backspace;
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return std::nullopt;
    const QString text = event->text();
    if (text.size() != 1 || !text.at(0).isPrint()) return std::nullopt;
    return text.at(0).unicode();
}

}  // namespace

AnswerBox::AnswerBox(int maxTyped, QWidget* parent) : QLineEdit(parent), maxTyped_(maxTyped) {
    setContextMenuPolicy(Qt::NoContextMenu);
    setValidator(new LengthValidator(maxTyped, lastText_, this));
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) { lastText_ = text; });
}

void AnswerBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // QLineEdit selects its whole text when it takes the focus by Tab or a shortcut.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason) end(false);
}

void AnswerBox::keyPressEvent(QKeyEvent* event) {
    const std::optional<char32_t> key = characterOf(event);
    if (!key) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
    const char32_t entered = keyHandler_ ? keyHandler_(*key) : *key;
    if (entered == 0 || entered == Enter) return;
    if (entered == Backspace) {
        backspace();
        return;
    }
    const QString typed = QString::fromUcs4(&entered, 1);
    if (text().size() - selectedText().size() + 1 > maxTyped_) return;
    insert(typed);
}

}  // namespace piecettes
