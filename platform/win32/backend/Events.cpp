// The event loop of the Win32 backend: the window procedure turns the window's messages
// into native events, and WaitEvent runs the message loop until one is there. Double-
// clicks are Windows' own (CS_DBLCLKS); the interactive move is Windows' caption move.
// The timer looks at the pointer and the window when platform/TickPacer.h says so and
// ticks only when one of them changed; raw mouse input wakes an idle loop, and WM_PAINT
// repaints the last tick's eyes. VELLORY_ALWAYS_TICK=1 ticks every interval instead. A change
// of the window's DPI is handled before WM_DPICHANGED returns.
#include <cstring>
#include <deque>
#include <optional>

#include "platform/TickPacer.h"
#include "platform/win32/backend/Win32Platform.h"

namespace win32 {
namespace {

constexpr UINT_PTR TimerId = 1;
constexpr native::TickPacer::Ns Millisecond = 1000000;
constexpr native::TickPacer::Ns SlowLook = 1000 * Millisecond;  // catches SetCursorPos, touch, pen

// What a tick's result depends on.
struct Look {
    bool pointerKnown = false;
    POINT pointer{};
    bool windowKnown = false;
    RECT window{};
    bool operator==(const Look& other) const {
        return pointerKnown == other.pointerKnown && windowKnown == other.windowKnown &&
               std::memcmp(&pointer, &other.pointer, sizeof pointer) == 0 &&
               std::memcmp(&window, &other.window, sizeof window) == 0;
    }
};

struct LoopState {
    std::deque<native::Event> pending;  // translated, not yet handed out
    bool tickPending = false;           // at most one tick waits: late ticks do not pile up
    bool inModalMove = false;           // Windows' own move loop runs, not ours
    native::EventHandler modalHandler = nullptr;
    HWND timerWindow = nullptr;
    native::TickPacer pacer;
    std::optional<Look> painted;  // what the last delivered tick saw
    bool rawInput = false;        // raw mouse input is registered for the window
};

LoopState& Loop() {
    static LoopState state;
    return state;
}

void Queue(const native::Event& event) {
    LoopState& loop = Loop();
    if (event.kind == native::EventKind::Tick) {
        if (loop.tickPending) return;
        loop.tickPending = true;
    }
    loop.pending.push_back(event);
}

// NOTE: during a caption move Windows runs its own message loop until the button is
// released, and WaitEvent does not run; events are handed over directly so that the eyes
// keep following the pointer meanwhile.
void Deliver(const native::Event& event) {
    if (Loop().inModalMove && Loop().modalHandler != nullptr)
        Loop().modalHandler(event);
    else
        Queue(event);
}

native::TickPacer::Ns NowNs() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<native::TickPacer::Ns>(static_cast<double>(count.QuadPart) * 1e9 /
                                              static_cast<double>(frequency.QuadPart));
}

// Mouse input of the whole desktop (RIDEV_INPUTSINK), or none; false when refused.
bool RegisterRawMouse(HWND window, bool on) {
    RAWINPUTDEVICE mouse{};
    mouse.usUsagePage = 0x01;  // generic desktop controls
    mouse.usUsage = 0x02;      // mouse
    mouse.dwFlags = on ? RIDEV_INPUTSINK : RIDEV_REMOVE;
    mouse.hwndTarget = on ? window : nullptr;
    return RegisterRawInputDevices(&mouse, 1, sizeof mouse) != FALSE;
}

void SyncRawInput() {
    LoopState& loop = Loop();
    const bool wanted = loop.pacer.WantsMotion();
    if (wanted != loop.rawInput && RegisterRawMouse(loop.timerWindow, wanted))
        loop.rawInput = wanted;
}

// The timer fires when the next look is due.
void ArmTimer(native::TickPacer::Ns now) {
    LoopState& loop = Loop();
    const native::TickPacer::Ns wait = loop.pacer.Due() - now;
    const UINT ms =
        wait <= 0 ? USER_TIMER_MINIMUM : static_cast<UINT>((wait + Millisecond - 1) / Millisecond);
    SetTimer(loop.timerWindow, TimerId, ms, nullptr);
}

Look TakeLook() {
    Look look;
    look.pointerKnown = GetCursorPos(&look.pointer) != FALSE;
    look.windowKnown = GetWindowRect(Loop().timerWindow, &look.window) != FALSE;
    return look;
}

void LookNow(native::TickPacer::Ns now) {
    LoopState& loop = Loop();
    bool tick = true;
    if (loop.pacer.Quiet()) {
        for (;;) {
            const Look look = TakeLook();
            tick = loop.pacer.Look(now, !loop.painted || !(look == *loop.painted));
            // Registered again before the look that follows: no motion falls between.
            SyncRawInput();
            if (tick) loop.painted = look;
            if (tick || loop.pacer.Due() > now) break;
        }
    } else {
        loop.pacer.Look(now, true);  // the tick looks itself
    }
    ArmTimer(now);
    if (tick) Deliver(native::Event{native::EventKind::Tick});
}

std::int16_t ShiftOf(WPARAM keys) {
    return static_cast<std::int16_t>(((keys & MK_SHIFT) ? 1 : 0) | ((keys & MK_CONTROL) ? 2 : 0) |
                                     ((GetKeyState(VK_MENU) < 0) ? 4 : 0));
}

native::Event MouseEvent(native::EventKind kind, std::int16_t button, WPARAM wParam,
                         LPARAM lParam) {
    native::Event event;
    event.kind = kind;
    event.button = button;
    event.shift = ShiftOf(wParam);
    // NOTE: client coordinates are signed 16-bit halves of lParam (GET_X_LPARAM).
    event.x = static_cast<std::int16_t>(LOWORD(lParam));
    event.y = static_cast<std::int16_t>(HIWORD(lParam));
    return event;
}

std::optional<native::Event> Translate(UINT message, WPARAM wParam, LPARAM lParam) {
    using native::EventKind;
    switch (message) {
        case WM_LBUTTONDOWN:
            return MouseEvent(EventKind::MouseDown, 1, wParam, lParam);
        case WM_RBUTTONDOWN:
            return MouseEvent(EventKind::MouseDown, 2, wParam, lParam);
        case WM_MBUTTONDOWN:
            return MouseEvent(EventKind::MouseDown, 4, wParam, lParam);
        // The second press of a left double-click raises DblClick and no MouseDown.
        case WM_LBUTTONDBLCLK:
            return MouseEvent(EventKind::DblClick, 1, wParam, lParam);
        // NOTE: CS_DBLCLKS turns the second press of any button into a double-click
        // message; only the left button's is DblClick (as on X11), the others stay
        // presses.
        case WM_RBUTTONDBLCLK:
            return MouseEvent(EventKind::MouseDown, 2, wParam, lParam);
        case WM_MBUTTONDBLCLK:
            return MouseEvent(EventKind::MouseDown, 4, wParam, lParam);
        default:
            return std::nullopt;
    }
}

}  // namespace

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto event = Translate(message, wParam, lParam)) {
        Queue(*event);
        return 0;
    }
    switch (message) {
        case WM_TIMER: {
            if (wParam != TimerId || !Loop().pacer.Started()) return 0;
            const native::TickPacer::Ns now = NowNs();
            // NOTE: timers may fire a little early (they run on the system's clock tick);
            // a look that is not due yet only rearms the timer.
            if (now + 2 * Millisecond < Loop().pacer.Due())
                ArmTimer(now);
            else
                LookNow(now);
            return 0;
        }
        case WM_INPUT: {
            const native::TickPacer::Ns now = NowNs();
            Loop().pacer.Moved(now);
            if (Loop().pacer.Due() <= now)
                LookNow(now);
            else
                ArmTimer(now);
            return DefWindowProcA(window, message, wParam, lParam);  // frees the input
        }
        case WM_MOVE:
            Loop().pacer.Moved(NowNs());  // the next look, at once or in turn, sees it
            if (Loop().pacer.Started()) ArmTimer(NowNs());
            return 0;
        case WM_DPICHANGED: {
            // The window's monitor or its setting changed: it takes the new scale at the
            // place Windows suggests (which keeps it under the pointer during a drag), at
            // once, also inside Windows' own move loop.
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            native::Event event{native::EventKind::ScaleChanged};
            event.x = suggested->left;
            event.y = suggested->top;
            if (Loop().modalHandler != nullptr)
                Loop().modalHandler(event);
            else
                Queue(event);
            return 0;
        }
        case WM_ENTERSIZEMOVE:
            Loop().inModalMove = true;
            return 0;
        case WM_EXITSIZEMOVE:
            Loop().inModalMove = false;
            return 0;
        case WM_CLOSE:
            // The close command unloads the form through the runtime; the window is not
            // destroyed here (DefWindowProc would).
            Queue(native::Event{native::EventKind::Closed});
            return 0;
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers the client area
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            if (dc != nullptr) PaintContent(dc, paint.rcPaint);
            EndPaint(window, &paint);
            if (Loop().pacer.Quiet()) Deliver(native::Event{native::EventKind::Repaint});
            return 0;
        }
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace win32

namespace native {

using win32::Handle;
using win32::IsOurs;
using win32::Loop;

void StartTimer(WindowId window, std::uint32_t intervalMs) {
    if (!IsOurs(window)) return;
    win32::LoopState& loop = Loop();
    loop.timerWindow = Handle(window);
    TickPacer::Setup setup;
    setup.interval = intervalMs * win32::Millisecond;
    char always[4] = {};
    const DWORD length = GetEnvironmentVariableA("VELLORY_ALWAYS_TICK", always, sizeof always);
    setup.mode =
        length == 1 && always[0] == '1' ? TickPacer::Mode::EveryInterval : TickPacer::Mode::Quiet;
    // NOTE: without raw input the looks back off while nothing changes.
    setup.motionReported = setup.mode == TickPacer::Mode::Quiet &&
                           win32::RegisterRawMouse(loop.timerWindow, true) &&
                           win32::RegisterRawMouse(loop.timerWindow, false);
    setup.slowLook = win32::SlowLook;
    const TickPacer::Ns now = win32::NowNs();
    loop.pacer.Start(setup, now);
    win32::ArmTimer(now);
}

Event WaitEvent() {
    win32::LoopState& loop = Loop();
    while (loop.pending.empty()) {
        MSG message;
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        // NOTE: WM_QUIT, or a failing message queue, leaves nothing more to wait for.
        if (got == 0 || got == -1) return Event{EventKind::Closed};
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    const Event event = loop.pending.front();
    loop.pending.pop_front();
    if (event.kind == EventKind::Tick) loop.tickPending = false;
    return event;
}

void SetModalEventHandler(EventHandler handler) {
    Loop().modalHandler = handler;
}

}  // namespace native
