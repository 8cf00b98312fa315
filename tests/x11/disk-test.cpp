// Saving where the disk will not take it: a full file system and a read-only folder.
// The double-click still ends the program with status 0, the old settings file
// survives byte for byte, and no stray file is left beside it. Each run has a file
// system of its own, mounted in a private mount namespace (unshare -m), sized to hold the
// program and its settings with a little room: what fills it is the filler, not the copy.
#include <tuple>

#include "Vellory.h"

using namespace xtest;

namespace {

enum class Disk { Full, ReadOnly };

class UnwritableDisk : public testing::TestWithParam<std::tuple<Wm, Disk>> {};

// $1 the mount point, $2 the program's folder (executable and settings), $3 where to
// leave what the folder held afterwards, $4 full or readonly, $5 the file system's size in
// KiB. Leaves $3/mounted once the file system is there.
constexpr char Script[] = R"(set -e
mount -t tmpfs -o size="$5"k tmpfs "$1"
touch "$3/mounted"
cp "$2/vellory" "$2/vellory.ini" "$1/"
if [ "$4" = full ]; then
    dd if=/dev/zero of="$1/filler" bs=4096 2>/dev/null || true
else
    mount -o remount,ro "$1"
fi
set +e
"$1/vellory"
status=$?
cp "$1/vellory.ini" "$3/vellory.ini"
ls -A "$1" > "$3/files"
exit $status
)";

}  // namespace

TEST_P(UnwritableDisk, DoubleClickEndsItAndTheOldFileSurvives) {
    const auto& [wm, disk] = GetParam();
    Desktop desktop(wm);
    Vellory vellory(desktop);
    const std::string saved = SavedPlace({200, 100}) + "; kept as it is\n";
    vellory.WriteSettings(saved);
    const auto mountPoint = desktop.Scratch() / "disk";
    const auto after = desktop.Scratch() / "after";
    std::filesystem::create_directories(mountPoint);
    std::filesystem::create_directories(after);
    // NOTE: tmpfs counts whole pages; 1 MiB is room enough for the settings and the rest.
    const auto sizeKiB = std::filesystem::file_size(vellory.Folder() / "vellory") / 1024 + 1024;

    Launch launch;
    launch.argv = {"unshare",
                   "-m",
                   "sh",
                   "-c",
                   Script,
                   "sh",
                   mountPoint.string(),
                   vellory.Folder().string(),
                   after.string(),
                   disk == Disk::Full ? "full" : "readonly",
                   std::to_string(sizeKiB)};
    launch.environment = desktop.ClientEnvironment();
    launch.output = desktop.Scratch() / "disk.log";
    Child shell(launch);

    Window window = None;
    const bool shown = WaitUntil(
        [&] {
            for (Window w : vellory.Windows())
                if (desktop.Viewable(w)) window = w;
            return window != None || !shell.Running();
        },
        milliseconds(10000));
    if (!shown || window == None) {
        if (std::filesystem::exists(mountPoint / "vellory"))
            FAIL() << "the file system was mounted where the test can see it";
        // Only a mount refused (no CAP_SYS_ADMIN, no new mount namespace) is a skip.
        if (!std::filesystem::exists(after / "mounted"))
            GTEST_SKIP() << "cannot mount a file system of our own here: " << ReadFile(launch.output);
        FAIL() << "the program did not show on its own file system: " << ReadFile(launch.output);
    }
    vellory.WaitForEyes(window);
    ASSERT_EQ(vellory.Position(window), (Point{200, 100}));
    ASSERT_TRUE(vellory.DragBy(window, {70, 40}));
    EXPECT_TRUE(vellory.QuitByDoubleClick(shell, window)) << ReadFile(launch.output);
    EXPECT_EQ(ReadFile(after / "vellory.ini"), saved);
    const std::string files =
        disk == Disk::Full ? "filler\nvellory\nvellory.ini\n" : "vellory\nvellory.ini\n";
    EXPECT_EQ(ReadFile(after / "files"), files);
}

INSTANTIATE_TEST_SUITE_P(
    , UnwritableDisk, testing::Combine(BothDesktops, testing::Values(Disk::Full, Disk::ReadOnly)),
    [](const auto& info) {
        return std::string(std::get<1>(info.param) == Disk::Full ? "Full" : "ReadOnly") + "_" +
               WmName(std::get<0>(info.param));
    });
