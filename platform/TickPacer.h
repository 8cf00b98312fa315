// When a backend looks at the pointer and the window for the timer, and when it ticks.
// A tick's result depends only on the pointer's place and the window's rectangle, so a
// look that finds both where the last tick painted them delivers no tick. While either
// moves, looks come at the timer's interval; once they stand still, only a slow look
// remains (for warps, which no motion report announces), and a motion report or a window
// move brings the interval back at once. Without motion reports the looks back off
// instead: the interval, doubling to eight intervals, back to one on any change.
// Portable: the X11 and Win32 backends drive it with their own clocks and reports.
#pragma once

#include <cstdint>

namespace native {

class TickPacer {
  public:
    using Ns = std::int64_t;  // a monotonic clock's nanoseconds

    enum class Mode {
        Quiet,          // tick only while something changes
        EveryInterval,  // tick every interval, changed or not
    };

    struct Setup {
        Ns interval = 0;
        Mode mode = Mode::Quiet;
        bool motionReported = false;  // the system reports pointer motion (raw input)
        Ns slowLook = 0;              // the idle look, when motion is reported
    };

    // The first look (which always ticks) comes one interval after `now`.
    void Start(const Setup& setup, Ns now);
    bool Started() const { return setup_.interval > 0; }
    // The idle look's delay from the next idle look on (a backend whose pointer places are
    // all reported needs none: a very long one).
    void SetSlowLook(Ns slowLook) { setup_.slowLook = slowLook; }
    bool Quiet() const { return setup_.mode == Mode::Quiet; }

    // The pointer moved or the window moved or was resized: look soon, but never tick
    // sooner than one interval after the last tick.
    void Moved(Ns now);
    // The look that was due: `changed` when pointer or window differ from the last tick's.
    // True when the tick is to be delivered.
    bool Look(Ns now, bool changed);
    Ns Due() const { return due_; }

    // Whether motion reports are wanted now. While the looks come at the interval they add
    // nothing but wake-ups; the backend stops them and, when they are wanted again, starts
    // them before the next look, so that no motion falls between that look and the reports.
    bool WantsMotion() const { return setup_.motionReported && pace_ != Pace::Following; }

  private:
    enum class Pace {
        Following,   // looking at the interval
        Confirming,  // reports restarted: one more look at once, then idle
        Idle,        // slow looks, or backing off
    };
    Ns IdleDelay();

    Setup setup_;
    Pace pace_ = Pace::Following;
    Ns due_ = 0;
    Ns lastTick_ = 0;
    bool ticked_ = false;
    Ns backOff_ = 0;  // the last idle delay without motion reports
};

}  // namespace native
