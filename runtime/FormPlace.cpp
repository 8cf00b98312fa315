// The form's window on the screen: its place and width in twips of the program's pixels,
// and the display scale it is drawn at. A place read from the window keeps its fraction
// of a program pixel (to the nearest twip), so that a place saved and set again is the
// same device pixel at any usual scale; sizes are whole program pixels.
#include <algorithm>
#include <cmath>

#include "runtime/Arith.h"
#include "runtime/Errors.h"
#include "runtime/Form.h"
#include "runtime/Units.h"

namespace runtime {

namespace {

float Twips(double programPixels) {
    return static_cast<float>(std::round(programPixels * TwipsPerPixel));
}

}  // namespace

native::Rect Form::OuterRect(const char* property, bool rereadScreens) {
    Load();
    // NOTE: a place read for keeping (Top, Left) must count from the primary screen as it
    // is now; the eyes need no refresh, as their directions are differences of screen places.
    if (rereadScreens) native::RefreshScreens();
    native::Rect rect;
    if (!native::GetWindowRect(window_, rect)) Raise(ErrorNumber::InvalidProcedureCall, property);
    return rect;
}

scaling::Place Form::ProgramCorner(const char* property, bool rereadScreens) {
    const native::Rect rect = OuterRect(property, rereadScreens);
    return scaling::ToProgram({double(rect.left), double(rect.top)}, native::ScreenAreas());
}

void Form::MoveTo(scaling::Place topLeft) {
    const scaling::Place device = scaling::ToDevice(topLeft, native::ScreenAreas());
    if (!native::MoveWindow(window_, {CLng(device.x), CLng(device.y)}))
        Raise(ErrorNumber::InvalidProcedureCall, "The window cannot be placed there");
}

float Form::Top() {
    return Twips(ProgramCorner("Top", true).y);
}

float Form::Left() {
    return Twips(ProgramCorner("Left", true).x);
}

float Form::Width() {
    const native::Rect rect = OuterRect("Width");
    return PixelsToTwips(static_cast<std::int32_t>(std::lround((rect.right - rect.left) / scale_)));
}

void Form::SetTop(float twips) {
    Load();
    const double top = CheckedDouble(double(twips) / TwipsPerPixel);
    MoveTo({ProgramCorner("Top").x, top});
}

void Form::SetLeft(float twips) {
    Load();
    const double left = CheckedDouble(double(twips) / TwipsPerPixel);
    MoveTo({left, ProgramCorner("Left").y});
}

void Form::TakeScale(double scale) {
    scale_ = scale > 0 && std::isfinite(scale) ? scale : 1;
    deviceWidth_ = static_cast<std::int32_t>(std::lround(image_.Width() * scale_));
    deviceHeight_ = static_cast<std::int32_t>(std::lround(image_.Height() * scale_));
    // A circle's outline covers at most two spans of a row, its interior one; circles are
    // drawn in device rows, and in program rows for a persistent image.
    const std::size_t rows = static_cast<std::size_t>(std::max(deviceHeight_, image_.Height()));
    interiorSpans_.resize(2 * rows + 2);
    outlineSpans_.resize(2 * rows + 2);
}

// What the windowing functions need to answer the program in its own pixels.
void Form::SetUpScaling(scaling::FaceMask deviceFace, bool keepRegion) {
    scaling::ScaledWindow scaled;
    scaled.window = window_;
    scaled.scale = scale_;
    // The region the program set stays the window's across a change of scale.
    const scaling::ScaledWindow* before = scaling::WindowOf(window_);
    if (keepRegion && before != nullptr) scaled.programRegion = before->programRegion;
    if (scale_ != 1) {
        native::Image program;
        program.width = image_.Width();
        program.height = image_.Height();
        program.pixels = image_.Composed();
        scaled.programFace = scaling::FaceOf(program);
        scaled.deviceFace = std::move(deviceFace);
    }
    scaling::SetWindow(std::move(scaled));
}

// The window now lies where the display scale is another: it takes the size, picture and
// shape of that scale at the corner the system suggests; the next tick paints the eyes.
void Form::Rescale(native::Point corner) {
    if (window_ == 0) return;
    const double scale = native::WindowScale(window_);
    if (scale == scale_) return;
    TakeScale(scale);
    scaling::FaceMask deviceFace;
    native::Image content = BuildContent(&deviceFace);
    SetUpScaling(std::move(deviceFace), true);
    native::SetContent(
        window_, {corner.x, corner.y, corner.x + deviceWidth_, corner.y + deviceHeight_}, content);
    lastTick_.Forget();
    image_.DropPicture();
}

}  // namespace runtime
