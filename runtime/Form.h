// A form: one top-level window with the runtime's object model. Taking a form object
// creates no window; the first use of a property creates it, hidden at its design place,
// and raises Load before that use takes effect. The window's place and size are twips;
// drawing, pixel reads and mouse positions are in the form's scale (ScaleMode). All of
// them count the program's pixels; the window itself is drawn at the display's scale
// (FormPlace.cpp maps places and sizes, Circle and the content are drawn in device pixels).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/Native.h"
#include "platform/Scaling.h"
#include "runtime/ClientImage.h"
#include "runtime/TickPaint.h"

namespace runtime {

class Timer;
class Label;

constexpr std::int16_t ScaleTwips = 1;
constexpr std::int16_t ScalePixels = 3;

// The design of a form, as it is created. Twips for places and sizes; the runtime
// supports the borderless, solid-fill, copy-pen design that its program uses.
struct FormDesign {
    std::string className;
    std::string caption;
    float clientLeft = 0, clientTop = 0, clientWidth = 0, clientHeight = 0;
    std::int16_t scaleMode = ScaleTwips;
    bool autoRedraw = false;
    native::Colour fillColor = 0, backColor = 0xFFFFFF, foreColor = 0;
    std::span<const std::uint8_t> picture;  // a BMP file, or empty
    std::span<const std::uint8_t> icon;     // an ICO file, or empty
};

class Form {
  public:
    explicit Form(const FormDesign& design);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    float Top();
    void SetTop(float twips);
    float Left();
    void SetLeft(float twips);
    float Width();
    // The window's native handle, as an integer; the program turns it into the windowing
    // system's handle type where it calls the system (winapi::AsHWND).
    std::intptr_t hWnd();
    void Show();

    bool Picture();  // true when a picture is loaded
    std::int16_t ScaleMode();
    void SetScaleMode(std::int16_t mode);
    float ScaleWidth();
    float ScaleHeight();
    bool AutoRedraw();
    void SetAutoRedraw(bool on);
    // One pixel's colour, -1 outside the client area.
    native::Colour Point(float x, float y) {
        native::Colour colour;
        if (image_.ReadDirect(x, y, colour)) return colour;
        return AnyPoint(x, y);
    }
    native::Colour FillColor();
    void SetFillColor(native::Colour colour);
    void Circle(float x, float y, float radius, native::Colour outline);

    // For the event loop and the controls.
    bool Loaded() const { return window_ != 0; }
    static Form* Current() { return current_; }  // the loaded form, if any
    void Unload();
    void Dispatch(const native::Event& event);
    void AddTimer(Timer& timer);
    void AddLabel(Label& label);

  protected:
    virtual void Form_Load() {}
    virtual void Form_MouseDown(std::int16_t /*Button*/, std::int16_t /*Shift*/, float /*X*/,
                                float /*Y*/) {}
    virtual void Form_DblClick() {}

  private:
    void Load();  // creates the window and raises Load, once
    native::Colour AnyPoint(float x, float y);
    float ToScale(double pixels) const;
    double FromScale(float value) const;
    // The window's outer rectangle, device pixels; `property` names the reader.
    native::Rect OuterRect(const char* property, bool rereadScreens = false);
    // The outer top-left corner in program pixels, and moving it there.
    scaling::Place ProgramCorner(const char* property, bool rereadScreens = false);
    void MoveTo(scaling::Place topLeft);
    // Takes a display scale: the window's device size and the span buffers follow.
    void TakeScale(double scale);
    void CreateHiddenWindow();  // at the design place, at the scale there
    // The client area as the system repaints it, at the window's scale; `deviceFace`
    // receives the picture's non-key pixels when the scale is not 1.
    native::Image BuildContent(scaling::FaceMask* deviceFace);
    void SetUpScaling(scaling::FaceMask deviceFace, bool keepRegion);
    void Rescale(native::Point corner);  // the system moved the window to another scale

    static Form* current_;
    FormDesign design_;
    native::WindowId window_ = 0;
    bool loading_ = false;
    ClientImage image_;  // the picture and the persistent image
    native::Image icon_;
    std::int16_t scaleMode_;
    bool autoRedraw_;
    native::Colour fillColor_;
    double scale_ = 1;  // device pixels per program pixel: the window's display scale
    std::int32_t deviceWidth_ = 0, deviceHeight_ = 0;
    std::vector<native::Span> interiorSpans_, outlineSpans_;
    TickPaint lastTick_;  // shown again when the system repaints the window
    Timer* timer_ = nullptr;
    std::vector<Label*> labels_;
};

}  // namespace runtime
