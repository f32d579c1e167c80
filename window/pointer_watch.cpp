#include "pointer_watch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QInputDevice>
#include <QMouseEvent>

namespace piecettes {

PointerWatch::PointerWatch(std::function<void(Pointer)> changed, QObject* parent)
    : QObject(parent), changed_(std::move(changed)) {
    QCoreApplication::instance()->installEventFilter(this);
}

PointerWatch::~PointerWatch() {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
}

bool PointerWatch::eventFilter(QObject*, QEvent* event) {
    Pointer seen = pointer_;
    switch (event->type()) {
        case QEvent::TouchBegin: seen = Pointer::Finger; break;
        case QEvent::MouseButtonPress: {
            const QInputDevice* device = static_cast<QMouseEvent*>(event)->device();
            if (device && device->type() == QInputDevice::DeviceType::Mouse) seen = Pointer::Mouse;
            break;
        }
        default: break;
    }
    if (seen != pointer_) {
        pointer_ = seen;
        changed_(seen);
    }
    return false;
}

}  // namespace piecettes
