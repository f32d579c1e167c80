#include "exercise_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QImageReader>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QResource>
#include <QScreen>
#include <QShortcut>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "accessibility.h"
#include "fonts.h"
#include "catalogue.h"
#include "held_key_filter.h"
#include "pointer_watch.h"
#include "widgets.h"

namespace piecettes {

namespace {

QRect pixels(const layout::Rect& rect) { return {rect.left, rect.top, rect.width, rect.height}; }

// A colour of the layout, where ButtonFace and ButtonText are the user's own. Transparent
// has no colour: a control of that background paints none.
QColor colourOf(layout::Colour colour, const QPalette& system) {
    switch (colour.kind) {
        case layout::Colour::Kind::ButtonText: return system.color(QPalette::ButtonText);
        case layout::Colour::Kind::ButtonFace: return system.color(QPalette::Button);
        case layout::Colour::Kind::Transparent: return {};
        case layout::Colour::Kind::Rgb: break;
    }
    return QColor::fromRgb(static_cast<QRgb>(colour.rgb));
}

void setColour(QWidget* widget, std::initializer_list<QPalette::ColorRole> roles, const QColor& colour) {
    QPalette palette = widget->palette();
    for (const auto role : roles) palette.setColor(role, colour);
    widget->setPalette(palette);
}

void setBackground(QWidget* widget, const QColor& colour) {
    setColour(widget, {QPalette::Window, QPalette::Button, QPalette::Base}, colour);
    widget->setAutoFillBackground(true);
}

void setTextColour(QWidget* widget, const QColor& colour) {
    setColour(widget, {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}, colour);
}

// A picture of the resources at the size it is shown, sharp on high-density screens too:
// for pixel ratios 1 and 2 the pixels rendered from its SVG at build time, shown as they
// lie in the program; for others the SVG drawn now by Qt's SVG image plugin, which the
// program need not link for the rare case.
QPixmap pixmapOf(const char* name, int size, qreal pixelRatio) {
    const QString base = QStringLiteral(":/") + QLatin1String(name);
    const QSize shown = QSize(size, size) * pixelRatio;
    if (pixelRatio == 1 || pixelRatio == 2) {
        const QResource stored(base + (pixelRatio == 2 ? QStringLiteral("@2x.argb32") : QStringLiteral(".argb32")));
        constexpr int BytesPerPixel = 4;
        if (stored.compressionAlgorithm() == QResource::NoCompression &&
            stored.size() == qint64(shown.width()) * shown.height() * BytesPerPixel) {
            QImage image(stored.data(), shown.width(), shown.height(), shown.width() * BytesPerPixel,
                         QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(pixelRatio);
            return QPixmap::fromImage(image);
        }
    }
    QImageReader reader(base + QStringLiteral(".svg"), "svg");
    // Otherwise every image plugin is loaded, to ask whether it reads SVG too.
    reader.setAutoDetectImageFormat(false);
    reader.setScaledSize(shown);
    QImage image = reader.read();
    image.setDevicePixelRatio(pixelRatio);
    return QPixmap::fromImage(std::move(image));
}

char localeSeparator() { return QLocale().decimalPoint() == QStringLiteral(",") ? ',' : '.'; }

Language environmentLanguage() {
    return desktopLanguage([](const char* name) { return std::getenv(name); }, QLocale().name().toStdString(),
                           localeSeparator());
}

QString qs(const std::string& text) { return QString::fromStdString(text); }

constexpr QKeyCombination OkShortcut{Qt::ALT, Qt::Key_O};

}  // namespace

ExerciseWindow::ExerciseWindow(Options options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      options_(options),
      language_(options_.language ? *options_.language : environmentLanguage()),
      exercise_(options_.draws ? *options_.draws : Draws(clockSeed()),
                options_.decimalSeparator ? options_.decimalSeparator : language_.money.decimal) {
    registerFontSubstitutes();
    families_ = QFontDatabase::families();
    installAccessibility();
    // The answer box takes the keys off-screen, where no one sees its caret: blinking
    // it would wake the program twice a second for nothing.
    QApplication::setCursorFlashTime(0);
    setObjectName(QLatin1String(layout::WindowName));
    setWindowTitle(qs(language_.catalogue.text(Text::Title)));
    setFixedSize(layout::OuterWidth, layout::OuterHeight);
    setFont(fontOf(layout::WindowFont, families_, language_.catalogue.face()));
    setWindowIcon(QIcon(pixmapOf("piecettes", layout::IconSize, devicePixelRatioF())));

    buildControls();
    buildPurse();
    buildTabOrder();
    // A held key acts once on every control that takes the keyboard; only the answer
    // box types on while a key is held in it.
    heldKeys_ = new HeldKeyFilter(this);
    heldKeys_->setTyping(answerInput_);
    for (QWidget* control : client_->findChildren<QWidget*>())
        if (control->focusPolicy() != Qt::NoFocus) heldKeys_->watch(control);

    // The hint line gives the way of the pointer the child used last.
    pointerWatch_ = new PointerWatch(
        [this](Pointer pointer) {
            pointer_ = pointer;
            draw();
        },
        this);

    pauseTimer_.setSingleShot(true);
    // A coarse timer may fire up to 5 % early.
    pauseTimer_.setTimerType(Qt::PreciseTimer);
    connect(&pauseTimer_, &QTimer::timeout, this,
            [this] { timePassed(std::chrono::milliseconds(sinceTimerStarted_.elapsed())); });

    connect(answerInput_, &QLineEdit::textEdited, this,
            [this](const QString& text) { apply(exercise_.editAnswer(text.toStdString())); });
    answerInput_->setKeyHandler([this](char32_t key) {
        const Outcome outcome = exercise_.typeKey(key);
        apply(outcome);
        return outcome.insert;
    });
    connect(ok_, &QPushButton::clicked, this, [this] { apply(exercise_.pressOk()); });
    connect(quitter_, &QPushButton::clicked, this, &ExerciseWindow::quit);
    connect(label(layout::LabelRole::Info), &ClickLabel::clicked, this, &ExerciseWindow::showInfo);
    // The window as the series has not begun: the purse still empty.
    draw();
    answerInput_->setFocus(Qt::OtherFocusReason);
}

ExerciseWindow::~ExerciseWindow() = default;

void ExerciseWindow::buildControls() {
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    client_->setGeometry(layout::FrameWidth, layout::FrameWidth, layout::ClientWidth, layout::ClientHeight);
    const QPalette system = QApplication::palette();
    setBackground(client_, colourOf(layout::Teal, system));
    const Face face = language_.catalogue.face();

    auto* band = new QFrame(client_);
    band->setObjectName(QLatin1String(layout::Band.name));
    band->setGeometry(pixels(layout::Band.rect));
    band->setFrameStyle(QFrame::Box | QFrame::Plain);
    setBackground(band, colourOf(layout::BandColour, system));
    setTextColour(band, Qt::black);

    for (std::size_t row = 0; row < layout::Labels.size(); ++row) {
        const layout::LabelRow& design = layout::Labels[row];
        auto* label = new ClickLabel(client_);
        label->setObjectName(QString::fromLatin1(design.name));
        label->setGeometry(pixels(layout::placeOf(design, face, language_.money)));
        // Text typed by the child is shown as typed, never read as markup.
        label->setTextFormat(Qt::PlainText);
        label->setFont(fontOf(design.font, families_, face));
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignTop | (design.align == layout::Align::Centre ? Qt::AlignHCenter : Qt::AlignLeft));
        setTextColour(label, colourOf(design.text, system));
        if (design.background != layout::Transparent) setBackground(label, colourOf(design.background, system));
        if (design.border) {
            label->setFrameStyle(QFrame::Box | QFrame::Plain);
            label->setAlignment(Qt::AlignCenter);
        }
        labels_[row] = label;
    }
    label(layout::LabelRole::Info)->setCursor(Qt::PointingHandCursor);

    const auto button = [&](const layout::ButtonRow& design) {
        const QString caption = design.caption ? qs(language_.catalogue.text(*design.caption))
                                               : QString::fromLatin1(layout::FocusParkCaption);
        // OK and Quitter are flat in their colour; the style would shade them.
        const bool flat = design.background != layout::ButtonFace;
        QPushButton* b = flat ? new FlatButton(caption, client_) : new QPushButton(caption, client_);
        b->setObjectName(QString::fromLatin1(design.name));
        b->setGeometry(pixels(design.rect));
        b->setFont(fontOf(design.font, families_, face));
        if (flat) {
            setBackground(b, colourOf(design.background, system));
            setTextColour(b, system.color(QPalette::ButtonText));
            // Enter presses the button that has the focus, as on other desktops.
            b->setAutoDefault(true);
        }
        return b;
    };
    ok_ = button(layout::OkButton);
    ok_->setFocusPolicy(Qt::ClickFocus);
    // OK is no tab stop, so a child without a mouse presses it with Alt+O. Pressed at
    // once, as a click is, and only while it is shown.
    connect(new QShortcut(OkShortcut, this), &QShortcut::activated, this, [this] {
        if (ok_->isVisible()) ok_->click();
    });
    quitter_ = button(layout::QuitButton);
    focusPark_ = button(layout::FocusParkButton);
    focusPark_->setAutoDefault(false);

    // A line edit lays out its empty text in the application's default font as it is
    // made, before it takes the window's. Resolving the desktop's generic family costs a
    // font search of its own, which the window's font, needed anyway, spares.
    const QFont desktopFont = QApplication::font();
    QApplication::setFont(font());
    answerInput_ = new AnswerBox(layout::AnswerMaxTyped, client_);
    QApplication::setFont(desktopFont);
    answerInput_->setObjectName(QLatin1String(layout::AnswerInput.name));
    answerInput_->setGeometry(pixels(layout::AnswerInput.rect));
    answerInput_->setFont(fontOf(layout::AnswerInputFont, families_));
    answerInput_->setFrame(false);
    answerInput_->setAccessibleName(qs(language_.catalogue.text(Text::AnswerName)));
    setBackground(answerInput_, colourOf(layout::BandColour, system));
    setTextColour(answerInput_, system.color(QPalette::WindowText));

    announcer_ = new Announcer(client_);
}

void ExerciseWindow::buildPurse() {
    purse_ = new Purse(client_);
    purse_->setObjectName(QLatin1String(layout::Purse.name));
    purse_->setGeometry(pixels(layout::Purse.rect));
    purse_->setFrameStyle(QFrame::Box | QFrame::Sunken);
    purse_->setAccessibleName(qs(language_.catalogue.text(Text::PurseCaption)));
    purse_->setFont(fontOf(layout::Comic975, families_, language_.catalogue.face()));
    const QPalette system = QApplication::palette();
    setBackground(purse_, colourOf(layout::Teal, system));
    // The squares fill themselves with the purse's Base colour, which the purse itself
    // never paints: one palette for the 40 of them instead of one each.
    setColour(purse_, {QPalette::Base}, colourOf(layout::SquareFace, system));
    purse_->lower();

    const qreal ratio = std::max<qreal>(devicePixelRatioF(), qApp ? qApp->devicePixelRatio() : 1.0);
    std::array<QPixmap, CoinTypeCount> images;
    for (int type = 0; type < CoinTypeCount; ++type)
        images[type] = pixmapOf(layout::CoinImages[type], layout::PictureSize[type], ratio);

    // Every cell starts hidden, as the purse is before the first draw.
    for (int cell = 0; cell < CellCount; ++cell) {
        auto* picture = new CoinPicture(images[cellType(cell)], purse_);
        picture->setObjectName(QString::fromLatin1(layout::CoinNameFormat).arg(cell));
        picture->setAccessibleName(qs(coinName(cell, language_.catalogue)));
        picture->setGeometry(pixels(layout::pictureRect(cell)));
        picture->setFocusPolicy(Qt::TabFocus);
        picture->hide();
        connect(picture, &CoinPicture::pressed, this,
                [this, cell](Button button) { apply(exercise_.pressCoin(cell, button, Via::Pointer)); });
        connect(picture, &CoinPicture::activated, this,
                [this, cell](Button button) { apply(exercise_.pressCoin(cell, button, Via::Key)); });
        pictures_[cell] = picture;
    }
    // The squares come after the pictures so that they stand above them.
    for (int cell = 0; cell < CellCount; ++cell) {
        auto* square = new TakeBackSquare(purse_);
        square->setObjectName(QString::fromLatin1(layout::SquareNameFormat).arg(cell));
        square->setAccessibleName(qs(squareName(cell, language_.catalogue)));
        square->setFrameStyle(QFrame::Box | QFrame::Plain);
        square->setBackgroundRole(QPalette::Base);
        square->setAutoFillBackground(true);
        square->setGeometry(pixels(layout::squareRect(cell)));
        square->hide();
        connect(square, &ClickLabel::clicked, this, [this, cell] { apply(exercise_.takeBack(cell, Via::Pointer)); });
        connect(square, &ClickLabel::activated, this, [this, cell] { apply(exercise_.takeBack(cell, Via::Key)); });
        squares_[cell] = square;
    }
}

void ExerciseWindow::buildTabOrder() {
    QWidget* previous = answerInput_;
    const auto next = [&previous](QWidget* widget) {
        QWidget::setTabOrder(previous, widget);
        previous = widget;
    };
    // Each take-back square comes right after its coin; hidden ones are skipped.
    const auto nextCell = [&](int cell) {
        next(pictures_[cell]);
        next(squares_[cell]);
    };
    next(focusPark_);
    for (int i = 0; i < CoinTypeCount; ++i) nextCell(layout::PictureTabOrder[i]);
    next(ok_);
    for (int i = CoinTypeCount; i < CellCount; ++i) nextCell(layout::PictureTabOrder[i]);
    next(quitter_);
}

void ExerciseWindow::apply(const Outcome& outcome) {
    draw();
    settle(outcome);
}

void ExerciseWindow::draw() {
    const Screen screen = screenOf(exercise_, pointer_, language_);
    const bool all = !drawn_;
    for (std::size_t row = 0; row < screen.labels.size(); ++row) {
        if (all || screen.labels[row] != drawn_->labels[row])
            labels_[row]->setText(QString::fromStdString(screen.labels[row]));
        if (all || screen.labelShown[row] != drawn_->labelShown[row]) labels_[row]->setVisible(screen.labelShown[row]);
    }
    // A new purse replaces every cell, the one under the focus too.
    if (!all && screen.purse != drawn_->purse && focusWidget() && focusWidget()->parentWidget() == purse_)
        answerInput_->setFocus(Qt::OtherFocusReason);
    for (int cell = 0; cell < CellCount; ++cell) {
        if (!all && screen.cells[cell] == drawn_->cells[cell]) continue;
        showInPurse(pictures_[cell], screen.cells[cell] == Cell::Shown);
        showInPurse(squares_[cell], screen.cells[cell] == Cell::HandedOver);
    }
    if (all || screen.okShown != drawn_->okShown) ok_->setVisible(screen.okShown);
    if (all || screen.answerBack != drawn_->answerBack)
        setBackground(label(layout::LabelRole::Answer), colourOf(screen.answerBack, QApplication::palette()));
    // Read as the score line it stands for once the series is over, never as its caption.
    if (all || screen.focusParkName != drawn_->focusParkName)
        focusPark_->setAccessibleName(QString::fromStdString(screen.focusParkName));
    drawn_ = screen;

    const ExerciseState& state = exercise_.state();
    if (state.answerWrites != answerWrites_) {
        answerWrites_ = state.answerWrites;
        answerInput_->setText(QString::fromStdString(state.answer));
        answerInput_->setCursorPosition(std::min<int>(state.caret, answerInput_->text().size()));
    }
}

// The focus moves once the controls it may go to are drawn; a screen reader then reads
// the new focus before the lines the input wrote.
void ExerciseWindow::settle(const Outcome& outcome) {
    if (outcome.focus) moveFocus(*outcome.focus);
    for (const Announcement& said : outcome.said) announcer_->say(qs(spoken(said, language_)));
    waitForPause();
}

void ExerciseWindow::moveFocus(const Focus& focus) {
    QWidget* target = nullptr;
    switch (focus.target) {
        // The window keeps the control that held the focus last.
        case Focus::Target::Window: target = focusWidget(); break;
        case Focus::Target::Answer: target = answerInput_; break;
        case Focus::Target::Ok: target = ok_; break;
        case Focus::Target::FocusPark: target = focusPark_; break;
        case Focus::Target::Coin: target = pictures_.at(focus.cell); break;
        case Focus::Target::Square: target = squares_.at(focus.cell); break;
    }
    if (target && !target->isHidden()) target->setFocus(Qt::OtherFocusReason);
}

// The pause's one timer starts as the pause does, and runs until its time is up. While
// the Info box holds a pause whose time is up, no timer runs: closing the box ends it.
// A closed window waits for nothing: the program is ending, and no exercise follows.
void ExerciseWindow::waitForPause() {
    const auto wanted = exercise_.timeWanted();
    if (waiting_ || isHidden() || !wanted) return;
    waiting_ = true;
    if (options_.testClock) return;
    sinceTimerStarted_.start();
    pauseTimer_.start(*wanted);
}

void ExerciseWindow::timePassed(std::chrono::milliseconds elapsed) {
    pauseTimer_.stop();
    waiting_ = false;
    // A timer that fired a little early waits for the rest.
    apply(exercise_.timePassed(elapsed));
}

// Once the window is closed, no time passes for the exercise and the Info box says nothing more.
void ExerciseWindow::stopTime() {
    pauseTimer_.stop();
    waiting_ = false;
    if (info_) {
        info_->disconnect(this);
        info_->deleteLater();
    }
}

void ExerciseWindow::showCentred() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2) + QPoint(1, 1));
    }
    show();
    // Without a window manager nothing else would make the window active.
    activateWindow();
}

QString ExerciseWindow::credits() const { return qs(piecettes::credits(language_.catalogue)); }

bool ExerciseWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && !exercise_.state().started) {
        // The series starts by showing up to 40 coins of the purse: while the purse is
        // shown, Qt blits or marks the backing store for each. It is drawn once,
        // afterwards, either way.
        purse_->hide();
        const Outcome started = exercise_.start();
        draw();
        purse_->show();
        settle(started);
    }
    return QWidget::event(event);
}

void ExerciseWindow::closeEvent(QCloseEvent* event) {
    stopTime();
    if (isVisible()) emit gone();
    event->accept();
}

void ExerciseWindow::paintEvent(QPaintEvent*) {
    // A thin fixed frame, as a window without a title bar still has.
    QPainter painter(this);
    const QPalette& p = palette();
    painter.fillRect(rect(), p.color(QPalette::Button));
    painter.setPen(p.color(QPalette::Light));
    painter.drawLine(0, 0, width() - 1, 0);
    painter.drawLine(0, 0, 0, height() - 1);
    painter.setPen(p.color(QPalette::Shadow));
    painter.drawLine(0, height() - 1, width() - 1, height() - 1);
    painter.drawLine(width() - 1, 0, width() - 1, height() - 1);
    painter.setPen(p.color(QPalette::Dark));
    painter.drawRect(rect().adjusted(layout::FrameWidth - 1, layout::FrameWidth - 1, -layout::FrameWidth,
                                     -layout::FrameWidth));
}

// The box is modal to the window and returns at once; its closing is reported to the exercise.
void ExerciseWindow::showInfo() {
    if (info_) return;
    info_ = new QMessageBox(QMessageBox::NoIcon, qs(language_.catalogue.text(Text::InfoTitle)), credits(),
                            QMessageBox::Ok, this);
    info_->setObjectName(QStringLiteral("Info"));
    // One plain OK: the style gives the standard button an icon, and Qt its own text.
    QAbstractButton* ok = info_->button(QMessageBox::Ok);
    ok->setIcon({});
    ok->setText(qs(language_.catalogue.text(Text::Ok)));
    heldKeys_->watch(ok);
    connect(info_, &QDialog::finished, this, &ExerciseWindow::infoClosed);
    apply(exercise_.openInfo());
    info_->open();
}

void ExerciseWindow::infoClosed() {
    info_->deleteLater();
    info_ = nullptr;
    apply(exercise_.closeInfo());
}

void ExerciseWindow::quit() {
    close();
    QCoreApplication::quit();
}

ClickLabel* ExerciseWindow::label(layout::LabelRole role) const {
    const auto row = std::find_if(layout::Labels.begin(), layout::Labels.end(),
                                  [role](const layout::LabelRow& each) { return each.role == role; });
    return labels_[static_cast<std::size_t>(row - layout::Labels.begin())];
}

// A coin or square hidden under the keyboard focus hands it to the answer box, where the
// series began. Left to Qt, the focus would walk the purse as it empties, announcing
// each cell, and could end on Quitter, where the next Space would close the program.
// While the window is not active the cell holds no focus but is still the control that
// gets it back, so that Qt would walk on from it to the next control on reactivation.
void ExerciseWindow::showInPurse(QWidget* cell, bool visible) {
    if (cell->isHidden() == !visible) return;
    if (!visible && (cell->hasFocus() || focusWidget() == cell)) answerInput_->setFocus(Qt::OtherFocusReason);
    cell->setVisible(visible);
}

}  // namespace piecettes
