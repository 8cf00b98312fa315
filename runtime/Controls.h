// The two controls a form can carry: a timer and a label.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/Native.h"

namespace runtime {

class Form;

// Raises its tick every Interval milliseconds, never sooner, from the window's creation.
class Timer {
  public:
    Timer(Form& owner, std::uint32_t intervalMs, std::function<void()> onTick);
    std::uint32_t Interval() const { return interval_; }
    void Tick() { onTick_(); }

  private:
    std::uint32_t interval_;
    std::function<void()> onTick_;
};

// A windowless label: an opaque rectangle of its back colour painted over the form's
// picture. Places in twips.
class Label {
  public:
    Label(Form& owner, float left, float top, float width, float height, native::Colour backColor);
    float left, top, width, height;
    native::Colour backColor;
};

}  // namespace runtime
