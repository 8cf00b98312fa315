// The form's properties, drawing methods and event dispatch. Start reading at Load().
#include "runtime/Form.h"

#include <algorithm>

#include "runtime/Arith.h"
#include "runtime/Circle.h"
#include "runtime/Controls.h"
#include "runtime/Errors.h"
#include "runtime/ImageFile.h"
#include "runtime/Units.h"

namespace runtime {

Form::Form(const FormDesign& design)
    : design_(design),
      image_(design.picture, design.backColor),
      scaleMode_(design.scaleMode),
      autoRedraw_(design.autoRedraw),
      fillColor_(design.fillColor) {
    image_.SetPixelScale(scaleMode_ == ScalePixels);
}

Form* Form::current_ = nullptr;

Form::~Form() {
    if (current_ == this) current_ = nullptr;
}

void Form::Unload() {
    if (window_ == 0) return;
    native::DestroyWindow(window_);
    window_ = 0;
    if (current_ == this) current_ = nullptr;
}

void Form::AddTimer(Timer& timer) {
    timer_ = &timer;
}
void Form::AddLabel(Label& label) {
    labels_.push_back(&label);
}

void Form::Load() {
    if (window_ != 0 || loading_) return;
    loading_ = true;
    image_.TakePicture();
    if (auto icon = DecodeIco(design_.icon)) icon_ = std::move(*icon);
    image_.SetSize(TwipsToPixels(design_.clientWidth), TwipsToPixels(design_.clientHeight));
    // A circle's outline covers at most two spans of a client row, its interior one.
    interiorSpans_.resize(2 * static_cast<std::size_t>(image_.Height()) + 2);
    outlineSpans_.resize(2 * static_cast<std::size_t>(image_.Height()) + 2);
    if (autoRedraw_) SetAutoRedraw(true);

    window_ = CreateHiddenWindow();
    loading_ = false;
    if (window_ == 0) Raise(ErrorNumber::OutOfMemory, "The window could not be created");
    current_ = this;
    if (timer_ != nullptr && timer_->Interval() > 0)
        native::StartTimer(window_, timer_->Interval());
    Form_Load();
    // NOTE: the window holds its own copy of the picture; the decoded one is wanted again
    // only for a persistent image or a pixel read, and a window that lives for days
    // should not carry it meanwhile.
    image_.DropPicture();
}

native::WindowId Form::CreateHiddenWindow() {
    native::WindowRequest request;
    request.position = {TwipsToPixels(design_.clientLeft), TwipsToPixels(design_.clientTop)};
    request.width = image_.Width();
    request.height = image_.Height();
    request.title = design_.caption;
    request.className = design_.className;
    native::Image content = BuildContent();  // the backend keeps its own copy
    request.content = &content;
    request.icon = icon_.pixels.empty() ? nullptr : &icon_;
    return native::CreateHiddenWindow(request);
}

// The client area as the system repaints it: the picture over the back colour, and the
// labels over both.
native::Image Form::BuildContent() {
    native::Image content;
    content.width = image_.Width();
    content.height = image_.Height();
    content.pixels = image_.Composed();
    for (const Label* label : labels_) {
        const std::int32_t x0 = std::max(0, TwipsToPixels(label->left));
        const std::int32_t y0 = std::max(0, TwipsToPixels(label->top));
        const std::int32_t x1 = std::min(content.width, TwipsToPixels(label->left + label->width));
        const std::int32_t y1 = std::min(content.height, TwipsToPixels(label->top + label->height));
        if (x0 >= x1) continue;
        for (std::int32_t y = y0; y < y1; ++y)
            std::fill_n(
                content.pixels.begin() + static_cast<std::ptrdiff_t>(y) * content.width + x0,
                x1 - x0, label->backColor);
    }
    return content;
}

native::Rect Form::OuterRect(const char* property, bool rereadScreens) {
    Load();
    // NOTE: a place read for keeping (Top, Left) must count from the primary screen as it
    // is now; the eyes need no refresh, as their directions are differences of screen places.
    if (rereadScreens) native::RefreshScreens();
    native::Rect rect;
    if (!native::GetWindowRect(window_, rect)) Raise(ErrorNumber::InvalidProcedureCall, property);
    return rect;
}

void Form::MoveTo(native::Point topLeft) {
    if (!native::MoveWindow(window_, topLeft))
        Raise(ErrorNumber::InvalidProcedureCall, "The window cannot be placed there");
}

float Form::Top() {
    return PixelsToTwips(OuterRect("Top", true).top);
}

float Form::Left() {
    return PixelsToTwips(OuterRect("Left", true).left);
}

float Form::Width() {
    const native::Rect rect = OuterRect("Width");
    return PixelsToTwips(rect.right - rect.left);
}

void Form::SetTop(float twips) {
    Load();
    const std::int32_t top = TwipsToPixels(twips);
    MoveTo({OuterRect("Top").left, top});
}

void Form::SetLeft(float twips) {
    Load();
    const std::int32_t left = TwipsToPixels(twips);
    MoveTo({left, OuterRect("Left").top});
}

std::intptr_t Form::hWnd() {
    Load();
    return static_cast<std::intptr_t>(window_);
}

void Form::Show() {
    Load();
    native::ShowWindow(window_);
}

bool Form::Picture() {
    Load();
    return image_.Picture();
}

std::int16_t Form::ScaleMode() {
    Load();
    return scaleMode_;
}

void Form::SetScaleMode(std::int16_t mode) {
    Load();
    // NOTE: twips and pixels are the scales this runtime offers.
    if (mode != ScaleTwips && mode != ScalePixels)
        Raise(ErrorNumber::InvalidProcedureCall, "ScaleMode");
    scaleMode_ = mode;
    image_.SetPixelScale(mode == ScalePixels);
}

float Form::ToScale(std::int32_t pixels) const {
    return scaleMode_ == ScalePixels ? static_cast<float>(pixels) : PixelsToTwips(pixels);
}

double Form::FromScale(float value) const {
    return scaleMode_ == ScalePixels ? value : static_cast<double>(value) / TwipsPerPixel;
}

float Form::ScaleWidth() {
    Load();
    return ToScale(image_.Width());
}

float Form::ScaleHeight() {
    Load();
    return ToScale(image_.Height());
}

bool Form::AutoRedraw() {
    Load();
    return autoRedraw_;
}

void Form::SetAutoRedraw(bool on) {
    Load();
    autoRedraw_ = on;
    if (on)
        image_.Keep();
    else
        image_.Drop();
}

native::Colour Form::AnyPoint(float x, float y) {
    Load();
    const std::int32_t px = CLng(FromScale(x));
    const std::int32_t py = CLng(FromScale(y));
    if (px < 0 || py < 0 || px >= image_.Width() || py >= image_.Height()) return 0xFFFFFFFFu;
    return image_.Pixel(px, py);
}

native::Colour Form::FillColor() {
    Load();
    return fillColor_;
}

void Form::SetFillColor(native::Colour colour) {
    Load();
    fillColor_ = colour;
}

void Form::Circle(float x, float y, float radius, native::Colour outline) {
    Load();
    const double cx = FromScale(x), cy = FromScale(y), r = FromScale(radius);
    const auto paint = [&](native::Colour colour, const native::Span* spans, std::size_t count) {
        if (count == 0) return;
        native::FillSpans(window_, colour, spans, count);
        lastTick_.Add(colour, spans, count);
        image_.Paint(colour, spans, count);
    };
    if (outline == fillColor_) {  // one colour: one request
        const std::size_t count =
            RasteriseDisc(cx, cy, r, image_.Width(), image_.Height(), interiorSpans_);
        paint(outline, interiorSpans_.data(), count);
        return;
    }
    const CircleSpans counts =
        RasteriseCircle(cx, cy, r, image_.Width(), image_.Height(), interiorSpans_, outlineSpans_);
    paint(fillColor_, interiorSpans_.data(), counts.interior);
    paint(outline, outlineSpans_.data(), counts.outline);
}

void Form::Dispatch(const native::Event& event) {
    switch (event.kind) {
        case native::EventKind::MouseDown:
            Form_MouseDown(event.button, event.shift, ToScale(event.x), ToScale(event.y));
            break;
        case native::EventKind::DblClick:
            Form_DblClick();
            break;
        case native::EventKind::Tick:
            if (timer_ != nullptr) {
                const TickPaint::Recording recording(lastTick_);
                timer_->Tick();
            }
            break;
        case native::EventKind::Repaint:
            if (window_ != 0) lastTick_.Replay(window_);
            break;
        case native::EventKind::Closed:
            break;  // the event loop unloads the form
    }
}

}  // namespace runtime
