// Telling a double-click from two clicks, as both Linux backends do: the second left
// press within the time and the distance, either way; a third press begins anew; the
// system's millisecond clock wraps.
#include <gtest/gtest.h>

#include "platform/DoubleClick.h"

namespace {

using Press = native::DoubleClicks::Press;

TEST(DoubleClick, SecondPressWithinTimeAndDistance) {
    const native::DoubleClickLimits limits;  // 500 ms, 4 pixels
    struct Case {
        const char* what;
        Press first, second;
        bool doubled;
    };
    const Case cases[] = {
        {"at once, same place", {1000, {10, 10}}, {1000, {10, 10}}, true},
        {"500 ms, 4 pixels each way", {1000, {10, 10}}, {1500, {14, 6}}, true},
        {"501 ms", {1000, {10, 10}}, {1501, {10, 10}}, false},
        {"5 pixels right", {1000, {10, 10}}, {1100, {15, 10}}, false},
        {"5 pixels up", {1000, {10, 10}}, {1100, {10, 5}}, false},
        {"across the clock's wrap", {0xFFFFFF00u, {0, 0}}, {0x00000010u, {1, 1}}, true},
        {"an earlier time is no double-click", {2000, {0, 0}}, {1900, {0, 0}}, false},
    };
    for (const Case& c : cases) {
        native::DoubleClicks clicks;
        EXPECT_FALSE(clicks.Ends(c.first, limits)) << c.what;
        EXPECT_EQ(clicks.Ends(c.second, limits), c.doubled) << c.what;
    }
}

TEST(DoubleClick, AThirdPressBeginsAnewAndAMissedOneStartsOver) {
    native::DoubleClicks clicks;
    const native::DoubleClickLimits limits;
    EXPECT_FALSE(clicks.Ends({0, {0, 0}}, limits));
    EXPECT_TRUE(clicks.Ends({100, {0, 0}}, limits));
    EXPECT_FALSE(clicks.Ends({200, {0, 0}}, limits));
    EXPECT_FALSE(clicks.Ends({900, {0, 0}}, limits));  // too late: it begins the next one
    EXPECT_TRUE(clicks.Ends({1000, {2, 2}}, limits));
}

}  // namespace
