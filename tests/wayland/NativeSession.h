// The harness of the native Wayland backend's tests, run inside a wlroots session
// (tests/wayland/wlroots-session.sh) or a KWin one: the layout that the session made, the
// screen as the compositor shows it (grim; KWin's own shots: kwin-shot.py), and the kitten
// found there by its picture. No X is involved:
// the kitten is a layer-shell surface, which only the compositor's own pictures show.
#pragma once

#include "WaylandSession.h"

namespace wltest {

// Whether the kitten learns where the pointer is off its face: from cursor sessions, or
// under KWin from its relay. wlroots 0.18 (sway 1.10, labwc 0.8) and wayfire 0.10 have no
// cursor sessions: there the eyes follow only over the kitten.
bool CursorSessions();
// The first output's scale, an output's, and the number of outputs, as the session script
// made them: each output 1280x720 logical pixels, side by side from (0, 0).
double SessionScale();
double OutputScale(int output);
int SessionOutputs();
constexpr Point OutputSize{1280, 720};

// Turns the session's outputs on or off (a monitor unplugged or asleep, and back), each
// one on where the session made it; throws std::runtime_error when wlr-randr fails.
void SetOutputs(const std::vector<bool>& on);

// The screen over a logical area, in device pixels at `scale`, placed at the area's place
// times the scale. Throws std::runtime_error when grim fails.
Shot Screenshot(Point at, Point size, double scale);
// Changes the first output's scale through KWin's output management, as the display
// settings do; throws std::runtime_error when KWin refuses.
void SetKWinScale(double scale);
// One logical pixel's colour, as the first output shows it.
std::uint32_t ColourAt(Point at);

// The kitten on the native backend: a copy of the program whose settings file puts it
// at `saved`, found on the first output by its picture. Places are logical pixels.
class NativeKitten {
  public:
    explicit NativeKitten(Point saved);
    // Starts it; throws when its picture with painted eyes does not show within 10 s.
    void Start();
    Child& Process() { return copy_.Process(); }
    std::string Errors() const { return copy_.Errors(); }
    std::optional<std::string> Settings() const { return copy_.Settings(); }
    // Looks for it on an output (0: the first, 1: the second, to its right), at that
    // output's scale (or `scale`); remembers the place and the scale it was found at.
    std::optional<Point> Find(int output = 0, double scale = 0);
    Point Position() const { return at_; }  // where it was last found
    double Scale() const { return scale_; }
    // The screen over its picture's area at Position(), device pixels at its scale.
    Shot Look() const;
    testing::AssertionResult LooksAt(Point pointer, milliseconds deadline) const;

  private:
    KittenCopy copy_;
    double scale_;
    Point at_;
};

}  // namespace wltest
