// A hand and an eye for an installed vellory that no test harness started (deb13-test.sh
// runs it inside a Debian 13 root): on $DISPLAY, finds the program's one window, checks
// that it shows the kitten cut to its outline (the picture from the source tree's
// window/kitten.bmp, over a root of a colour it does not use), that the pupils look at
// the pointer wherever XTest puts it, drags the window by a fixed step with the left
// button, checks the eyes again and double-clicks the face.
// Prints the window's place before the double-click ("placed X Y", root pixels), which
// the double-click must have saved; exit status 0 when every check held, 1 otherwise.
// Usage: kitten_probe
#include <cstdio>
#include <exception>

#include "tests/support/EyeCheck.h"
#include "tests/support/KittenPicture.h"

using namespace support;

namespace {

constexpr Point DragStep{-137, 150};            // off the default place, to a place no start gives
constexpr std::uint32_t Background = 0x2A5DB0;  // a root colour that the picture does not use

bool Check(const testing::AssertionResult& result, const char* what) {
    if (!result) std::fprintf(stderr, "kitten_probe: %s: %s\n", what, result.message());
    return static_cast<bool>(result);
}

// The window's shape is the picture's outline, and the screen over it shows the picture,
// the painted eyes, and the root's colour where the picture has its key colour.
bool ShowsTheKitten(XClient& x, Window window) {
    std::string first;
    const int outside = CountWrongShapePixels(
        x.ShapeMask(window, ShapeBounding, KittenWidth, KittenHeight), &first);
    if (outside > 0)
        std::fprintf(stderr, "kitten_probe: %d pixels of the shape are wrong, first %s\n", outside,
                     first.c_str());
    x.SetBackground(Background);
    int wrong = 0;
    WaitUntil(
        [&] { return (wrong = CountWrongPixels(LookAt(x, window), Background, &first)) == 0; },
        milliseconds(3000));
    if (wrong > 0)
        std::fprintf(stderr, "kitten_probe: %d pixels of the window are wrong, first %s\n", wrong,
                     first.c_str());
    return outside == 0 && wrong == 0;
}

// The eyes follow the pointer to each side of them and between them.
bool EyesFollow(XClient& x, Window window, Point at) {
    const Point eye1 = at + Eye1;
    const struct {
        const char* where;
        Point pointer;
    } places[] = {
        {"pointer far left", {20, eye1.y}},
        {"pointer far right", {1270, eye1.y + 3}},
        {"pointer below, between the eyes", {at.x + 104, 1000}},
        {"pointer on the face below the eyes", at + FacePoint},
    };
    bool all = true;
    for (const auto& place : places) {
        x.MovePointer(place.pointer);
        all = Check(PupilsLookAt(x, window, place.pointer), place.where) && all;
    }
    return all;
}

std::optional<Window> TheWindow(XClient& x) {
    std::optional<Window> found;
    WaitUntil(
        [&] {
            for (Window window : x.FindByClass("vellory"))
                if (x.Viewable(window)) found = window;
            return found.has_value();
        },
        milliseconds(10000));
    return found;
}

int Probe() {
    XClient x("");
    const std::optional<Window> window = TheWindow(x);
    if (!window) {
        std::fprintf(stderr, "kitten_probe: no viewable window of class vellory\n");
        return 1;
    }
    const std::optional<Point> start = x.RootPosition(*window);
    if (!start) return 1;
    bool all = ShowsTheKitten(x, *window);
    all = EyesFollow(x, *window, *start) && all;

    const Point grip = *start + FacePoint;
    x.Drag(1, grip, grip + DragStep);
    const Point target = *start + DragStep;
    std::optional<Point> moved;
    WaitUntil([&] { return (moved = x.RootPosition(*window)) == target; }, milliseconds(3000));
    if (moved != target) {
        std::fprintf(stderr, "kitten_probe: a drag by (%d, %d) left the window at (%d, %d)\n",
                     DragStep.x, DragStep.y, moved ? moved->x : -1, moved ? moved->y : -1);
        return 1;
    }
    all = EyesFollow(x, *window, *moved) && all;
    if (!all) return 1;

    std::printf("placed %d %d\n", moved->x, moved->y);
    std::fflush(stdout);
    x.DoubleClick(*moved + FacePoint);
    return 0;
}

}  // namespace

int main() {
    try {
        return Probe();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kitten_probe: %s\n", error.what());
        return 1;
    }
}
