// The looks and ticks of a backend's timer: see TickPacer.h.
#include "platform/TickPacer.h"

#include <algorithm>

namespace native {

namespace {
constexpr int LongestBackOff = 8;  // intervals: 70 ms doubles to 560 ms
}

void TickPacer::Start(const Setup& setup, Ns now) {
    setup_ = setup;
    pace_ = Pace::Following;
    due_ = now + setup.interval;
    ticked_ = false;
    backOff_ = setup.interval;
}

void TickPacer::Moved(Ns now) {
    if (!Started() || !Quiet() || pace_ == Pace::Following) return;
    pace_ = Pace::Following;
    backOff_ = setup_.interval;
    const Ns earliest = ticked_ ? lastTick_ + setup_.interval : now;
    due_ = std::min(due_, std::max(now, earliest));
}

bool TickPacer::Look(Ns now, bool changed) {
    if (!Quiet() || changed) {
        lastTick_ = now;
        ticked_ = true;
        pace_ = Pace::Following;
        backOff_ = setup_.interval;
        due_ = now + setup_.interval;
        return true;
    }
    if (pace_ == Pace::Following && setup_.motionReported) {
        pace_ = Pace::Confirming;  // the backend restarts the reports, then looks again
        due_ = now;
        return false;
    }
    pace_ = Pace::Idle;
    due_ = now + IdleDelay();
    return false;
}

TickPacer::Ns TickPacer::IdleDelay() {
    if (setup_.motionReported) return setup_.slowLook;
    backOff_ = std::min(backOff_ * 2, setup_.interval * LongestBackOff);
    return backOff_;
}

}  // namespace native
