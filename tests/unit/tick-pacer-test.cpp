// When the timer looks and ticks: scripted days of a backend, each step checked for
// whether it ticks, when the next look is due and whether motion reports are wanted.
#include <gtest/gtest.h>

#include <vector>

#include "platform/TickPacer.h"

namespace {

using native::TickPacer;
constexpr TickPacer::Ns Ms = 1000000;

struct Step {
    enum { Look, Moved } what;
    TickPacer::Ns at;  // ms
    bool changed;      // for a look: pointer or window moved since the last tick
    bool ticks;
    TickPacer::Ns due;  // ms
    bool wantsMotion;
};

void Play(TickPacer::Setup setup, const std::vector<Step>& steps) {
    TickPacer pacer;
    pacer.Start(setup, 0);
    EXPECT_EQ(pacer.Due(), 70 * Ms);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        bool ticked = false;
        if (step.what == Step::Look)
            ticked = pacer.Look(step.at * Ms, step.changed);
        else
            pacer.Moved(step.at * Ms);
        EXPECT_EQ(ticked, step.ticks) << "step " << i;
        EXPECT_EQ(pacer.Due(), step.due * Ms) << "step " << i;
        EXPECT_EQ(pacer.WantsMotion(), step.wantsMotion) << "step " << i;
    }
}

TickPacer::Setup Quiet(bool motionReported) {
    return {70 * Ms, TickPacer::Mode::Quiet, motionReported, 1000 * Ms};
}

TEST(TickPacerTest, WithMotionReportsItFollowsAtTheIntervalThenRestsWithASlowLook) {
    Play(Quiet(true),
         {
             {Step::Look, 70, true, true, 140, false},        // the first tick
             {Step::Look, 140, true, true, 210, false},       // moving: reports are not needed
             {Step::Look, 210, false, false, 210, true},      // still: reports again, look again
             {Step::Look, 211, false, false, 1211, true},     // then the slow look
             {Step::Look, 1211, true, true, 1281, false},     // a warp: following again
             {Step::Moved, 1220, false, false, 1281, false},  // following: nothing to add
             {Step::Look, 1281, false, false, 1281, true},
             {Step::Look, 1281, false, false, 2281, true},
             {Step::Moved, 1500, false, false, 1500, false},  // a report: look at once
             {Step::Moved, 1510, false, false, 1500, false},  // more reports: no later
             {Step::Look, 1510, true, true, 1580, false},
             {Step::Look, 1580, false, false, 1580, true},
             {Step::Moved, 1580, false, false, 1580, false},  // moved between the two looks
             {Step::Look, 1580, true, true, 1650, false},
         });
}

TEST(TickPacerTest, WithoutMotionReportsStillLooksBackOffToEightIntervals) {
    Play(Quiet(false), {
                           {Step::Look, 70, true, true, 140, false},
                           {Step::Look, 140, false, false, 280, false},
                           {Step::Look, 280, false, false, 560, false},
                           {Step::Look, 560, false, false, 1120, false},
                           {Step::Look, 1120, false, false, 1680, false},
                           {Step::Look, 1680, true, true, 1750, false},  // back to 70 ms
                           {Step::Look, 1750, false, false, 1890, false},
                           {Step::Moved, 1800, false, false, 1800, false},  // a window move
                           {Step::Look, 1800, true, true, 1870, false},
                       });
}

TEST(TickPacerTest, EveryIntervalTicksWhetherOrNotAnythingChanged) {
    Play({70 * Ms, TickPacer::Mode::EveryInterval, true, 1000 * Ms},
         {
             {Step::Look, 70, true, true, 140, false},
             {Step::Look, 141, false, true, 211, false},
             {Step::Moved, 150, false, false, 211, false},
             {Step::Look, 211, false, true, 281, false},
         });
}

}  // namespace
