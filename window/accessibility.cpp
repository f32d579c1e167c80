#include "accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include "exercise.h"
#include "widgets.h"

namespace piecettes {

namespace {

// Actions run once the caller has had its answer: a press may open the three-second
// pause after a win, and an assistive tool must not wait for it.
class CoinAccessible : public QAccessibleWidget {
public:
    explicit CoinAccessible(CoinPicture* coin) : QAccessibleWidget(coin, QAccessible::Button) {}

    QStringList actionNames() const override {
        return QStringList{pressAction(), showMenuAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action != pressAction() && action != showMenuAction()) return QAccessibleWidget::doAction(action);
        const Button button = action == pressAction() ? Button::Left : Button::Right;
        auto* coin = static_cast<CoinPicture*>(widget());
        QMetaObject::invokeMethod(coin, [coin, button] { coin->activate(button); }, Qt::QueuedConnection);
    }
};

class SquareAccessible : public QAccessibleWidget {
public:
    explicit SquareAccessible(TakeBackSquare* square) : QAccessibleWidget(square, QAccessible::Button) {}

    QStringList actionNames() const override { return QStringList{pressAction()} + QAccessibleWidget::actionNames(); }
    void doAction(const QString& action) override {
        if (action != pressAction()) return QAccessibleWidget::doAction(action);
        auto* square = static_cast<TakeBackSquare*>(widget());
        QMetaObject::invokeMethod(square, [square] { square->activate(); }, Qt::QueuedConnection);
    }
};

// Qt asks for each class of an object's hierarchy in turn, the most derived first.
QAccessibleInterface* accessibleFor(const QString& className, QObject* object) {
    if (className == QLatin1String(CoinPicture::staticMetaObject.className()))
        return new CoinAccessible(static_cast<CoinPicture*>(object));
    if (className == QLatin1String(TakeBackSquare::staticMetaObject.className()))
        return new SquareAccessible(static_cast<TakeBackSquare*>(object));
    if (className == QLatin1String(Purse::staticMetaObject.className()))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Grouping);
    if (className == QLatin1String(Announcer::staticMetaObject.className()))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
    return nullptr;
}

}  // namespace

void installAccessibility() {
    // Qt keeps one list of factories for the process and adds each one once.
    QAccessible::installFactory(accessibleFor);
}

Announcer::Announcer(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Announcer"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(0, 0);
    timer_.setSingleShot(true);
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &Announcer::speak);
}

void Announcer::say(const QString& message) {
    if (message.isEmpty() || !QAccessible::isActive()) return;
    pending_.append(message);
    timer_.start();
}

// Screen readers speak a notification when it shows: the message becomes its name, and
// it shows again.
void Announcer::speak() {
    if (pending_.isEmpty()) return;
    setAccessibleName(pending_.join(QLatin1Char(' ')));
    pending_.clear();
    QAccessibleEvent shown(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

}  // namespace piecettes
