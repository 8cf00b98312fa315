// The null backend: every call of platform/Native.h and of platform/User32.h is answered
// from the test's State and leaves its effect there.
#include "platform/null/NullBackend.h"

#include "platform/Scaling.h"
#include "platform/User32.h"

namespace nullbackend {

State& Get() {
    static State state;
    return state;
}

void Reset() {
    Get() = State{};
}

namespace {
WindowSnapshot Seen() {
    const State& state = Get();
    return {state.windowRect, state.shown, state.topmost, state.shape.has_value()};
}
}  // namespace

}  // namespace nullbackend

namespace native {

using nullbackend::Get;
using nullbackend::Seen;

bool Open(std::string& whyNot) {
    if (!Get().displayAvailable) whyNot = "cannot open display";
    return Get().displayAvailable;
}

bool AnotherCopyRuns() {
    return Get().anotherCopyRuns;
}

std::string ExecutablePath() {
    return Get().executablePath;
}

Point PrimaryScreenSize() {
    return Get().screenSize;
}

std::vector<ScaledArea> ScreenAreas() {
    return Get().areas;
}

double WindowScale(WindowId) {
    const auto& state = Get();
    const ScaledArea* area = scaling::AreaOfDevice(
        {double(state.windowRect.left), double(state.windowRect.top)}, state.areas);
    return area != nullptr ? area->scale : 1;
}

// As the real backends do: the program's region is shaped again for the new scale.
bool SetContent(WindowId window, Rect outer, Image& /*content*/) {
    Get().windowRect = outer;
    if (const scaling::ScaledWindow* scaled = scaling::WindowOf(window);
        scaled != nullptr && scaled->programRegion)
        Get().shape = scaling::DeviceShape(*scaled, *scaled->programRegion);
    return true;
}

WindowId CreateHiddenWindow(const WindowRequest& request) {
    auto& state = Get();
    state.window = 1;
    state.windowRect = {request.position.x, request.position.y, request.position.x + request.width,
                        request.position.y + request.height};
    return state.window;
}

bool MoveWindow(WindowId, Point topLeft) {
    auto& state = Get();
    if (state.refuseMoves) return false;
    const std::int32_t width = state.windowRect.right - state.windowRect.left;
    const std::int32_t height = state.windowRect.bottom - state.windowRect.top;
    state.windowRect = {topLeft.x, topLeft.y, topLeft.x + width, topLeft.y + height};
    return true;
}

bool GetWindowRect(WindowId window, Rect& rect) {
    if (window != Get().window || window == 0) return false;
    rect = Get().windowRect;
    return true;
}

bool GetClientOrigin(WindowId window, Point& origin) {
    if (window != Get().window || window == 0) return false;
    origin = {Get().windowRect.left + Get().frameInset.x,
              Get().windowRect.top + Get().frameInset.y};
    return true;
}

void RefreshScreens() {}

void ShowWindow(WindowId) {
    Get().shown = true;
    if (!Get().whenFirstShown) Get().whenFirstShown = Seen();
}

void DestroyWindow(WindowId) {
    Get().window = 0;
}

bool SetTopmost(WindowId) {
    Get().topmost = true;
    if (!Get().whenMadeTopmost) Get().whenMadeTopmost = Seen();
    return true;
}

bool SetShape(WindowId, const std::vector<Rect>& rects) {
    Get().shape = rects;
    return true;
}

void FillSpans(WindowId, Colour colour, const Span* spans, std::size_t count) {
    if (!Get().recordFills) return;
    Get().fills.emplace_back(colour, std::vector<Span>(spans, spans + count));
}

void Flush() {}

bool GetPointer(Point& position) {
    position = Get().pointer;
    return true;
}

void ReleaseCapture() {
    Get().pointerCaptured = false;
}

void BeginMove(WindowId) {
    if (!Get().pointerCaptured) ++Get().moves;
}

std::vector<Rect> Monitors() {
    const nullbackend::State& state = Get();
    if (!state.monitors.empty()) return state.monitors;
    std::vector<Rect> areas;  // as on Windows, a scaled area is a monitor
    areas.reserve(state.areas.size());
    for (const ScaledArea& area : state.areas) areas.push_back(area.device);
    if (!areas.empty()) return areas;
    return {{0, 0, state.screenSize.x, state.screenSize.y}};
}

void StartTimer(WindowId, std::uint32_t intervalMs) {
    Get().timerInterval = intervalMs;
}

Event WaitEvent() {
    auto& pending = Get().pendingEvents;
    if (pending.empty()) return Event{EventKind::Closed};
    const Event event = pending.front();
    pending.erase(pending.begin());
    return event;
}

void SetModalEventHandler(EventHandler) {}

void Close() {
    Get().closed = true;
}

}  // namespace native
