// The kitten as a layer-shell surface of its own under wlroots compositors (sway, labwc)
// and KWin over an Xwayland before 24.1, seen through the compositor's own screen shots
// and driven through its own pointer input:
// it comes up at its saved place drawn for the output's scale, lets the window below show
// and take presses beside its face while staying on top, looks at the pointer wherever it
// is, drags, quits by double-click saving its place, sleeps at rest, waits for a seat
// that has no pointer yet, and outlives its output going.
#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "NativeSession.h"
#include "tests/support/EyeCheck.h"

using namespace wltest;

namespace {

constexpr Point Saved{300, 200};
constexpr milliseconds TurnDeadline(500);
constexpr const char* OnlyOverTheKitten =
    "the eyes follow the pointer only over the kitten here: no cursor sessions";

class Native : public testing::Test {
  protected:
    void SetUp() override {
        if (!NativeBackendRuns())
            GTEST_SKIP() << "the kitten is an X11 window here (relay-test.cpp)";
    }
    // NOTE: wlroots 0.18 draws the cursor into the screen shots: it starts away from
    // the kitten, wherever the last test left it.
    void Start(bool withPointer = true) {
        if (withPointer) {
            mover = std::make_unique<Mover>(*Desktop());
            mover->MoveTo(Away);
        }
        kitten.Start();
    }
    static constexpr Point Away{5, 5};
    // Places round the kitten: over whatever lies beside it, and below it.
    std::vector<Point> Around() const {
        const Point at = kitten.Position();
        return {{at.x - 150, at.y + 120},
                {at.x + KittenWidth + 150, at.y + 40},
                {at.x + 100, at.y + KittenHeight + 150},
                {5, 5}};
    }
    testing::AssertionResult FollowsTo(Point place) {
        mover->MoveTo(place);
        return kitten.LooksAt(place, TurnDeadline);
    }
    // The screen over the kitten shows its picture for the scale exactly inside the face,
    // eyes painted, the face's outermost pixels blended with `below`, and `below` wherever
    // the picture is transparent.
    testing::AssertionResult Shows(std::uint32_t below) {
        std::string first;
        if (WaitUntil(
                [&] {
                    return CountWrongPixels(kitten.Look(), below, &first, kitten.Scale(),
                                            Edge::Blended) == 0;
                },
                milliseconds(2000), milliseconds(100)))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << first;
    }
    // A logical pixel of the kitten's square that is transparent at every device pixel.
    Point Transparent() const {
        const Picture& picture = Kitten(kitten.Scale());
        for (int y = 0; y < KittenHeight; ++y)
            for (int x = 0; x < KittenWidth; ++x) {
                bool clear = true;
                const Point from = Scaled(Point{x, y}, kitten.Scale());
                const Point to = Scaled(Point{x + 1, y + 1}, kitten.Scale());
                for (int dy = from.y; dy < to.y && clear; ++dy)
                    for (int dx = from.x; dx < to.x && clear; ++dx) clear = picture.IsKey(dx, dy);
                if (clear && x >= 3 && y >= 3) return Point{x, y};
            }
        throw std::runtime_error("no transparent pixel in the kitten's square");
    }
    void Click(Point at) {
        mover->MoveTo(at);
        Pause(milliseconds(100));
        mover->Press();
        Pause(milliseconds(40));
        mover->Release();
    }

    NativeKitten kitten{Saved};
    std::unique_ptr<Mover> mover;
};

}  // namespace

TEST_F(Native, ComesUpAtItsSavedPlaceDrawnForTheScale) {
    Start();
    EXPECT_EQ(kitten.Position(), Saved);
    // Drawn for the output's scale: every pixel of the picture for it inside the face, at
    // round(207 s) x round(220 s) (the picture's own size), its outline blended with the
    // desktop, which shows in the corners.
    const Point aside{Saved.x - 20, Saved.y + 20};
    EXPECT_TRUE(Shows(ColourAt(aside)));
    EXPECT_TRUE(kitten.Process().Running()) << kitten.Errors();
}

TEST_F(Native, ATransparentCornerShowsAndPassesOnTheWindowBelowAndTheFaceStaysOnTop) {
    Start();
    const NativeWindow native;  // opened after the kitten, over the whole output
    const Point aside{Saved.x - 20, Saved.y + 20};
    EXPECT_TRUE(Shows(ColourAt(aside))) << "with the native window below";
    const Point corner = kitten.Position() + Transparent();
    const int before = native.Presses();
    const bool focused = native.Active();  // where the seat has a keyboard (KWin)
    Click(corner);
    EXPECT_TRUE(WaitUntil([&] { return native.Presses() > before; }, milliseconds(2000)))
        << "the press at (" << corner.x << ", " << corner.y << ") did not reach the window below";
    if (focused) {
        EXPECT_TRUE(native.Active()) << "the press beside the face took the focus";
    }
    mover->MoveTo(Away);
    Pause(milliseconds(300));
    // NOTE: the window's colour may change as it takes the focus.
    EXPECT_TRUE(Shows(ColourAt(aside))) << "after the window below was clicked";
    EXPECT_EQ(kitten.Find(), Saved);
}

TEST_F(Native, EyesFollowThePointerOverTheDesktopAndOverANativeWindow) {
    if (!CursorSessions()) GTEST_SKIP() << OnlyOverTheKitten;
    Start();
    for (const Point place : Around()) EXPECT_TRUE(FollowsTo(place)) << "the empty desktop";
    const NativeWindow native;
    for (const Point place : Around()) EXPECT_TRUE(FollowsTo(place)) << "the native window";
    const Point face = kitten.Position() + FacePoint;
    EXPECT_TRUE(FollowsTo(face)) << "its own face";
}

TEST_F(Native, EyesFollowThePointerOnTheOtherOutput) {
    if (SessionOutputs() < 2) GTEST_SKIP() << "one output in this session";
    if (!CursorSessions()) GTEST_SKIP() << OnlyOverTheKitten;
    Start();
    // NOTE: the pointer comes back to the very spot where it left the first output, of
    // which that output's cursor session tells no new position.
    for (const Point place :
         {Point{500, 650}, Point{OutputSize.x + 520, 600}, Point{500, 650},
          Point{OutputSize.x + 100, 100}, Point{2 * OutputSize.x - 10, OutputSize.y - 10},
          Point{OutputSize.x + 5, Saved.y + 100}, Point{OutputSize.x - 5, 5}})
        EXPECT_TRUE(FollowsTo(place)) << place.x << ", " << place.y;
    // The pointer device goes and comes again (unplugged, plugged in) after the pointer
    // crossed the outputs' border: the eyes look where it is, not where the other output
    // saw it last.
    const Point back = Around()[0];
    ASSERT_TRUE(FollowsTo(back));
    mover.reset();
    mover = std::make_unique<Mover>(*Desktop());
    Pause(milliseconds(500));  // what the outputs tell of the new device
    EXPECT_TRUE(kitten.LooksAt(back, TurnDeadline));
}

// A monitor unplugged or asleep takes its output away: the kitten goes on whole on an
// output that stays, or, with none left, waits for one to come; it runs on throughout and
// looks at the pointer wherever it shows.
TEST_F(Native, WhenItsOutputGoesItMovesToOneThatStaysOrWaitsForOne) {
    if (!CursorSessions()) GTEST_SKIP() << OnlyOverTheKitten;
    if (!OnWlroots()) GTEST_SKIP() << "outputs are switched through wlr-randr";
    struct Step {
        std::vector<bool> on;  // the outputs that are there
        int shownOn;           // the output that shows it afterwards; -1: none
        Point at;
    };
    const Point besideTheBorder{OutputSize.x - KittenWidth, Saved.y};
    std::vector<Step> steps{{{false}, -1, {}}, {{true}, 0, Saved}};
    if (SessionOutputs() > 1)
        steps = {{{false, true}, 1, {OutputSize.x, Saved.y}},
                 {{false, false}, -1, {}},
                 {{true, false}, 0, besideTheBorder},
                 {{true, true}, 0, besideTheBorder}};
    struct AllOnAtTheEnd {  // for the tests after this one, whatever happened here
        ~AllOnAtTheEnd() {
            try {
                SetOutputs(std::vector<bool>(SessionOutputs(), true));
            } catch (const std::runtime_error& error) {
                ADD_FAILURE() << error.what();
            }
        }
    } allOn;
    Start();
    for (const Step& step : steps) {
        SCOPED_TRACE("outputs on: " + testing::PrintToString(step.on));
        SetOutputs(step.on);
        if (step.shownOn < 0) {
            Pause(milliseconds(1000));
            ASSERT_TRUE(kitten.Process().Running()) << kitten.Errors();
            continue;
        }
        EXPECT_TRUE(WaitUntil([&] { return kitten.Find(step.shownOn) == step.at; },
                              milliseconds(3000), milliseconds(100)))
            << "at " << testing::PrintToString(kitten.Position());
        EXPECT_TRUE(FollowsTo(kitten.Position() + Point{KittenWidth / 2, KittenHeight + 150}));
    }
    EXPECT_TRUE(kitten.Process().Running()) << kitten.Errors();
}

// Over its own face the eyes take the pointer's positions on the surface, which count from
// the place the compositor last confirmed: right where it started and where it was dragged.
TEST_F(Native, EyesFollowThePointerAcrossItsOwnFaceWhereverItStands) {
    Start();
    const Point by{-120, 60};
    for (const bool dragged : {false, true}) {
        if (dragged) {
            mover->Drag(Saved + FacePoint, by);
            mover->MoveTo(Away);
            ASSERT_TRUE(WaitUntil([&] { return kitten.Find() == Saved + by; }, milliseconds(3000),
                                  milliseconds(100)))
                << "at " << testing::PrintToString(kitten.Position());
        }
        const Point at = kitten.Position();
        for (const Point on : {Point{40, 160}, Point{68, 140}, Point{90, 118}, Point{170, 160}})
            EXPECT_TRUE(FollowsTo(at + on)) << (dragged ? "dragged" : "where it started");
    }
}

TEST_F(Native, ADragLandsWhereItWasDraggedAndADoubleClickQuitsSavingThePlace) {
    Start();
    const Point by{100, 50};
    const Point from = Saved + FacePoint, to = Saved + by;
    mover->Drag(from, by);
    mover->MoveTo(Away);
    EXPECT_TRUE(
        WaitUntil([&] { return kitten.Find() == to; }, milliseconds(3000), milliseconds(100)))
        << "at " << testing::PrintToString(kitten.Position());
    Pause(milliseconds(500));
    EXPECT_EQ(kitten.Find(), to) << "after the release";

    const Point left = kitten.Position();  // where it is, whether or not the drag worked
    Click(left + FacePoint);
    Pause(milliseconds(80));
    Click(left + FacePoint);
    EXPECT_TRUE(ExitedWith(kitten.Process().Wait(milliseconds(5000)), 0)) << kitten.Errors();
    EXPECT_EQ(kitten.Settings(), SavedPlace(left));
}

// Dropped on the other output, it stays there whole with its eyes, while the pointer goes
// back with no button held, and a double-click there saves that place.
TEST_F(Native, ADropOnTheOtherOutputStaysThereAndADoubleClickSavesIt) {
    if (SessionOutputs() < 2) GTEST_SKIP() << "one output in this session";
    Start();
    // NOTE: whole device pixels at every scale tried (1, 1.25, 1.75, 2): a shot of a place
    // between them comes out resampled.
    const Point dropped{OutputSize.x + 100, 132};
    mover->Drag(Saved + FacePoint, {dropped.x - Saved.x, dropped.y - Saved.y});
    const auto there = [&] { return kitten.Find(1) == dropped; };
    const std::uint32_t desktop = ColourAt(dropped + Point{-20, 20});
    // NOTE: the first time the kitten meets the other output's scale it paints its picture
    // for it (a second or so on a busy machine) before it takes the drag's last moves.
    auto deadline = milliseconds(10000);
    for (const Point back : {Point{900, 430}, Point{196, 130}, Point{500, 650}}) {
        mover->MoveTo(back);
        EXPECT_TRUE(
            WaitUntil(there, std::exchange(deadline, milliseconds(1000)), milliseconds(100)))
            << "after a move to " << back.x << ", " << back.y << ": at "
            << testing::PrintToString(kitten.Position());
        if (CursorSessions()) {
            EXPECT_TRUE(kitten.LooksAt(back, TurnDeadline));
        }
    }
    EXPECT_TRUE(Shows(desktop)) << "drawn whole on the other output";
    EXPECT_TRUE(FollowsTo(dropped + Point{68, 140})) << "over its face";
    Click(dropped + FacePoint);
    Pause(milliseconds(80));
    Click(dropped + FacePoint);
    EXPECT_TRUE(ExitedWith(kitten.Process().Wait(milliseconds(5000)), 0)) << kitten.Errors();
    EXPECT_EQ(kitten.Settings(), SavedPlace(dropped));
}

// The display settings change the scale while it runs: it is drawn for the new one where
// it was, and its eyes go on following.
TEST_F(Native, OnAScaleChangeItIsDrawnForTheNewScaleWhereItWas) {
    if (Desktop() != "kwin")
        GTEST_SKIP() << "the scale is changed through KWin's output management";
    Start();
    // NOTE: a larger scale makes the output's logical size smaller, still holding the
    // kitten's place, and whole (1280 x 800 device pixels a scale): where it is not, KWin
    // resamples every surface.
    const double before = kitten.Scale(), after = before == 1.5 ? 2 : before * 1.25;
    struct ScaleBack {  // for the tests after this one
        double scale;
        ~ScaleBack() { SetKWinScale(scale); }
    } back{before};
    const std::uint32_t desktop = ColourAt({Saved.x - 20, Saved.y + 20});
    SetKWinScale(after);
    EXPECT_TRUE(WaitUntil([&] { return kitten.Find(0, after) == Saved; }, milliseconds(10000),
                          milliseconds(200)))
        << "at " << testing::PrintToString(kitten.Position());
    EXPECT_TRUE(Shows(desktop));
    EXPECT_TRUE(FollowsTo(Around()[0]));
}

// Without cursor sessions the pointer it sees rests on its face.
TEST_F(Native, AtRestItWakesAtMostOnceInTenSeconds) {
    Start();
    const Point face = kitten.Position() + Point{170, 160};
    ASSERT_TRUE(FollowsTo(CursorSessions() ? Around()[1] : face));
    Pause(milliseconds(1500));  // the last ticks after the move
    const pid_t pid = kitten.Process().Pid();
    const long before = ContextSwitches(pid);
    Pause(milliseconds(10000));
    EXPECT_LE(ContextSwitches(pid) - before, 1) << "wake-ups in 10 s";
    // and it still follows
    EXPECT_TRUE(FollowsTo(CursorSessions() ? Around()[0] : kitten.Position() + Point{40, 160}));
}

TEST_F(Native, StartedBeforeTheSeatHasAPointerItWaitsAndFollowsOnceOneComes) {
    if (!CursorSessions()) GTEST_SKIP() << OnlyOverTheKitten;
    Start(false);
    Pause(milliseconds(1000));
    ASSERT_TRUE(kitten.Process().Running()) << kitten.Errors();
    mover = std::make_unique<Mover>(*Desktop());
    for (const Point place : Around()) EXPECT_TRUE(FollowsTo(place));
}

// The backend a user forces: the X11 one gives its window on Xwayland, eyes painted, and
// runs on; the native one where no Wayland display answers says why in one line and ends
// with status 1.
TEST_F(Native, AForcedBackendRunsOrSaysInOneLineWhyNot) {
    {
        XClient x{""};
        KittenProcess x11(x);
        EXPECT_NO_THROW(x11.Start({{"VELLORY_BACKEND", "x11"}}));
        Pause(milliseconds(500));
        EXPECT_TRUE(x11.Process().Running()) << x11.Errors();
    }
    KittenCopy copy;
    copy.Launch({{"VELLORY_BACKEND", "wayland"}, {"WAYLAND_DISPLAY", "no-such-display"}});
    EXPECT_TRUE(ExitedWith(copy.Process().Wait(milliseconds(5000)), 1));
    const std::string errors = copy.Errors();
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_NE(errors.find("WAYLAND_DISPLAY"), std::string::npos) << errors;
}

// Without libwayland-client (a file of its name that is no library, found first) the
// kitten is an X11 window on Xwayland, and says so in one line; forced to the native
// backend, it says why not in one line and ends with status 1.
TEST_F(Native, WithoutItsLibraryRunsOnXwaylandOrSaysWhyNot) {
    TempFolder folder;
    std::ofstream(folder.Path() / "libwayland-client.so.0").flush();
    const Variables noLibrary{{"LD_LIBRARY_PATH", folder.Path().string()}};
    const auto linesNaming = [](const std::string& errors) {
        std::istringstream lines(errors);
        int naming = 0;
        for (std::string line; std::getline(lines, line);)
            naming += line.find("libwayland-client") != std::string::npos;
        return naming;
    };
    {
        XClient x{""};
        KittenProcess x11(x);
        EXPECT_NO_THROW(x11.Start(noLibrary));
        EXPECT_EQ(linesNaming(x11.Errors()), 1) << x11.Errors();
        EXPECT_EQ(x11.Errors().rfind("vellory: the kitten runs as an X11 window", 0), 0)
            << x11.Errors();
    }
    KittenCopy forced;
    Variables forcing = noLibrary;
    forcing.emplace_back("VELLORY_BACKEND", "wayland");
    forced.Launch(forcing);
    EXPECT_TRUE(ExitedWith(forced.Process().Wait(milliseconds(5000)), 1));
    const std::string errors = forced.Errors();
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_EQ(linesNaming(errors), 1) << errors;
}
