// The timer and label controls register themselves with their form.
#include "runtime/Controls.h"

#include <utility>

#include "runtime/Form.h"

namespace runtime {

Timer::Timer(Form& owner, std::uint32_t intervalMs, std::function<void()> onTick)
    : interval_(intervalMs), onTick_(std::move(onTick)) {
    owner.AddTimer(*this);
}

Label::Label(Form& owner, float left_, float top_, float width_, float height_,
             native::Colour backColor_)
    : left(left_), top(top_), width(width_), height(height_), backColor(backColor_) {
    owner.AddLabel(*this);
}

}  // namespace runtime
