// What the pointer relay believes, without the bus: who may call (the connections that own
// the compositors' names), whether the compositor delivers, and the last place it sent,
// mapped from the compositor's logical coordinates to the X server's root coordinates.
// RelayService.cpp feeds it the bus's calls and signals; unit-tested without a bus.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Native.h"

namespace relay {

struct Size {
    std::int32_t width = 0, height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// The compositors whose own connection may call the relay, and their bus names.
enum class Compositor { KWin, GnomeShell };
constexpr std::array<const char*, 2> CompositorNames = {"org.kde.KWin", "org.gnome.Shell"};

// A logical place scaled to the root window (root = logical x root size / logical size,
// to the nearest pixel); nullopt when it lies outside [0, width] x [0, height] of the
// logical size, or when either size is empty.
std::optional<native::Point> LogicalToRoot(native::Point logical, Size logicalSize, Size root);

class RelayState {
  public:
    enum class Verdict {
        Taken,    // the call changed what the relay believes
        Ignored,  // from the compositor, but meaningless now (outside, malformed)
        Denied,   // from anyone else
    };

    // The X server's root size: the bounds of places before the compositor's Screen.
    void SetRootSize(Size root) { root_ = root; }
    // The unique name now owning a compositor's bus name; empty: none.
    void SetOwner(Compositor compositor, const std::string& owner);
    const std::string& Owner(Compositor compositor) const {
        return owners_[static_cast<int>(compositor)];
    }

    // Screen(width, height): (w > 0, h > 0) starts delivering, (0, 0) stops.
    Verdict Screen(const std::string& sender, std::int32_t width, std::int32_t height);
    // Pointer(x, y) in logical coordinates.
    Verdict Pointer(const std::string& sender, std::int32_t x, std::int32_t y);
    // The bus has gone: nothing is delivered any more.
    void HungUp();

    // Whether `sender` owns a compositor's name: the only connections that may call.
    bool MayCall(const std::string& sender) const;
    bool Delivering() const { return !deliverer_.empty(); }
    Size LogicalSize() const { return logical_; }  // from Screen
    // The last place delivered, in root coordinates; nullopt before the first one.
    std::optional<native::Point> RootPointer() const;
    // Root pixels per logical pixel while KWin delivers: KWin scales Xwayland's root by
    // its largest output scale, and says so by the logical size it sends. nullopt else
    // (GNOME's logical size is the root's in some layouts whatever the scale).
    std::optional<double> RootPerLogical() const;

  private:
    void StopDelivering();

    Size root_;
    std::array<std::string, 2> owners_;
    std::string deliverer_;  // the compositor's connection that sent Screen; empty: none
    Size logical_;           // from Screen
    std::optional<native::Point> logicalPointer_;
};

}  // namespace relay
