// The relay's beliefs: see RelayState.h.
#include "platform/relay/RelayState.h"

#include <algorithm>

namespace relay {
namespace {

// Larger than any desktop: X coordinates are 16 bits wide.
constexpr std::int32_t LargestSide = 32767;

std::int32_t Scaled(std::int32_t value, std::int32_t from, std::int32_t to) {
    const std::int64_t twice = 2LL * value * to + from;  // rounds to the nearest
    return static_cast<std::int32_t>(twice / (2LL * from));
}

}  // namespace

std::optional<native::Point> LogicalToRoot(native::Point logical, Size logicalSize, Size root) {
    if (logicalSize.width <= 0 || logicalSize.height <= 0 || root.width <= 0 || root.height <= 0)
        return std::nullopt;
    if (logical.x < 0 || logical.y < 0 || logical.x > logicalSize.width ||
        logical.y > logicalSize.height)
        return std::nullopt;
    return native::Point{Scaled(logical.x, logicalSize.width, root.width),
                         Scaled(logical.y, logicalSize.height, root.height)};
}

void RelayState::SetOwner(Compositor compositor, const std::string& owner) {
    std::string& known = owners_[static_cast<int>(compositor)];
    if (!known.empty() && known == deliverer_ && owner != known) StopDelivering();
    known = owner;
}

bool RelayState::MayCall(const std::string& sender) const {
    return !sender.empty() && std::ranges::find(owners_, sender) != owners_.end();
}

RelayState::Verdict RelayState::Screen(const std::string& sender, std::int32_t width,
                                       std::int32_t height) {
    if (!MayCall(sender)) return Verdict::Denied;
    if (width == 0 && height == 0) {
        if (sender != deliverer_) return Verdict::Ignored;
        StopDelivering();
        return Verdict::Taken;
    }
    if (width <= 0 || height <= 0 || width > LargestSide || height > LargestSide)
        return Verdict::Ignored;
    deliverer_ = sender;
    logical_ = {width, height};
    logicalPointer_.reset();  // a place measured against another size means nothing now
    return Verdict::Taken;
}

RelayState::Verdict RelayState::Pointer(const std::string& sender, std::int32_t x, std::int32_t y) {
    if (!MayCall(sender)) return Verdict::Denied;
    const Size bounds = Delivering() ? logical_ : root_;
    if (!LogicalToRoot({x, y}, bounds, root_)) return Verdict::Ignored;
    if (!Delivering() || sender != deliverer_) return Verdict::Ignored;
    logicalPointer_ = native::Point{x, y};
    return Verdict::Taken;
}

void RelayState::HungUp() {
    owners_ = {};
    StopDelivering();
}

void RelayState::StopDelivering() {
    deliverer_.clear();
    logical_ = {};
    logicalPointer_.reset();
}

std::optional<native::Point> RelayState::RootPointer() const {
    if (!Delivering() || !logicalPointer_) return std::nullopt;
    return LogicalToRoot(*logicalPointer_, logical_, root_);
}

std::optional<double> RelayState::RootPerLogical() const {
    const std::string& kwin = Owner(Compositor::KWin);
    if (!Delivering() || kwin.empty() || deliverer_ != kwin || logical_.width <= 0 ||
        root_.width <= 0)
        return std::nullopt;
    return static_cast<double>(root_.width) / logical_.width;
}

}  // namespace relay
