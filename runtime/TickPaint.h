// What the last tick painted straight onto a window, kept so that a repaint of the window
// (it was uncovered) shows the eyes again at once rather than the bare picture until a
// tick: ticks come only when something changed, and a still pointer brings none.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/Native.h"

namespace runtime {

class TickPaint {
  public:
    // Records while it lives, a tick long; what the tick before painted is forgotten.
    class Recording {
      public:
        explicit Recording(TickPaint& paint) : paint_(paint) { paint_.Begin(); }
        ~Recording() { paint_.recording_ = false; }
        Recording(const Recording&) = delete;
        Recording& operator=(const Recording&) = delete;

      private:
        TickPaint& paint_;
    };

    // One fill of the tick, in order; ignored outside a tick.
    void Add(native::Colour colour, const native::Span* spans, std::size_t count);
    void Replay(native::WindowId window) const;
    // Nothing to replay: the window took a new content (another display scale), on which
    // the last tick's spans no longer lie; the next tick paints the eyes.
    void Forget();

  private:
    void Begin();
    struct Fill {
        native::Colour colour;
        std::size_t first, count;  // into spans_
    };
    bool recording_ = false;
    // NOTE: cleared, never shrunk: after the first tick no tick allocates.
    std::vector<Fill> fills_;
    std::vector<native::Span> spans_;
};

}  // namespace runtime
