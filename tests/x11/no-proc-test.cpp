// Without /proc (a chroot, a container that does not mount it) the program cannot read
// where its executable is from the kernel; started by a path or by a bare name found on
// PATH through a link, as an install puts it, it still keeps its settings beside the real
// executable, under the executable's name. /proc is hidden in a private mount namespace.
#include "Vellory.h"

using namespace xtest;

namespace {

// $1 folders to put before PATH, $2 the name or path to start the program by.
constexpr char Script[] = R"(set -e
mount -t tmpfs hidden /proc
test ! -e /proc/self/exe
PATH="$1:$PATH" exec "$2"
)";

struct Way {
    const char* name;
    bool byPath;  // else by its bare name, through a link on PATH
};

class NoProc : public testing::TestWithParam<Way> {};

}  // namespace

TEST_P(NoProc, TheSettingsGoBesideTheRealExecutable) {
#ifdef __SANITIZE_ADDRESS__
    // NOTE: the sanitizers' runtime reads its options and the threads' list from /proc, and
    // its leak check ends the program with an error when it cannot.
    GTEST_SKIP() << "a sanitized program cannot run without /proc";
#endif
    Desktop desktop(Wm::Bare);
    Vellory vellory(desktop);
    vellory.WriteSettings(SavedPlace({200, 100}));
    const auto bin = desktop.Scratch() / "bin";
    std::filesystem::create_directories(bin);
    std::filesystem::create_symlink(vellory.Folder() / "vellory", bin / "vellory");

    Launch launch;
    launch.argv = {
        "unshare",    "-m",
        "sh",         "-c",
        Script,       "sh",
        bin.string(), GetParam().byPath ? (vellory.Folder() / "vellory").string() : "vellory"};
    launch.environment = desktop.ClientEnvironment();
    launch.output = desktop.Scratch() / "run.log";
    Child shell(launch);
    Window window = None;
    const bool shown = WaitUntil(
        [&] {
            for (Window w : vellory.Windows())
                if (desktop.Viewable(w)) window = w;
            return window != None || !shell.Running();
        },
        milliseconds(10000));
    if (!shown || window == None)
        GTEST_SKIP() << "cannot hide /proc here: " << ReadFile(launch.output);
    vellory.WaitForEyes(window);
    EXPECT_EQ(vellory.Position(window), (Point{200, 100}));  // read from beside it
    ASSERT_TRUE(vellory.DragBy(window, {70, 40}));
    EXPECT_TRUE(vellory.QuitByDoubleClick(shell, window)) << ReadFile(launch.output);
    EXPECT_EQ(vellory.Settings(), SavedPlace({270, 140}));
    EXPECT_FALSE(std::filesystem::exists(desktop.Scratch() / "config"));  // no per-user copy
}

INSTANTIATE_TEST_SUITE_P(, NoProc,
                         testing::Values(Way{"ByPath", true}, Way{"ByBareNameOnPath", false}),
                         [](const auto& info) { return std::string(info.param.name); });
