// The pointer relay seen from the X side, on a private session bus where a stand-in plays
// KWin's part at the moments a real KWin cannot be made to have: started after the kitten
// (autostart at login), gone and back (restarted). The places it sends are logical
// coordinates at half the root's size (X11 apps scale themselves), so a place taken shows
// doubled; when it stops delivering, the eyes follow X11's pointer again within a second.
// KWin's logical size against the root is also the display scale that the kitten takes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

#include "Vellory.h"
#include "tests/support/EyeCheck.h"

using namespace xtest;

namespace {

constexpr milliseconds FallBack(1000);

// A session bus of the test's own.
class SessionBus {
  public:
    SessionBus() {
        Launch launch;
        launch.argv = {"dbus-daemon", "--session", "--nofork", "--address=" + Address()};
        daemon_ = Child(launch);
        if (!WaitUntil([&] { return std::filesystem::exists(folder_.Path() / "bus"); },
                       milliseconds(5000)))
            throw std::runtime_error("the bus daemon did not start");
    }
    std::string Address() const { return "unix:path=" + (folder_.Path() / "bus").string(); }
    const std::filesystem::path& Runtime() const { return folder_.Path(); }
    void Kill() { daemon_.Kill(); }

  private:
    TempFolder folder_;
    Child daemon_;
};

// KWin's scripting interface and the loaded script's calls, played by stand-in-kwin.py.
class StandInKWin {
  public:
    StandInKWin(const SessionBus& bus, bool stale = false) {
        const std::filesystem::path fifo = folder_.Path() / "commands";
        mkfifo(fifo.c_str(), 0600);
        Launch launch;
        launch.argv = {VELLORY_SOURCE_DIR "/tests/x11/stand-in-kwin.py", fifo.string()};
        if (stale) launch.argv.emplace_back("--stale");
        launch.environment.Set("DBUS_SESSION_BUS_ADDRESS", bus.Address());
        launch.output = folder_.Path() / "said";
        process_ = Child(launch);
        if (!WaitUntil([&] { return Said().find("ready") != std::string::npos; },
                       milliseconds(10000)))
            throw std::runtime_error("the stand-in did not start: " + Said());
        commands_ = open(fifo.c_str(), O_WRONLY);
    }
    ~StandInKWin() { close(commands_); }
    StandInKWin(const StandInKWin&) = delete;
    StandInKWin& operator=(const StandInKWin&) = delete;

    std::string Said() const { return ReadFile(folder_.Path() / "said"); }
    bool WaitForRun() const {
        return WaitUntil([&] { return Said().find("\nrun") != std::string::npos; },
                         milliseconds(5000));
    }
    void Send(const std::string& line) {
        const std::string text = line + "\n";
        (void)!write(commands_, text.data(), text.size());
    }
    void Quit() {
        Send("quit");
        process_.Wait(milliseconds(5000));
    }

  private:
    TempFolder folder_;
    Child process_;
    int commands_ = -1;
};

class Relay : public OnDesktop {
  protected:
    // `pinned`: at scale 1 whatever KWin's sizes say (these tests are about places).
    Window StartKitten(bool pinned = true, Point place = Middle) {
        Environment environment = desktop.ClientEnvironment();
        if (pinned) environment.Set("VELLORY_SCALE", "1");
        environment.Set("WAYLAND_DISPLAY", "wayland-test");
        environment.Set("XDG_CURRENT_DESKTOP", "KDE");
        environment.Set("XDG_RUNTIME_DIR", bus.Runtime().string());
        environment.Set("DBUS_SESSION_BUS_ADDRESS", bus.Address());
        vellory.WriteSettings(SavedPlace(place));
        auto [started, window] = vellory.StartAndWait(environment);
        run = started;
        return window;
    }
    // Screen at half the root's size, and a place in it.
    static void Deliver(StandInKWin& kwin, Point logical) {
        kwin.Send("screen 640 512");
        kwin.Send("pointer " + std::to_string(logical.x) + " " + std::to_string(logical.y));
    }

    SessionBus bus;
    Vellory::Run* run = nullptr;
};

// The same place, logical and root; the eyes turn another way if it were taken unscaled.
constexpr Point Logical{400, 100}, Root{800, 200};

}  // namespace

TEST_P(Relay, PicksUpAKWinThatComesLaterFallsBackWhenItGoesAndPicksItUpAgain) {
    desktop.MovePointer({1100, 900});
    const Window window = StartKitten();
    EXPECT_TRUE(PupilsLookAt(desktop, window, {1100, 900}));

    auto kwin = std::make_unique<StandInKWin>(bus);  // after the kitten, as at login
    ASSERT_TRUE(kwin->WaitForRun()) << kwin->Said();
    EXPECT_NE(kwin->Said().find("load " + bus.Runtime().string() +
                                "/vellory/pointer-relay.js vellory-pointer-relay"),
              std::string::npos)
        << kwin->Said();
    Deliver(*kwin, Logical);
    EXPECT_TRUE(PupilsLookAt(desktop, window, Root, milliseconds(500)));

    kwin->Quit();  // gone: X11's pointer again
    desktop.MovePointer({900, 100});
    EXPECT_TRUE(PupilsLookAt(desktop, window, {900, 100}, FallBack));

    kwin = std::make_unique<StandInKWin>(bus);  // restarted: a new owner of the name
    ASSERT_TRUE(kwin->WaitForRun()) << kwin->Said();
    Deliver(*kwin, Logical);
    EXPECT_TRUE(PupilsLookAt(desktop, window, Root, milliseconds(500)));

    kwin->Send("screen 0 0");  // the script's end
    desktop.MovePointer({200, 800});
    EXPECT_TRUE(PupilsLookAt(desktop, window, {200, 800}, FallBack));
    EXPECT_EQ(run->Errors(), "");
}

// KWin's logical size against the root is Xwayland's scale: the kitten follows it as it
// changes, and keeps it from Xft.dpi (none here: 1) once the script ends.
TEST_P(Relay, TheKittenTakesXwaylandsScaleFromKWinsLogicalSize) {
    const Window window = StartKitten(false, {40, 30});
    StandInKWin kwin(bus);
    ASSERT_TRUE(kwin.WaitForRun()) << kwin.Said();
    const struct {
        const char* screen;
        double scale;
    } steps[] = {{"screen 640 512", 2},
                 {"screen 853 683", 1.5},
                 {"screen 1280 1024", 1},
                 {"screen 640 512", 2},
                 {"screen 0 0", 1}};
    for (const auto& step : steps) {
        kwin.Send(step.screen);
        const Point size{Scaled(KittenWidth, step.scale), Scaled(KittenHeight, step.scale)};
        EXPECT_TRUE(WaitUntil([&] { return desktop.Size(window) == size; }, milliseconds(2000)))
            << step.screen << ": " << testing::PrintToString(desktop.Size(window));
        vellory.SetScale(step.scale);
        std::string first;
        const auto mask = desktop.ShapeMask(window, ShapeBounding, size.x, size.y);
        EXPECT_EQ(CountWrongShapePixels(mask, &first, step.scale), 0) << step.screen << first;
    }
    EXPECT_EQ(run->Errors(), "");
}

TEST_P(Relay, ABusThatGoesLeavesX11sPointerAndNoSpinning) {
    const Window window = StartKitten();
    StandInKWin kwin(bus);
    ASSERT_TRUE(kwin.WaitForRun()) << kwin.Said();
    Deliver(kwin, Logical);
    ASSERT_TRUE(PupilsLookAt(desktop, window, Root, milliseconds(500)));

    bus.Kill();
    desktop.MovePointer({900, 100});
    EXPECT_TRUE(PupilsLookAt(desktop, window, {900, 100}, FallBack));
    const auto before = CpuTimeOf(run->process.Pid());
    Pause(milliseconds(2000));
    const auto after = CpuTimeOf(run->process.Pid());
    ASSERT_TRUE(before && after);
    EXPECT_LT(*after - *before, milliseconds(100)) << "processor time in 2 s at rest";
    EXPECT_TRUE(run->process.Running());
    EXPECT_EQ(run->Errors(),
              "vellory: the eyes follow the pointer only over X11 windows: lost the session bus\n");
}

TEST_P(Relay, UnloadsAStaleScriptBeforeLoadingAndItsOwnWhenItEnds) {
    StandInKWin kwin(bus, /*stale=*/true);
    const Window window = StartKitten();
    ASSERT_TRUE(kwin.WaitForRun()) << kwin.Said();
    const std::string said = kwin.Said();
    const std::size_t unload = said.find("unload vellory-pointer-relay"),
                      load = said.find("load " + bus.Runtime().string());
    ASSERT_NE(unload, std::string::npos) << said;
    EXPECT_LT(unload, load) << said;
    struct stat folder {};
    ASSERT_EQ(stat((bus.Runtime() / "vellory").c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);

    ASSERT_TRUE(vellory.QuitByDoubleClick(run->process, window));
    EXPECT_TRUE(WaitUntil([&] { return kwin.Said().rfind("unload") > load; }, milliseconds(2000)))
        << kwin.Said();
}

INSTANTIATE_TEST_SUITE_P(, Relay, testing::Values(Wm::Bare), DesktopName);

// NOTE: any client of the bus may have KWin run a file: the script is written only into a
// folder no one else can change, and a folder that is not one is refused, not repaired.
TEST_P(Relay, WritesTheScriptOnlyIntoAFolderOfItsOwn) {
    struct Setup {
        const char* what;
        void (*prepare)(const std::filesystem::path& runtime,
                        const std::filesystem::path& elsewhere);
    };
    const Setup setups[] = {
        {"a link to another folder",
         [](const auto& runtime, const auto& elsewhere) {
             std::filesystem::create_directory_symlink(elsewhere, runtime / "vellory");
         }},
        {"a folder open to the group",
         [](const auto& runtime, const auto&) {
             std::filesystem::create_directory(runtime / "vellory");
             chmod((runtime / "vellory").c_str(), 0750);
         }},
        {"a runtime folder anyone may write",
         [](const auto& runtime, const auto&) { chmod(runtime.c_str(), 0777); }},
    };
    for (const Setup& setup : setups) {
        SessionBus ownBus;
        TempFolder elsewhere;
        setup.prepare(ownBus.Runtime(), elsewhere.Path());
        StandInKWin kwin(ownBus);
        Environment environment = desktop.ClientEnvironment();
        environment.Set("WAYLAND_DISPLAY", "wayland-test");
        environment.Set("XDG_RUNTIME_DIR", ownBus.Runtime().string());
        environment.Set("DBUS_SESSION_BUS_ADDRESS", ownBus.Address());
        Vellory::Run& started = vellory.Start(environment);
        vellory.WaitForEyes(vellory.WaitForWindow(started));
        Pause(milliseconds(300));
        EXPECT_EQ(kwin.Said().find("\nload "), std::string::npos)
            << setup.what << ": " << kwin.Said();
        EXPECT_NE(started.Errors().find("the KWin script is not loaded"), std::string::npos)
            << setup.what << ": " << started.Errors();
        EXPECT_TRUE(std::filesystem::is_empty(elsewhere.Path())) << setup.what;
        started.process.Kill();
        chmod(ownBus.Runtime().c_str(), 0700);
    }
}
