// The change question's hint gives the way to take a coin away with the pointer the
// child used last: the mouse's right button, or a finger held on the coin. The rules
// write the mouse's way; the window and the page show the finger's in its place.
#pragma once

#include <string>

#include "exercise.h"

namespace piecettes {

enum class Pointer { Mouse, Finger };

// The hint line as shown for a caption the rules wrote.
inline std::string shownHint(const std::string& caption, Pointer pointer) {
    return pointer == Pointer::Finger && caption == text::RightClickHint ? std::string(text::FingerHint) : caption;
}

}  // namespace piecettes
