// The event loop of the Win32 backend: the window procedure turns the window's messages
// into native events, and WaitEvent runs the message loop until one is there. Double-
// clicks are Windows' own (CS_DBLCLKS); the interactive move is Windows' caption move; a
// change of the window's DPI is handled before WM_DPICHANGED returns.
#include <deque>
#include <optional>

#include "platform/win32/backend/Win32Platform.h"

namespace win32 {
namespace {

constexpr UINT_PTR TimerId = 1;

struct LoopState {
    std::deque<native::Event> pending;  // translated, not yet handed out
    bool tickPending = false;           // at most one tick waits: late ticks do not pile up
    bool inModalMove = false;           // Windows' own move loop runs, not ours
    native::EventHandler modalHandler = nullptr;
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
        case WM_TIMER:
            if (wParam != TimerId) return 0;
            // NOTE: during a caption move Windows runs its own message loop until the button
            // is released, and WaitEvent does not run; the tick is handed over directly so
            // that the eyes keep following the pointer meanwhile.
            if (Loop().inModalMove && Loop().modalHandler != nullptr)
                Loop().modalHandler(native::Event{native::EventKind::Tick});
            else
                Queue(native::Event{native::EventKind::Tick});
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
    if (IsOurs(window)) SetTimer(Handle(window), win32::TimerId, intervalMs, nullptr);
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
