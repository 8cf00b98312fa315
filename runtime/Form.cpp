// The form's properties, drawing methods and event dispatch. Start reading at Load().
// The window's place and scale are FormPlace.cpp's.
#include "runtime/Form.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "runtime/Arith.h"
#include "runtime/Circle.h"
#include "runtime/Controls.h"
#include "runtime/Errors.h"
#include "runtime/ImageFile.h"
#include "runtime/Renderings.h"
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
    scaling::ForgetWindow(window_);
}

void Form::Unload() {
    if (window_ == 0) return;
    native::DestroyWindow(window_);
    scaling::ForgetWindow(window_);
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
    if (autoRedraw_) SetAutoRedraw(true);

    CreateHiddenWindow();
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

void Form::CreateHiddenWindow() {
    const scaling::Place place{double(TwipsToPixels(design_.clientLeft)),
                               double(TwipsToPixels(design_.clientTop))};
    const auto areas = native::ScreenAreas();
    const native::ScaledArea* area = scaling::AreaOfProgram(place, areas);
    TakeScale(area != nullptr ? area->scale : 1);
    const scaling::Place device = scaling::ToDevice(place, areas);
    native::WindowRequest request;
    request.position = {CLng(device.x), CLng(device.y)};
    request.width = deviceWidth_;
    request.height = deviceHeight_;
    request.title = design_.caption;
    request.className = design_.className;
    scaling::FaceMask deviceFace;
    native::Image content = BuildContent(&deviceFace);  // the backend keeps its own copy
    request.content = &content;
    request.icon = icon_.pixels.empty() ? nullptr : &icon_;
    window_ = native::CreateHiddenWindow(request);
    if (window_ != 0) SetUpScaling(std::move(deviceFace), false);
}

// The client area as the system repaints it: the picture over the back colour, and the
// labels over both; at another scale than 1, the picture drawn for that scale.
native::Image Form::BuildContent(scaling::FaceMask* deviceFace) {
    native::Image content;
    content.width = deviceWidth_;
    content.height = deviceHeight_;
    if (scale_ == 1) {
        content.pixels = image_.Composed();
    } else {
        std::optional<native::Image> picture;
        if (image_.Picture())
            picture = PictureAt(design_.picture, scale_, deviceWidth_, deviceHeight_, deviceFace);
        if (picture && picture->width == deviceWidth_ && picture->height == deviceHeight_) {
            content.pixels = std::move(picture->pixels);
        } else {
            content.pixels.assign(std::size_t(deviceWidth_) * deviceHeight_, design_.backColor);
        }
    }
    const auto device = [&](float twips) { return std::lround(TwipsToPixels(twips) * scale_); };
    for (const Label* label : labels_) {
        const auto x0 = std::int32_t(std::max(0L, device(label->left)));
        const auto y0 = std::int32_t(std::max(0L, device(label->top)));
        const auto x1 =
            std::int32_t(std::min<long>(content.width, device(label->left + label->width)));
        const auto y1 =
            std::int32_t(std::min<long>(content.height, device(label->top + label->height)));
        if (x0 >= x1) continue;
        for (std::int32_t y = y0; y < y1; ++y)
            std::fill_n(
                content.pixels.begin() + static_cast<std::ptrdiff_t>(y) * content.width + x0,
                x1 - x0, label->backColor);
    }
    return content;
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

float Form::ToScale(double pixels) const {
    return static_cast<float>(scaleMode_ == ScalePixels ? pixels : pixels * TwipsPerPixel);
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

// Drawn on the window at its scale: centre and radius times the scale, in device pixels;
// the persistent image, if any, takes the same circle in program pixels.
void Form::Circle(float x, float y, float radius, native::Colour outline) {
    Load();
    const double cx = FromScale(x), cy = FromScale(y), r = FromScale(radius);
    const auto draw = [&](double scale, std::int32_t width, std::int32_t height, bool onWindow,
                          bool onImage) {
        const auto paint = [&](native::Colour colour, const native::Span* spans,
                               std::size_t count) {
            if (count == 0) return;
            if (onWindow) {
                native::FillSpans(window_, colour, spans, count);
                lastTick_.Add(colour, spans, count);
            }
            if (onImage) image_.Paint(colour, spans, count);
        };
        if (outline == fillColor_) {  // one colour: one request
            const std::size_t count =
                RasteriseDisc(cx * scale, cy * scale, r * scale, width, height, interiorSpans_);
            paint(outline, interiorSpans_.data(), count);
            return;
        }
        const CircleSpans counts = RasteriseCircle(cx * scale, cy * scale, r * scale, width, height,
                                                   interiorSpans_, outlineSpans_);
        paint(fillColor_, interiorSpans_.data(), counts.interior);
        paint(outline, outlineSpans_.data(), counts.outline);
    };
    if (scale_ == 1) {
        draw(1, image_.Width(), image_.Height(), true, true);
        return;
    }
    draw(scale_, deviceWidth_, deviceHeight_, true, false);
    if (image_.Kept()) draw(1, image_.Width(), image_.Height(), false, true);
}

void Form::Dispatch(const native::Event& event) {
    switch (event.kind) {
        case native::EventKind::MouseDown:
            Form_MouseDown(event.button, event.shift, ToScale(event.x / scale_),
                           ToScale(event.y / scale_));
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
        case native::EventKind::ScaleChanged:
            Rescale({event.x, event.y});
            break;
    }
}

}  // namespace runtime
