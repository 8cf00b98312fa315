// The last tick's fills, replayed on a repaint: see TickPaint.h.
#include "runtime/TickPaint.h"

namespace runtime {

void TickPaint::Begin() {
    Forget();
    recording_ = true;
}

void TickPaint::Forget() {
    fills_.clear();
    spans_.clear();
}

void TickPaint::Add(native::Colour colour, const native::Span* spans, std::size_t count) {
    if (!recording_ || count == 0) return;
    fills_.push_back({colour, spans_.size(), count});
    spans_.insert(spans_.end(), spans, spans + count);
}

void TickPaint::Replay(native::WindowId window) const {
    for (const Fill& fill : fills_)
        native::FillSpans(window, fill.colour, spans_.data() + fill.first, fill.count);
}

}  // namespace runtime
