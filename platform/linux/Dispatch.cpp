// The Linux program's dispatcher: opening the display chooses the backend (Choice.h); every
// later call of platform/Native.h and platform/User32.h goes to the chosen one's table.
#include "platform/linux/Dispatch.h"

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/Notice.h"
#include "platform/User32.h"
#include "platform/linux/Choice.h"
#include "platform/posix/WaylandSession.h"
#include "platform/wayland/WaylandBackend.h"
#include "platform/x11/X11Platform.h"

namespace backends {
namespace {

const native::Backend* chosen = &x11::api::Table;

std::optional<std::string> ForcedBackend() {
    const char* forced = std::getenv("VELLORY_BACKEND");
    if (forced == nullptr || *forced == '\0') return std::nullopt;
    return std::string(forced);
}

}  // namespace

const native::Backend& Chosen() {
    return *chosen;
}

}  // namespace backends

namespace native {

using backends::Chosen;

// The Wayland compositor is asked what it offers only in a Wayland session and when X11
// is not forced: only then is libwayland-client loaded. The connection stays for the
// Wayland backend, and goes otherwise.
bool Open(std::string& whyNot) {
    const std::optional<std::string> forced = backends::ForcedBackend();
    std::optional<backends::WaylandOffer> offer;
    std::string noLibrary;
    if (forced != "x11" && waylandsession::Name() && wayland::LoadClient(noLibrary))
        offer = wayland::Probe();
    // NOTE: only KWin's choice hangs on its Xwayland: asked nowhere else.
    if (offer && offer->kwin && offer->layerShell && !forced)
        offer->xwaylandInputShape = x11::XwaylandPassesInputShape();
    const backends::Choice choice = backends::Choose(forced, offer, noLibrary);
    if (!choice.fallback.empty())
        notice::Say("the kitten runs as an X11 window, through Xwayland", choice.fallback);
    if (choice.kind == backends::Kind::Wayland) {
        backends::chosen = &wayland::api::Table;
    } else {
        wayland::Drop();
        backends::chosen = &x11::api::Table;
    }
    if (!choice.kind) {
        whyNot = choice.whyNot;
        return false;
    }
    return Chosen().Open(whyNot);
}

void Close() {
    Chosen().Close();
}
void RefreshScreens() {
    Chosen().RefreshScreens();
}
Point PrimaryScreenSize() {
    return Chosen().PrimaryScreenSize();
}
std::vector<ScaledArea> ScreenAreas() {
    return Chosen().ScreenAreas();
}
std::vector<Rect> Monitors() {
    return Chosen().Monitors();
}
double WindowScale(WindowId window) {
    return Chosen().WindowScale(window);
}
WindowId CreateHiddenWindow(const WindowRequest& request) {
    return Chosen().CreateHiddenWindow(request);
}
bool MoveWindow(WindowId window, Point topLeft) {
    return Chosen().MoveWindow(window, topLeft);
}
bool GetWindowRect(WindowId window, Rect& rect) {
    return Chosen().GetWindowRect(window, rect);
}
bool GetClientOrigin(WindowId window, Point& origin) {
    return Chosen().GetClientOrigin(window, origin);
}
void ShowWindow(WindowId window) {
    Chosen().ShowWindow(window);
}
void DestroyWindow(WindowId window) {
    Chosen().DestroyWindow(window);
}
bool SetContent(WindowId window, Rect outer, Image& content) {
    return Chosen().SetContent(window, outer, content);
}
bool SetTopmost(WindowId window) {
    return Chosen().SetTopmost(window);
}
bool SetShape(WindowId window, const std::vector<Rect>& rects) {
    return Chosen().SetShape(window, rects);
}
void FillSpans(WindowId window, Colour colour, const Span* spans, std::size_t count) {
    Chosen().FillSpans(window, colour, spans, count);
}
void Flush() {
    Chosen().Flush();
}
bool GetPointer(Point& position) {
    return Chosen().GetPointer(position);
}
void ReleaseCapture() {
    Chosen().ReleaseCapture();
}
void BeginMove(WindowId window) {
    Chosen().BeginMove(window);
}
void StartTimer(WindowId window, std::uint32_t intervalMs) {
    Chosen().StartTimer(window, intervalMs);
}
Event WaitEvent() {
    return Chosen().WaitEvent();
}
void SetModalEventHandler(EventHandler handler) {
    Chosen().SetModalEventHandler(handler);
}

}  // namespace native
