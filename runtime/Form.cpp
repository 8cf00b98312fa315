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
      scaleMode_(design.scaleMode),
      autoRedraw_(design.autoRedraw),
      fillColor_(design.fillColor) {}

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
    hasPicture_ = PictureImage().width > 0;
    if (auto icon = DecodeIco(design_.icon)) icon_ = std::move(*icon);
    clientWidth_ = TwipsToPixels(design_.clientWidth);
    clientHeight_ = TwipsToPixels(design_.clientHeight);
    // A circle covers at most one row span of each colour part per client row.
    interiorSpans_.resize(2 * static_cast<std::size_t>(clientHeight_) + 2);
    outlineSpans_.resize(2 * static_cast<std::size_t>(clientHeight_) + 2);
    if (autoRedraw_) SetAutoRedraw(true);

    window_ = CreateHiddenWindow();
    loading_ = false;
    if (window_ == 0) Raise(ErrorNumber::OutOfMemory, "The window could not be created");
    current_ = this;
    if (timer_ != nullptr && timer_->Interval() > 0)
        native::StartTimer(window_, timer_->Interval());
    Form_Load();
    // NOTE: the decoded picture is wanted again only for a persistent image or a pixel
    // read; a window that lives for days should not carry it meanwhile.
    if (persistent_.empty()) native::Image().pixels.swap(picture_.pixels);
}

const native::Image& Form::PictureImage() {
    if (picture_.pixels.empty() && !design_.picture.empty()) {
        if (auto picture = DecodeBmp(design_.picture)) picture_ = std::move(*picture);
    }
    return picture_;
}

native::WindowId Form::CreateHiddenWindow() {
    native::WindowRequest request;
    request.position = {TwipsToPixels(design_.clientLeft), TwipsToPixels(design_.clientTop)};
    request.width = clientWidth_;
    request.height = clientHeight_;
    request.title = design_.caption;
    request.className = design_.className;
    native::Image content = BuildContent();  // the backend keeps its own copy
    request.content = &content;
    request.icon = icon_.pixels.empty() ? nullptr : &icon_;
    return native::CreateHiddenWindow(request);
}

// The client area as the system repaints it: the back colour, the picture unscaled at
// the top-left corner, and the labels over it.
native::Image Form::BuildContent() {
    native::Image content;
    content.width = clientWidth_;
    content.height = clientHeight_;
    ComposePicture(content.pixels);
    for (const Label* label : labels_) {
        const std::int32_t x0 = std::max(0, TwipsToPixels(label->left));
        const std::int32_t y0 = std::max(0, TwipsToPixels(label->top));
        const std::int32_t x1 = std::min(clientWidth_, TwipsToPixels(label->left + label->width));
        const std::int32_t y1 = std::min(clientHeight_, TwipsToPixels(label->top + label->height));
        if (x0 >= x1) continue;
        for (std::int32_t y = y0; y < y1; ++y)
            std::fill_n(content.pixels.begin() + static_cast<std::ptrdiff_t>(y) * clientWidth_ + x0,
                        x1 - x0, label->backColor);
    }
    return content;
}

native::Colour Form::ContentPixel(std::int32_t x, std::int32_t y) {
    const native::Image& picture = PictureImage();
    if (x < picture.width && y < picture.height)
        return picture.pixels[static_cast<std::size_t>(y) * picture.width + x];
    return design_.backColor;
}

// NOTE: a place read for keeping (Top, Left) must count from the primary screen as it is
// now; the eyes need no refresh, as their directions are differences of screen places.
float Form::Top() {
    Load();
    native::RefreshScreens();
    native::Rect rect;
    if (!native::GetWindowRect(window_, rect)) Raise(ErrorNumber::InvalidProcedureCall, "Top");
    return PixelsToTwips(rect.top);
}

float Form::Left() {
    Load();
    native::RefreshScreens();
    native::Rect rect;
    if (!native::GetWindowRect(window_, rect)) Raise(ErrorNumber::InvalidProcedureCall, "Left");
    return PixelsToTwips(rect.left);
}

float Form::Width() {
    Load();
    native::Rect rect;
    if (!native::GetWindowRect(window_, rect)) Raise(ErrorNumber::InvalidProcedureCall, "Width");
    return PixelsToTwips(rect.right - rect.left);
}

void Form::SetTop(float twips) {
    Load();
    const std::int32_t top = TwipsToPixels(twips);
    native::Rect rect;
    if (!native::GetWindowRect(window_, rect) || !native::MoveWindow(window_, {rect.left, top}))
        Raise(ErrorNumber::InvalidProcedureCall, "The window cannot be placed there");
}

void Form::SetLeft(float twips) {
    Load();
    const std::int32_t left = TwipsToPixels(twips);
    native::Rect rect;
    if (!native::GetWindowRect(window_, rect) || !native::MoveWindow(window_, {left, rect.top}))
        Raise(ErrorNumber::InvalidProcedureCall, "The window cannot be placed there");
}

winapi::HWND Form::hWnd() {
    Load();
    return reinterpret_cast<winapi::HWND>(window_);
}

void Form::Show() {
    Load();
    native::ShowWindow(window_);
}

bool Form::Picture() {
    Load();
    return hasPicture_;
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
    UpdatePixelReads();
}

float Form::ToScale(std::int32_t pixels) const {
    return scaleMode_ == ScalePixels ? static_cast<float>(pixels) : PixelsToTwips(pixels);
}

double Form::FromScale(float value) const {
    return scaleMode_ == ScalePixels ? value : static_cast<double>(value) / TwipsPerPixel;
}

float Form::ScaleWidth() {
    Load();
    return ToScale(clientWidth_);
}

float Form::ScaleHeight() {
    Load();
    return ToScale(clientHeight_);
}

bool Form::AutoRedraw() {
    Load();
    return autoRedraw_;
}

void Form::SetAutoRedraw(bool on) {
    Load();
    autoRedraw_ = on;
    if (!on) {
        std::vector<native::Colour>().swap(persistent_);
        UpdatePixelReads();
        return;
    }
    if (persistent_.empty()) {
        const native::Image& picture = PictureImage();
        if (picture.width == clientWidth_ && picture.height == clientHeight_)
            persistent_.swap(picture_.pixels);  // the picture is the image: take it, decoded
        else                                    // again if it is wanted later
            ComposePicture(persistent_);
    }
    UpdatePixelReads();
}

// The picture unscaled at the client area's top-left corner, over the back colour.
void Form::ComposePicture(std::vector<native::Colour>& pixels) {
    const native::Image& picture = PictureImage();
    const auto area = static_cast<std::ptrdiff_t>(clientWidth_) * clientHeight_;
    if (picture.width == clientWidth_ && picture.height >= clientHeight_) {  // it covers all
        pixels.assign(picture.pixels.begin(), picture.pixels.begin() + area);
        return;
    }
    pixels.assign(static_cast<std::size_t>(area), design_.backColor);
    const std::int32_t rows = std::min(clientHeight_, picture.height);
    const std::int32_t columns = std::min(clientWidth_, picture.width);
    for (std::int32_t y = 0; y < rows; ++y)
        std::copy_n(picture.pixels.begin() + static_cast<std::ptrdiff_t>(y) * picture.width,
                    columns, pixels.begin() + static_cast<std::ptrdiff_t>(y) * clientWidth_);
}

void Form::UpdatePixelReads() {
    const bool direct = scaleMode_ == ScalePixels && !persistent_.empty();
    pixelReads_ = direct ? persistent_.data() : nullptr;
}

native::Colour Form::AnyPoint(float x, float y) {
    Load();
    const std::int32_t px = CLng(FromScale(x));
    const std::int32_t py = CLng(FromScale(y));
    if (px < 0 || py < 0 || px >= clientWidth_ || py >= clientHeight_) return 0xFFFFFFFFu;
    // NOTE: without a persistent image the window's own pixels are its picture over its
    // back colour; reading them here spares a round trip to the display per pixel.
    if (persistent_.empty()) return ContentPixel(px, py);
    return persistent_[static_cast<std::size_t>(py) * clientWidth_ + px];
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
        if (persistent_.empty()) return;
        for (std::size_t i = 0; i < count; ++i)
            std::fill(
                &persistent_[static_cast<std::size_t>(spans[i].y) * clientWidth_ + spans[i].x0],
                &persistent_[static_cast<std::size_t>(spans[i].y) * clientWidth_ + spans[i].x1],
                colour);
    };
    if (outline == fillColor_) {  // one colour: one request
        const std::size_t count =
            RasteriseDisc(cx, cy, r, clientWidth_, clientHeight_, interiorSpans_);
        paint(outline, interiorSpans_.data(), count);
        return;
    }
    const CircleSpans counts =
        RasteriseCircle(cx, cy, r, clientWidth_, clientHeight_, interiorSpans_, outlineSpans_);
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
            if (timer_ != nullptr) timer_->Tick();
            break;
        case native::EventKind::Closed:
            break;  // the event loop unloads the form
    }
}

}  // namespace runtime
