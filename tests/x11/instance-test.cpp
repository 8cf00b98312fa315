// One copy per user and display: a second start ends at once with status 0 and shows
// no window, wherever its executable lies; of twenty copies started together exactly
// one stays; a copy on another display is another user's session and runs.
#include <vector>

#include "Vellory.h"

using namespace xtest;

using Instances = OnDesktop;

TEST_P(Instances, ASecondCopyEndsAtOnceWithoutAWindow) {
    auto [first, window] = vellory.StartAndWait();
    Vellory elsewhere(desktop);  // the same program in another folder

    for (Vellory* copy : {&vellory, &elsewhere}) {
        Vellory::Run& second = copy->Start();
        EXPECT_TRUE(ExitedWith(second.process.Wait(milliseconds(1000)), 0)) << "within a second";
        EXPECT_EQ(second.Errors(), "");
    }
    Pause(milliseconds(200));
    EXPECT_EQ(vellory.Windows(), std::vector<Window>{window});
    EXPECT_TRUE(first->process.Running());
    EXPECT_FALSE(vellory.Settings().has_value());
    EXPECT_FALSE(elsewhere.Settings().has_value());

    // Another display is another session: a copy there runs.
    Desktop other(Wm::Bare);
    Vellory there(other);
    auto [third, window3] = there.StartAndWait();
    EXPECT_TRUE(third->process.Running());
    EXPECT_TRUE(first->process.Running());
}

TEST_P(Instances, TwentyStartedTogetherLeaveExactlyOne) {
    std::vector<Vellory::Run*> runs;
    for (int i = 0; i < 20; ++i) runs.push_back(&vellory.Start());

    int ended = 0, endedWell = 0;
    Vellory::Run* survivor = nullptr;
    EXPECT_TRUE(WaitUntil(
        [&] {
            ended = endedWell = 0;
            for (Vellory::Run* run : runs) {
                const auto status = run->process.Wait(milliseconds(0));
                ended += status.has_value();
                endedWell += static_cast<bool>(ExitedWith(status, 0));
                if (!status) survivor = run;
            }
            return ended >= 19;
        },
        milliseconds(20000)));
    EXPECT_EQ(ended, 19);
    EXPECT_EQ(endedWell, 19);
    ASSERT_NE(survivor, nullptr);
    const Window window = vellory.WaitForWindow(*survivor);
    vellory.WaitForEyes(window);
    Pause(milliseconds(200));
    EXPECT_EQ(vellory.Windows(), std::vector<Window>{window});
    EXPECT_TRUE(survivor->process.Running());
}

INSTANTIATE_TEST_SUITE_P(, Instances, BothDesktops, DesktopName);
