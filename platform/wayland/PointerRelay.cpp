// Where the pointer is off the kitten under KWin, which offers no cursor sessions: the
// pointer relay's KWin script tells its place in KWin's logical coordinates, which are
// the layout's own. While the pointer is on the face, or a press or drag holds the window,
// the surface's own events lead (Pointer.cpp).
#include "platform/relay/Relay.h"
#include "platform/wayland/WaylandPlatform.h"

namespace wayland {

void StartRelay() {
    if (!W().kwin || CursorSessionsOffered()) return;
    relay::Host host;
    host.onlyOver = "the eyes follow the pointer only over the kitten here";
    relay::Start(host);
}

void StopRelay() {
    relay::Stop();
}

int RelayFd() {
    return relay::Fd();
}

bool RelayHasQueued() {
    return relay::HasQueued();
}

void OnRelayInput() {
    const relay::News news = relay::Handle();
    if (!news.moved || !relay::Delivering()) return;
    if (const std::optional<native::Point> place = relay::RootPointer()) OnRelayPlace(*place);
}

}  // namespace wayland
