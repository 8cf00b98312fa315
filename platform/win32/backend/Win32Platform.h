// The Win32 backend's internal header: its one top-level window and what it knows about
// it, and what the backend's files share. Included by the backend's own files only (it
// brings in <windows.h>).
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/Native.h"

namespace win32 {

struct WindowState {
    HWND window = nullptr;
    HDC contentDc = nullptr;         // holds the content bitmap, for WM_PAINT
    HBITMAP content = nullptr;       // the client area as the system repaints it
    HGDIOBJ contentDcOld = nullptr;  // what the memory DC held before the bitmap
    std::int32_t width = 0, height = 0;
};

WindowState& TheWindow();
// Turns the window's messages into native events (Events.cpp).
LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Paints the content bitmap into a WM_PAINT's device context (Window.cpp).
void PaintContent(HDC dc, const RECT& dirty);
// Sets the program's region (program pixels) as the window's shape at its scale (Dpi.cpp).
bool ApplyProgramRegion(HWND window, const std::vector<native::Rect>& programRegion);

// The native interface's window id is the window handle itself: the program hands
// Form::hWnd straight to user32.
inline HWND Handle(native::WindowId window) {
    return reinterpret_cast<HWND>(window);
}
inline bool IsOurs(native::WindowId window) {
    return window != 0 && Handle(window) == TheWindow().window;
}

}  // namespace win32
