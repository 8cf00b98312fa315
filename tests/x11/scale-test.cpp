// At a display scale s (the desktop's Xft.dpi / 96, or VELLORY_SCALE over it) the
// kitten is the picture drawn for s: round(207 s) x round(220 s) device pixels centred at
// the top, shaped to exactly that picture's non-key pixels, its eyes and pupils drawn at
// the device's resolution; it drags and saves its place in the program's twips, and
// comes back to the same device place. When the desktop's scale changes while it runs, it
// takes the new scale's size, shape and picture at the same place in twips.
#include <cmath>
#include <cstdio>

#include "Vellory.h"
#include "tests/support/EyeCheck.h"

using namespace xtest;

namespace {

struct Setting {
    const char* name;
    int xftDpi;            // 0: none set
    const char* variable;  // VELLORY_SCALE, or nullptr
    double scale;          // what the program must draw at
};
void PrintTo(const Setting& setting, std::ostream* out) {
    *out << setting.name;
}

const Setting Settings[] = {
    {"XftDpi120", 120, nullptr, 1.25},
    {"XftDpi144", 144, nullptr, 1.5},
    {"XftDpi192", 192, nullptr, 2},
    {"VariableOverXftDpi", 144, "2.5", 2.5},
    // A variable that is no number (a comma for the decimal point) is not read; one below
    // the design's size gives the design's size.
    {"UnreadableVariable", 144, "1,75", 1.5},
    {"VariableBelowOne", 0, "0.4", 1},
};

class Scale : public testing::TestWithParam<std::tuple<Wm, Setting>> {
  protected:
    void SetUp() override {
        if (setting.xftDpi != 0) desktop.SetXftDpi(setting.xftDpi);
        vellory.SetScale(s);
    }
    Environment ScaledEnvironment() const {
        Environment environment = desktop.ClientEnvironment();
        if (setting.variable != nullptr) environment.Set("VELLORY_SCALE", setting.variable);
        return environment;
    }
    int Device(double programPixels) const { return Scaled(programPixels, s); }

    const Setting setting = std::get<1>(GetParam());
    const double s = setting.scale;
    Desktop desktop{std::get<0>(GetParam())};
    Vellory vellory{desktop};
};

}  // namespace

TEST_P(Scale, TheWindowIsThePictureDrawnForTheScaleWithItsEyes) {
    desktop.SetBackground(Background);
    auto [run, shown] = vellory.StartAndWait(ScaledEnvironment());
    const Window window = shown;  // NOTE: clang before 16 captures no binding
    const Point at = vellory.Position(window);
    const int width = Device(KittenWidth), height = Device(KittenHeight);
    EXPECT_EQ(desktop.Size(window), (Point{width, height}));
    EXPECT_EQ(at.y, 0);
    EXPECT_LE(std::abs(2 * at.x + width - 1280), 1) << "not centred: left " << at.x;

    for (int kind : {ShapeBounding, ShapeInput}) {
        std::string first;
        const auto mask = desktop.ShapeMask(window, kind, width, height);
        EXPECT_EQ(CountWrongShapePixels(mask, &first, s), 0)
            << (kind == ShapeBounding ? "bounding" : "input") << " shape: " << first;
    }
    // Inside the shape the picture's own pixels, or the eyes; the background elsewhere.
    std::string first;
    EXPECT_TRUE(WaitUntil(
        [&] { return CountWrongPixels(vellory.Look(window), Background, &first, s) == 0; },
        milliseconds(2000)))
        << first;

    for (const Point pointer : {Point{20, 400}, Point{1270, 30}, Point{640, 1010},
                                Point{at.x + width / 2, 900}, Point{0, 0}}) {
        desktop.MovePointer(pointer);
        EXPECT_TRUE(PupilsLookAt(desktop, window, pointer, milliseconds(2000), s));
    }
    EXPECT_TRUE(run->process.Running());
}

TEST_P(Scale, ADraggedPlaceIsSavedInProgramTwipsAndComesBackToTheSameDevicePixel) {
    auto [run, window] = vellory.StartAndWait(ScaledEnvironment());
    ASSERT_TRUE(vellory.DragBy(window, {-151, 203}));
    const Point moved = vellory.Position(window);
    ASSERT_TRUE(vellory.QuitByDoubleClick(run->process, window));
    const auto twips = [&](int device) { return std::to_string(std::lround(device * 15 / s)); };
    EXPECT_EQ(vellory.Settings(),
              "[Varnhold Quimbrel]\nTop=" + twips(moved.y) + "\nLeft=" + twips(moved.x) + "\n");
    auto [again, window2] = vellory.StartAndWait(ScaledEnvironment());
    EXPECT_EQ(vellory.Position(window2), moved);
    EXPECT_EQ(desktop.Size(window2), (Point{Device(KittenWidth), Device(KittenHeight)}));
}

INSTANTIATE_TEST_SUITE_P(, Scale, testing::Combine(BothDesktops, testing::ValuesIn(Settings)),
                         [](const auto& info) {
                             return WmName(std::get<0>(info.param)) + std::get<1>(info.param).name;
                         });

namespace {

// The desktop's scale changes while the kitten runs (Xft.dpi, as xrdb -merge sets it).
struct Change {
    const char* name;
    int fromDpi, toDpi;
    double from, to;
};
void PrintTo(const Change& change, std::ostream* out) {
    *out << change.name;
}

const Change Changes[] = {
    {"OneToTwo", 96, 192, 1, 2},
    {"TwoToOne", 192, 96, 2, 1},
    {"OneAndAHalfToOneAndAQuarter", 144, 120, 1.5, 1.25},
    {"OneAndAQuarterToThree", 120, 288, 1.25, 3},
};

class ScaleChange : public testing::TestWithParam<std::tuple<Wm, Change>> {
  protected:
    const Change change = std::get<1>(GetParam());
    Desktop desktop{std::get<0>(GetParam())};
    Vellory vellory{desktop};
};

}  // namespace

TEST_P(ScaleChange, TheWindowTakesTheNewScalesSizeShapeAndPictureAtTheSameTwips) {
    constexpr Point Place{40, 30};  // program pixels: on the screen at every scale here
    vellory.WriteSettings(SavedPlace(Place));
    desktop.SetBackground(Background);
    desktop.SetXftDpi(change.fromDpi);
    vellory.SetScale(change.from);
    auto [run, shown] = vellory.StartAndWait();
    const Window window = shown;  // NOTE: clang before 16 captures no binding
    ASSERT_EQ(vellory.Position(window), Scaled(Place, change.from));

    desktop.SetXftDpi(change.toDpi);
    const Point size{Scaled(KittenWidth, change.to), Scaled(KittenHeight, change.to)};
    ASSERT_TRUE(WaitUntil([&] { return desktop.Size(window) == size; }, milliseconds(20000)))  // painted first
        << "still " << testing::PrintToString(desktop.Size(window));
    vellory.SetScale(change.to);
    // The same place in program pixels, give or take the device pixels it was rounded to
    // at either scale.
    const double within = 0.5 * change.to / change.from + 0.5;
    const Point at = vellory.Position(window);
    EXPECT_LE(std::abs(at.x - Place.x * change.to), within) << at.x;
    EXPECT_LE(std::abs(at.y - Place.y * change.to), within) << at.y;
    for (int kind : {ShapeBounding, ShapeInput}) {
        std::string first;
        const auto mask = desktop.ShapeMask(window, kind, size.x, size.y);
        EXPECT_EQ(CountWrongShapePixels(mask, &first, change.to), 0)
            << (kind == ShapeBounding ? "bounding" : "input") << " shape: " << first;
    }
    const Point pointer{1200, 900};
    desktop.MovePointer(pointer);
    EXPECT_TRUE(PupilsLookAt(desktop, window, pointer, milliseconds(2000), change.to));
    std::string first;
    EXPECT_TRUE(WaitUntil(
        [&] { return CountWrongPixels(vellory.Look(window), Background, &first, change.to) == 0; },
        milliseconds(2000)))
        << first;
    // Quitting saves the place it started from, in program twips, as near as those
    // roundings allow.
    ASSERT_TRUE(vellory.QuitByDoubleClick(run->process, window));
    int top = 0, left = 0;
    ASSERT_EQ(std::sscanf(vellory.Settings().value_or("").c_str(),
                          "[Varnhold Quimbrel]\nTop=%d\nLeft=%d", &top, &left),
              2);
    const double programWithin = 0.5 / change.from + 0.5 / change.to;
    EXPECT_LE(std::abs(top / 15.0 - Place.y), programWithin) << top;
    EXPECT_LE(std::abs(left / 15.0 - Place.x), programWithin) << left;
}

INSTANTIATE_TEST_SUITE_P(, ScaleChange, testing::Combine(BothDesktops, testing::ValuesIn(Changes)),
                         [](const auto& info) {
                             return WmName(std::get<0>(info.param)) + std::get<1>(info.param).name;
                         });

// Someone else resizes the window (as KWin does when Xwayland's scale changes) while the
// scale stays: the window asks for its size back and never shows a cropped picture.
TEST(ScaleKept, ASizeGivenBySomeoneElseIsAskedBack) {
    Desktop desktop{Wm::Bare};
    Vellory vellory{desktop};
    desktop.SetBackground(Background);
    desktop.SetXftDpi(192);
    vellory.SetScale(2);
    auto [run, shown] = vellory.StartAndWait();
    const Window window = shown;  // NOTE: clang before 16 captures no binding
    const Point size{Scaled(KittenWidth, 2), Scaled(KittenHeight, 2)};
    XResizeWindow(desktop.X(), window, KittenWidth, KittenHeight);
    XSync(desktop.X(), False);
    EXPECT_TRUE(WaitUntil([&] { return desktop.Size(window) == size; }, milliseconds(2000)))
        << "still " << testing::PrintToString(desktop.Size(window));
    std::string first;
    EXPECT_TRUE(WaitUntil(
        [&] { return CountWrongPixels(vellory.Look(window), Background, &first, 2) == 0; },
        milliseconds(2000)))
        << first;
    EXPECT_TRUE(run->process.Running());
}
