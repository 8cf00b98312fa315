// The null backend: every call of platform/Native.h and of platform/User32.h is recorded
// and answered from the test's State.
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

std::string CallNames() {
    std::string names;
    for (const Call& call : Get().calls) names += (names.empty() ? "" : " ") + call.name;
    return names;
}

namespace {
void Record(std::string name, std::string args = "") {
    Get().calls.push_back({std::move(name), std::move(args)});
}
std::string Pair(std::int32_t a, std::int32_t b) {
    return std::to_string(a) + "," + std::to_string(b);
}
WindowSnapshot Seen() {
    const State& state = Get();
    return {state.windowRect, state.shown, state.topmost, state.shape.has_value()};
}
}  // namespace

}  // namespace nullbackend

namespace native {

using nullbackend::Get;
using nullbackend::Pair;
using nullbackend::Record;
using nullbackend::Seen;

bool Open(std::string& whyNot) {
    Record("Open");
    if (!Get().displayAvailable) whyNot = "cannot open display";
    return Get().displayAvailable;
}

bool AnotherCopyRuns() {
    Record("AnotherCopyRuns");
    return Get().anotherCopyRuns;
}

std::string ExecutablePath() {
    Record("ExecutablePath");
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
bool SetContent(WindowId window, Rect outer, Image& content) {
    Record("SetContent", Pair(outer.left, outer.top) + "," + Pair(content.width, content.height));
    Get().windowRect = outer;
    if (const scaling::ScaledWindow* scaled = scaling::WindowOf(window);
        scaled != nullptr && scaled->programRegion)
        Get().shape = scaling::DeviceShape(*scaled, *scaled->programRegion);
    return true;
}

WindowId CreateHiddenWindow(const WindowRequest& request) {
    Record("CreateHiddenWindow", Pair(request.position.x, request.position.y) + "," +
                                     Pair(request.width, request.height));
    auto& state = Get();
    state.window = 1;
    state.windowRect = {request.position.x, request.position.y, request.position.x + request.width,
                        request.position.y + request.height};
    return state.window;
}

bool MoveWindow(WindowId, Point topLeft) {
    Record("MoveWindow", Pair(topLeft.x, topLeft.y));
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

void RefreshScreens() {}

void ShowWindow(WindowId) {
    Record("ShowWindow");
    Get().shown = true;
    if (!Get().whenFirstShown) Get().whenFirstShown = Seen();
}

void DestroyWindow(WindowId) {
    Record("DestroyWindow");
    Get().window = 0;
}

bool SetTopmost(WindowId) {
    Record("SetTopmost");
    Get().topmost = true;
    if (!Get().whenMadeTopmost) Get().whenMadeTopmost = Seen();
    return true;
}

bool SetShape(WindowId, const std::vector<Rect>& rects) {
    Record("SetShape", std::to_string(rects.size()));
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
    Record("ReleaseCapture");
    Get().pointerCaptured = false;
}

void BeginMove(WindowId) {
    Record("BeginMove");
    if (!Get().pointerCaptured) ++Get().moves;
}

void StartTimer(WindowId, std::uint32_t intervalMs) {
    Record("StartTimer", std::to_string(intervalMs));
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
    Record("Close");
    Get().closed = true;
}

}  // namespace native
