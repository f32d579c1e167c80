// Tells which kind of pointer the child used last, for the hint line.
#pragma once

#include <QObject>

#include <functional>

#include "catalogue.h"

namespace piecettes {

// Watches the whole application's input, installed on it for its own lifetime: a touch
// anywhere makes the pointer a finger, a press of a real mouse (not one Qt makes from a
// touch) a mouse. changed is called on each change, never for the same kind twice.
class PointerWatch final : public QObject {
public:
    explicit PointerWatch(std::function<void(Pointer)> changed, QObject* parent = nullptr);
    ~PointerWatch() override;
    Pointer pointer() const { return pointer_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(Pointer)> changed_;
    Pointer pointer_ = Pointer::Mouse;
};

}  // namespace piecettes
