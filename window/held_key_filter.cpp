#include "held_key_filter.h"

#include <QKeyEvent>
#include <QWidget>

namespace piecettes {

void HeldKeyFilter::watch(QWidget* control) { control->installEventFilter(this); }

void HeldKeyFilter::setTyping(QWidget* control) { typing_ = control; }

bool HeldKeyFilter::isRepeat(const QKeyEvent& event) const {
    if (event.isAutoRepeat()) return true;
    if (event.timestamp() == 0) return false;
    const auto release = lastRelease_.constFind(event.key());
    return release != lastRelease_.constEnd() && *release == event.timestamp();
}

bool HeldKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->timestamp() != 0) lastRelease_.insert(key->key(), key->timestamp());
            return false;
        }
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool press = event->type() == QEvent::KeyPress;
            if (!isRepeat(*key)) {
                // A shortcut may take this press before any control sees it.
                if (press && watched == typing_)
                    typingHolds_.insert(key->key());
                else
                    typingHolds_.remove(key->key());
                return false;
            }
            if (watched == typing_ && typingHolds_.contains(key->key())) return false;
            event->accept();
            return true;
        }
        default: return false;
    }
}

}  // namespace piecettes
