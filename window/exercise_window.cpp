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
#include <QScopedValueRollback>
#include <QScreen>
#include <QShortcut>

#include <algorithm>

#include "accessibility.h"
#include "announcement.h"
#include "credits.h"
#include "held_key_filter.h"
#include "keyboard_focus.h"
#include "layout.h"
#include "widgets.h"

namespace piecettes {

namespace {

QRect pixels(const layout::Rect& twips) {
    return {layout::toPixels(twips.left), layout::toPixels(twips.top), layout::toPixels(twips.width),
            layout::toPixels(twips.height)};
}

QColor rgb(layout::Rgb colour) { return QColor::fromRgb(static_cast<QRgb>(colour)); }

// A colour of the layout tables, where a few values stand for the system's colours.
QColor colourOf(layout::Rgb colour, const QPalette& system) {
    switch (colour) {
        case layout::ButtonText: return system.color(QPalette::ButtonText);
        case layout::ButtonFace: return system.color(QPalette::Button);
        default: return rgb(colour);
    }
}

// A colour number of the rules: 0x00BBGGRR, or 0x80000000 plus a system colour index.
QColor ruleColour(Colour colour, const QPalette& system) {
    constexpr Colour SystemFlag = 0x80000000;
    if (colour & SystemFlag) {
        switch (colour & ~SystemFlag) {
            case 0x08: return system.color(QPalette::WindowText);
            case 0x12: return system.color(QPalette::ButtonText);
            default: return system.color(QPalette::Button);
        }
    }
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

// The family a layout font is drawn with: itself when installed, else its first
// installed substitute. Naming an installed family spares the font matcher a search
// through every font on the system for each missing family.
QString installedFamily(const char* name, const QStringList& installed) {
    const QString family = QString::fromLatin1(name);
    for (const QString& candidate : QStringList{family} + QFont::substitutes(family)) {
        const auto found = std::find_if(installed.begin(), installed.end(), [&](const QString& each) {
            return each.compare(candidate, Qt::CaseInsensitive) == 0;
        });
        if (found != installed.end()) return *found;
    }
    return family;
}

QFont fontOf(const layout::Font& wanted, const QStringList& installed) {
    QFont font(installedFamily(wanted.family, installed));
    font.setPointSizeF(wanted.points);
    font.setItalic(wanted.italic);
    font.setWeight(QFont::Normal);
    return font;
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

// Debian maps Comic Sans MS to Comic Neue through fontconfig; this keeps the mapping
// where that alias is missing.
void registerFontSubstitutes() {
    QFont::insertSubstitutions(QStringLiteral("Comic Sans MS"), {QStringLiteral("Comic Neue"), QStringLiteral("Comic Sans")});
    QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), {QStringLiteral("DejaVu Sans")});
}

char localeSeparator() { return QLocale().decimalPoint() == QStringLiteral(",") ? ',' : '.'; }

constexpr QKeyCombination OkShortcut{Qt::ALT, Qt::Key_O};

}  // namespace

ExerciseWindow::ExerciseWindow(Options options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), options_(options) {
    registerFontSubstitutes();
    families_ = QFontDatabase::families();
    installAccessibility();
    // The answer box takes the keys off-screen, where no one sees its caret: blinking
    // it would wake the program twice a second for nothing.
    QApplication::setCursorFlashTime(0);
    setObjectName(QLatin1String(layout::WindowName));
    setWindowTitle(QStringLiteral("Piécettes"));
    setFixedSize(layout::OuterWidth, layout::OuterHeight);
    setFont(fontOf(layout::WindowFont, families_));
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

    pointerWatch_ = new PointerWatch(
        [this](Pointer pointer) { label(layout::LabelRole::Hint)->setText(QString::fromStdString(shownHint(hint_, pointer))); },
        this);

    RandomSource* random = options_.random;
    if (!random) {
        ownRandom_ = std::make_unique<ClockRandom>();
        random = ownRandom_.get();
    }
    exercise_ = std::make_unique<Exercise>(*static_cast<Controls*>(this), *random,
                                           options_.decimalSeparator ? options_.decimalSeparator : localeSeparator());

    pauseTimer_.setSingleShot(true);
    // A coarse timer may fire up to 5 % early.
    pauseTimer_.setTimerType(Qt::PreciseTimer);
    connect(&pauseTimer_, &QTimer::timeout, this,
            [this] { timePassed(std::chrono::milliseconds(sinceTimerStarted_.elapsed())); });

    // A screen reader echoes the keys typed into the answer box: what they change there
    // is not said again.
    connect(answerInput_, &QLineEdit::textEdited, this, [this] {
        const QScopedValueRollback typing(typing_, true);
        play([](Exercise& exercise) { exercise.answerChanged(); });
    });
    answerInput_->setKeyHandler([this](int& key) {
        const QScopedValueRollback typing(typing_, true);
        play([&key](Exercise& exercise) { exercise.answerKey(key); });
    });
    connect(ok_, &QPushButton::clicked, this, [this] { play([](Exercise& exercise) { exercise.okPressed(); }); });
    connect(quitter_, &QPushButton::clicked, this, &ExerciseWindow::quit);
    connect(label(layout::LabelRole::Info), &ClickLabel::clicked, this, &ExerciseWindow::showInfo);
    answerInput_->setFocus(Qt::OtherFocusReason);
}

ExerciseWindow::~ExerciseWindow() = default;

void ExerciseWindow::buildControls() {
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    client_->setGeometry(layout::FrameWidth, layout::FrameWidth, layout::ClientWidth, layout::ClientHeight);
    setBackground(client_, rgb(layout::Teal));
    const QPalette system = QApplication::palette();

    auto* band = new QFrame(client_);
    band->setObjectName(QLatin1String(layout::Band.name));
    band->setGeometry(pixels(layout::Band.twips));
    band->setFrameStyle(QFrame::Box | QFrame::Plain);
    setBackground(band, rgb(layout::BandColour));
    setTextColour(band, Qt::black);

    for (const auto& row : layout::Labels) {
        auto* label = new ClickLabel(client_);
        label->setObjectName(QString::fromLatin1(row.name));
        label->setGeometry(pixels(row.twips));
        // Text typed by the child is shown as typed, never read as markup.
        label->setTextFormat(Qt::PlainText);
        label->setText(QString::fromUtf8(row.caption));
        label->setFont(fontOf(row.font, families_));
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignTop | (row.align == layout::Align::Centre ? Qt::AlignHCenter : Qt::AlignLeft));
        setTextColour(label, colourOf(row.text, system));
        if (row.background != layout::Transparent) setBackground(label, colourOf(row.background, system));
        if (row.border) {
            label->setFrameStyle(QFrame::Box | QFrame::Plain);
            label->setAlignment(Qt::AlignCenter);
        }
        label->setVisible(row.visible);
        labels_[static_cast<std::size_t>(row.role)] = label;
    }
    label(layout::LabelRole::Info)->setCursor(Qt::PointingHandCursor);

    const auto button = [&](const layout::ButtonSpec& row) {
        const QString caption = QString::fromUtf8(row.caption);
        // OK and Quitter are flat in their colour; the style would shade them.
        QPushButton* b = row.background != layout::ButtonFace ? new FlatButton(caption, client_)
                                                               : new QPushButton(caption, client_);
        b->setObjectName(QString::fromLatin1(row.name));
        b->setGeometry(pixels(row.twips));
        b->setFont(fontOf(row.font, families_));
        if (row.background != layout::ButtonFace) {
            setBackground(b, colourOf(row.background, system));
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
    // Read as the score line it stands for once the series is over, never as its caption.
    focusPark_->setAccessibleName(QString::fromUtf8(layout::FocusParkName));

    // A line edit lays out its empty text in the application's default font as it is
    // made, before it takes the window's. Resolving the desktop's generic family costs a
    // font search of its own, which the window's font, needed anyway, spares.
    const QFont desktopFont = QApplication::font();
    QApplication::setFont(font());
    answerInput_ = new AnswerBox(layout::AnswerMaxTyped, client_);
    QApplication::setFont(desktopFont);
    answerInput_->setObjectName(QLatin1String(layout::AnswerInput.name));
    answerInput_->setGeometry(pixels(layout::AnswerInput.twips));
    answerInput_->setFont(fontOf(layout::Arial18Italic, families_));
    answerInput_->setFrame(false);
    answerInput_->setAccessibleName(QString::fromUtf8(layout::AnswerName));
    setBackground(answerInput_, rgb(layout::BandColour));
    setTextColour(answerInput_, system.color(QPalette::WindowText));

    announcer_ = new Announcer(client_);
}

void ExerciseWindow::buildPurse() {
    purse_ = new Purse(client_);
    purse_->setObjectName(QLatin1String(layout::Purse.name));
    purse_->setGeometry(pixels(layout::Purse.twips));
    purse_->setFrameStyle(QFrame::Box | QFrame::Sunken);
    purse_->setAccessibleName(QString::fromUtf8(layout::PurseCaption));
    purse_->setFont(fontOf(layout::Comic975, families_));
    setBackground(purse_, rgb(layout::Teal));
    // The squares fill themselves with the purse's Base colour, which the purse itself
    // never paints: one palette for the 40 of them instead of one each.
    setColour(purse_, {QPalette::Base}, rgb(layout::LightGrey));
    purse_->lower();

    const qreal ratio = std::max<qreal>(devicePixelRatioF(), qApp ? qApp->devicePixelRatio() : 1.0);
    std::array<QPixmap, CoinTypeCount> images;
    for (int type = 0; type < CoinTypeCount; ++type)
        images[type] = pixmapOf(layout::CoinImages[type], layout::toPixels(layout::PictureSize[type]), ratio);

    for (int cell = 0; cell < CellCount; ++cell) {
        const int type = cellType(cell);
        const QString coin = QString::fromUtf8(layout::CoinNames[type]);
        auto* picture = new CoinPicture(images[type], purse_);
        picture->setObjectName(QString::fromLatin1(layout::CoinNameFormat).arg(cell));
        picture->setAccessibleName(coin);
        picture->setGeometry(pixels(layout::pictureRect(cell)));
        picture->setFocusPolicy(Qt::TabFocus);
        connect(picture, &CoinPicture::pressed, this,
                [this, cell](int button) { play([=](Exercise& exercise) { exercise.coinPressed(cell, button); }); });
        connect(picture, &CoinPicture::activated, this, [this, cell](int button) { coinActivated(cell, button); });
        pictures_[cell] = picture;
    }
    // The squares come after the pictures so that they stand above them.
    for (int cell = 0; cell < CellCount; ++cell) {
        auto* square = new TakeBackSquare(purse_);
        square->setObjectName(QString::fromLatin1(layout::SquareNameFormat).arg(cell));
        square->setAccessibleName(QStringLiteral("Reprendre ") + QString::fromUtf8(layout::CoinNames[cellType(cell)]));
        square->setFrameStyle(QFrame::Box | QFrame::Plain);
        square->setBackgroundRole(QPalette::Base);
        square->setAutoFillBackground(true);
        const auto twips = layout::squareRect(cell);
        square->setGeometry(pixels(twips));
        squareTwips_[cell] = {static_cast<float>(twips.left), static_cast<float>(twips.top)};
        connect(square, &ClickLabel::clicked, this,
                [this, cell] { play([cell](Exercise& exercise) { exercise.squareClicked(cell); }); });
        connect(square, &ClickLabel::activated, this, [this, cell] { squareActivated(cell); });
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

// From the keyboard, or by an assistive tool, the focus follows the coin (keyboard_focus.h).
void ExerciseWindow::coinActivated(int cell, int button) {
    const auto move = pressCoinByKey(*exercise_, cell, button, [this] { return tag_; });
    if (move == FocusAfterPress::ToSquare && !squares_[cell]->isHidden())
        squares_[cell]->setFocus(Qt::OtherFocusReason);
    else if (move == FocusAfterPress::ToCoin && !pictures_[cell]->isHidden())
        pictures_[cell]->setFocus(Qt::OtherFocusReason);
    waitForPause();
}

void ExerciseWindow::squareActivated(int cell) {
    const auto move = pressSquareByKey(*exercise_, cell, [this] { return ok_->hasFocus(); });
    if (move == FocusAfterPress::ToCoin && !pictures_[cell]->isHidden())
        pictures_[cell]->setFocus(Qt::OtherFocusReason);
}

template <typename Input>
void ExerciseWindow::play(Input input) {
    input(*exercise_);
    waitForPause();
}

// The pause's one timer starts as the pause does, and runs until its time is up. While
// the Info box holds a pause whose time is up, no timer runs: closing the box ends it.
// A closed window waits for nothing: the program is ending, and no exercise follows.
void ExerciseWindow::waitForPause() {
    if (waiting_ || isHidden() || !exercise_->pausing() || exercise_->pauseLeft().count() == 0) return;
    waiting_ = true;
    if (options_.testClock) return;
    sinceTimerStarted_.start();
    pauseTimer_.start(exercise_->pauseLeft());
}

void ExerciseWindow::timePassed(std::chrono::milliseconds elapsed) {
    pauseTimer_.stop();
    waiting_ = false;
    exercise_->timePassed(elapsed);
    // A timer that fired a little early waits for the rest.
    waitForPause();
}

// Once the window is closed, no time passes for the rules and the Info box says nothing more.
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

QString ExerciseWindow::credits() {
    return QString::fromStdString(piecettes::credits());
}

bool ExerciseWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        if (!exercise_->seriesStarted()) {
            // The series starts by moving all 40 squares and hiding all 80 pictures and
            // squares of the purse: while the purse is shown, Qt blits or marks the
            // backing store for each. It is drawn once, afterwards, either way.
            purse_->hide();
            exercise_->windowActivated();
            purse_->show();
        } else {
            exercise_->windowActivated();
        }
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

// The box is modal to the window and returns at once; its closing is reported to the rules.
void ExerciseWindow::showInfo() {
    if (info_) return;
    info_ = new QMessageBox(QMessageBox::NoIcon, QString::fromUtf8(layout::InfoTitle), credits(), QMessageBox::Ok, this);
    info_->setObjectName(QStringLiteral("Info"));
    // One plain OK: the style gives the standard button an icon, and Qt its own text.
    QAbstractButton* ok = info_->button(QMessageBox::Ok);
    ok->setIcon({});
    ok->setText(QStringLiteral("OK"));
    heldKeys_->watch(ok);
    connect(info_, &QDialog::finished, this, &ExerciseWindow::infoClosed);
    exercise_->infoOpened();
    info_->open();
}

void ExerciseWindow::infoClosed() {
    info_->deleteLater();
    info_ = nullptr;
    play([](Exercise& exercise) { exercise.infoClosed(); });
}

void ExerciseWindow::quit() {
    close();
    QCoreApplication::quit();
}

QWidget* ExerciseWindow::widgetFor(Control control) const {
    switch (control) {
        case Control::Window: return const_cast<ExerciseWindow*>(this);
        case Control::Ok: return ok_;
        case Control::FocusPark: return focusPark_;
        case Control::AnswerInput: return answerInput_;
        default: return labelFor(control);
    }
}

ClickLabel* ExerciseWindow::label(layout::LabelRole role) const { return labels_[static_cast<std::size_t>(role)]; }

QLabel* ExerciseWindow::labelFor(Control control) const {
    const layout::LabelRole role = layout::labelRoleOf(control);
    return role == layout::LabelRole::Fixed ? nullptr : label(role);
}

void ExerciseWindow::setCaption(Control control, const std::string& text) {
    QLabel* label = labelFor(control);
    if (!label) return;
    if (control == Control::Hint) hint_ = text;
    const std::string shown = control == Control::Hint ? shownHint(text, pointerWatch_->pointer()) : text;
    const QString caption = QString::fromStdString(shown);
    label->setText(caption);
    if (control == Control::Score)
        focusPark_->setAccessibleName(caption.isEmpty() ? QString::fromUtf8(layout::FocusParkName) : caption);
    announcer_->say(QString::fromStdString(announcement(control, shown, typing_)));
}

void ExerciseWindow::setVisible(Control control, bool visible) {
    if (control == Control::Window) return;
    widgetFor(control)->setVisible(visible);
}

void ExerciseWindow::setBackColour(Control control, Colour colour) {
    setBackground(widgetFor(control), ruleColour(colour, QApplication::palette()));
}

void ExerciseWindow::repaintNow(Control control) { widgetFor(control)->repaint(); }

void ExerciseWindow::setCoinVisible(int cell, bool visible) { showInPurse(pictures_.at(cell), visible); }

void ExerciseWindow::setSquareVisible(int cell, bool visible) { showInPurse(squares_.at(cell), visible); }

// A coin or square hidden under the keyboard focus hands it to the answer box, where the
// series began. Left to Qt, the focus would walk the purse as it empties, announcing
// each cell, and could end on Quitter, where the next Space would close the program.
// While the window is not active the cell holds no focus but is still the control that
// gets it back, so that Qt would walk on from it to the next control on reactivation.
void ExerciseWindow::showInPurse(QWidget* cell, bool visible) {
    if (!visible && (cell->hasFocus() || focusWidget() == cell)) answerInput_->setFocus(Qt::OtherFocusReason);
    cell->setVisible(visible);
}

void ExerciseWindow::setSquareBackColour(int cell, Colour colour) {
    setBackground(squares_.at(cell), ruleColour(colour, QApplication::palette()));
}

Position ExerciseWindow::squarePosition(int cell) const { return squareTwips_.at(cell); }

void ExerciseWindow::moveSquare(int cell, Position position) {
    squareTwips_.at(cell) = position;
    squares_[cell]->move(layout::toPixels(position.left), layout::toPixels(position.top));
}

std::string ExerciseWindow::answerText() const { return answerInput_->text().toStdString(); }

void ExerciseWindow::setAnswerText(const std::string& text) { answerInput_->setText(QString::fromStdString(text)); }

void ExerciseWindow::setAnswerCaret(int position) { answerInput_->setCursorPosition(std::min<int>(position, answerInput_->text().size())); }

void ExerciseWindow::setFocus(Control control) {
    if (control == Control::Window) {
        // The window keeps the control that held the focus last.
        if (QWidget* last = focusWidget()) last->setFocus(Qt::OtherFocusReason);
        return;
    }
    widgetFor(control)->setFocus(Qt::OtherFocusReason);
}

}  // namespace piecettes
