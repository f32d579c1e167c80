#include "form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontDatabase>
#include <QFrame>
#include <QImageReader>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QResource>
#include <QScreen>
#include <QTimer>

#include <algorithm>

#include "layout.h"
#include "version.h"
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

}  // namespace

Form1::Form1(Options options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), options_(options) {
    registerFontSubstitutes();
    families_ = QFontDatabase::families();
    // The answer box takes the keys off-screen, where no one sees its caret: blinking
    // it would wake the program twice a second for nothing.
    QApplication::setCursorFlashTime(0);
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Piécettes"));
    setFixedSize(layout::OuterWidth, layout::OuterHeight);
    setFont(fontOf(layout::WindowFont, families_));
    setWindowIcon(QIcon(pixmapOf("piecettes", layout::IconSize, devicePixelRatioF())));

    buildControls();
    buildPurse();
    buildTabOrder();

    RandomSource* random = options_.random;
    if (!random) {
        ownRandom_ = std::make_unique<ClockRandom>();
        random = ownRandom_.get();
    }
    exercise_ = std::make_unique<Exercise>(*static_cast<Controls*>(this), *random,
                                           options_.decimalSeparator ? options_.decimalSeparator : localeSeparator());

    connect(text7_, &QLineEdit::textEdited, this, [this] { exercise_->Text7_Change(); });
    text7_->setKeyHandler([this](int& key) { exercise_->Text7_KeyPress(key); });
    connect(command1_, &QPushButton::clicked, this, [this] { exercise_->Command1_Click(); });
    connect(command3_, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(label3_, &ClickLabel::clicked, this, &Form1::Label3_Click);
    text7_->setFocus(Qt::OtherFocusReason);
}

Form1::~Form1() = default;

void Form1::buildControls() {
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    client_->setGeometry(layout::FrameWidth, layout::FrameWidth, layout::ClientWidth, layout::ClientHeight);
    setBackground(client_, rgb(layout::Teal));
    const QPalette system = QApplication::palette();

    auto* shape1 = new QFrame(client_);
    shape1->setObjectName(QStringLiteral("Shape1"));
    shape1->setGeometry(pixels(layout::Shape1));
    shape1->setFrameStyle(QFrame::Box | QFrame::Plain);
    setBackground(shape1, rgb(layout::BandColour));
    setTextColour(shape1, Qt::black);

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
    }
    const auto label = [this](const char* name) { return client_->findChild<ClickLabel*>(QLatin1String(name)); };
    label3_ = label("Label3");
    label5_ = label("Label5");
    label6_ = label("Label6");
    label7_ = label("Label7");
    label8_ = label("Label8");
    label9_ = label("Label9");
    label12_ = label("Label12");
    label13_ = label("Label13");
    label3_->setCursor(Qt::PointingHandCursor);

    const auto button = [&](const layout::ButtonSpec& row) {
        auto* b = new QPushButton(QString::fromUtf8(row.caption), client_);
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
    command1_ = button(layout::Command1);
    command1_->setFocusPolicy(Qt::ClickFocus);
    command3_ = button(layout::Command3);
    command2_ = button(layout::Command2);
    command2_->setAutoDefault(false);

    // A line edit lays out its empty text in the application's default font as it is
    // made, before it takes the window's. Resolving the desktop's generic family costs a
    // font search of its own, which the window's font, needed anyway, spares.
    const QFont desktopFont = QApplication::font();
    QApplication::setFont(font());
    text7_ = new AnswerBox(layout::Text7MaxTyped, client_);
    QApplication::setFont(desktopFont);
    text7_->setObjectName(QStringLiteral("Text7"));
    text7_->setGeometry(pixels(layout::Text7));
    text7_->setFont(fontOf(layout::Arial18Italic, families_));
    text7_->setFrame(false);
    setBackground(text7_, rgb(layout::BandColour));
    setTextColour(text7_, system.color(QPalette::WindowText));
}

void Form1::buildPurse() {
    frame1_ = new QFrame(client_);
    frame1_->setObjectName(QStringLiteral("Frame1"));
    frame1_->setGeometry(pixels(layout::Frame1));
    frame1_->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame1_->setFont(fontOf(layout::Comic975, families_));
    setBackground(frame1_, rgb(layout::Teal));
    // The squares fill themselves with the purse's Base colour, which the purse itself
    // never paints: one palette for the 40 of them instead of one each.
    setColour(frame1_, {QPalette::Base}, rgb(layout::LightGrey));
    frame1_->lower();

    const qreal ratio = std::max<qreal>(devicePixelRatioF(), qApp ? qApp->devicePixelRatio() : 1.0);
    std::array<QPixmap, CoinTypeCount> images;
    for (int type = 0; type < CoinTypeCount; ++type)
        images[type] = pixmapOf(layout::CoinImages[type], layout::toPixels(layout::PictureSize[type]), ratio);

    for (int cell = 0; cell < CellCount; ++cell) {
        const int type = cellType(cell);
        const QString coin = QString::fromUtf8(layout::CoinNames[type]);
        auto* picture = new CoinPicture(images[type], frame1_);
        picture->setObjectName(QStringLiteral("Picture1(%1)").arg(cell));
        picture->setAccessibleName(coin);
        picture->setGeometry(pixels(layout::pictureRect(cell)));
        picture->setFocusPolicy(Qt::TabFocus);
        connect(picture, &CoinPicture::pressed, this, [this, cell](int button, int shift, float x, float y) {
            exercise_->Picture1_MouseDown(cell, button, shift, x, y);
        });
        pictures_[cell] = picture;
    }
    // The squares come after the pictures so that they stand above them.
    for (int cell = 0; cell < CellCount; ++cell) {
        auto* square = new ClickLabel(frame1_);
        square->setObjectName(QStringLiteral("Label10(%1)").arg(cell));
        square->setAccessibleName(QStringLiteral("Reprendre ") + QString::fromUtf8(layout::CoinNames[cellType(cell)]));
        square->setFrameStyle(QFrame::Box | QFrame::Plain);
        square->setCursor(Qt::PointingHandCursor);
        square->setBackgroundRole(QPalette::Base);
        square->setAutoFillBackground(true);
        const auto twips = layout::squareRect(cell);
        square->setGeometry(pixels(twips));
        squareTwips_[cell] = {static_cast<float>(twips.left), static_cast<float>(twips.top)};
        connect(square, &ClickLabel::clicked, this, [this, cell] { exercise_->Label10_Click(cell); });
        squares_[cell] = square;
    }
}

void Form1::buildTabOrder() {
    QWidget* previous = text7_;
    const auto next = [&previous](QWidget* widget) {
        QWidget::setTabOrder(previous, widget);
        previous = widget;
    };
    next(command2_);
    for (int i = 0; i < 8; ++i) next(pictures_[layout::PictureTabOrder[i]]);
    next(command1_);
    for (int i = 8; i < CellCount; ++i) next(pictures_[layout::PictureTabOrder[i]]);
    next(command3_);
}

void Form1::showCentred() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2) + QPoint(1, 1));
    }
    show();
    // Without a window manager nothing else would make the window active.
    activateWindow();
}

QString Form1::credits() {
    return QStringLiteral("Piécettes %1, par l'équipe Piécettes, %2.")
        .arg(QStringLiteral(PIECETTES_VERSION), QStringLiteral(PIECETTES_MADE));
}

bool Form1::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        if (!exercise_->seriesStarted() && !exercise_->gone()) {
            // The series starts by moving all 40 squares and hiding all 80 pictures and
            // squares of the purse: while the purse is shown, Qt blits or marks the
            // backing store for each. It is drawn once, afterwards, either way.
            frame1_->hide();
            exercise_->Form_Activate();
            frame1_->show();
        } else {
            exercise_->Form_Activate();
        }
    }
    return QWidget::event(event);
}

void Form1::closeEvent(QCloseEvent* event) {
    if (!gone_) {
        gone_ = true;
        emit gone();
    }
    event->accept();
}

void Form1::paintEvent(QPaintEvent*) {
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

void Form1::Label3_Click() {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("INFO"), credits(), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("Info"));
    box.exec();
}

void Form1::Command3_Click() {
    if (!gone_) {
        gone_ = true;
        emit gone();
    }
    close();
    QCoreApplication::quit();
}

QWidget* Form1::widgetFor(Control control) const {
    switch (control) {
        case Control::Form1: return const_cast<Form1*>(this);
        case Control::Command1: return command1_;
        case Control::Command2: return command2_;
        case Control::Text7: return text7_;
        default: return labelFor(control);
    }
}

QLabel* Form1::labelFor(Control control) const {
    switch (control) {
        case Control::Label5: return label5_;
        case Control::Label6: return label6_;
        case Control::Label7: return label7_;
        case Control::Label8: return label8_;
        case Control::Label9: return label9_;
        case Control::Label12: return label12_;
        case Control::Label13: return label13_;
        default: return nullptr;
    }
}

void Form1::setCaption(Control control, const std::string& text) {
    if (QLabel* label = labelFor(control)) label->setText(QString::fromStdString(text));
}

void Form1::setVisible(Control control, bool visible) {
    if (control == Control::Form1) return;
    widgetFor(control)->setVisible(visible);
}

void Form1::setBackColour(Control control, Colour colour) {
    setBackground(widgetFor(control), ruleColour(colour, QApplication::palette()));
}

void Form1::repaintNow(Control control) { widgetFor(control)->repaint(); }

void Form1::setPictureVisible(int cell, bool visible) { pictures_.at(cell)->setVisible(visible); }

void Form1::setSquareVisible(int cell, bool visible) { squares_.at(cell)->setVisible(visible); }

void Form1::setSquareBackColour(int cell, Colour colour) {
    setBackground(squares_.at(cell), ruleColour(colour, QApplication::palette()));
}

Position Form1::squarePosition(int cell) const { return squareTwips_.at(cell); }

void Form1::moveSquare(int cell, Position position) {
    squareTwips_.at(cell) = position;
    squares_[cell]->move(layout::toPixels(position.left), layout::toPixels(position.top));
}

std::string Form1::text7() const { return text7_->text().toStdString(); }

void Form1::setText7(const std::string& text) { text7_->setText(QString::fromStdString(text)); }

void Form1::setText7Caret(int position) { text7_->setCursorPosition(std::min<int>(position, text7_->text().size())); }

void Form1::setFocus(Control control) {
    if (control == Control::Form1) {
        // The window keeps the control that held the focus last.
        if (QWidget* last = focusWidget()) last->setFocus(Qt::OtherFocusReason);
        return;
    }
    widgetFor(control)->setFocus(Qt::OtherFocusReason);
}

bool Form1::pause(std::chrono::milliseconds duration) {
    if (gone_) return false;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    // A coarse timer may fire up to 5 % early.
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &Form1::gone, &loop, &QEventLoop::quit);
    timer.start(options_.pause.value_or(duration));
    loop.exec();
    // The loop also returns at once when the application quits.
    if (timer.isActive()) gone_ = true;
    return !gone_;
}

}  // namespace piecettes
