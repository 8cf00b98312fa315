// The windowing-system and kernel32 functions that the program calls, with the argument
// lists Windows gives them. Each group has two halves, one per kind of host:
//   user32/gdi32  platform/win32/backend/User32.cpp forwards to the system's own;
//                 platform/User32.cpp builds them on the X11 or null backend.
//   kernel32      platform/win32/services/Kernel32.cpp forwards to the system's own;
//                 platform/posix/Kernel32.cpp puts our profile-file and long-path
//                 services behind them.
//
// NOTE: <windows.h> is kept out of this header on purpose: its macros (CreateWindow,
// GetObject, ...) would leak into every file of the program.
#pragma once

#include <cstdint>

namespace winapi {

using BOOL = int;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LPCSTR = const char*;
using LPSTR = char*;

struct HWND__;
using HWND = HWND__*;  // a window handle: on X11 the X window id
struct HRGN__;
using HRGN = HRGN__*;  // a region handle: on X11 an entry of our own region table
using HGDIOBJ = HRGN;  // the program deletes nothing but regions
struct HMONITOR__;
using HMONITOR = HMONITOR__*;  // a monitor handle: on X11 the monitor's place in our list

struct POINT {
    LONG x = 0;
    LONG y = 0;
};

struct RECT {
    LONG Left = 0;
    LONG Top = 0;
    LONG Right = 0;
    LONG Bottom = 0;
};

struct MONITORINFO {
    DWORD cbSize = sizeof(MONITORINFO);
    RECT rcMonitor;
    RECT rcWork;
    DWORD dwFlags = 0;
};

// A window handle held as an integer, as the form runtime's hWnd gives it.
inline HWND AsHWND(std::intptr_t window) {
    return reinterpret_cast<HWND>(window);
}

inline const HWND HWND_TOPMOST = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr int RGN_OR = 2;
constexpr UINT WM_NCLBUTTONDOWN = 0xA1;
constexpr WPARAM HTCAPTION = 2;
constexpr DWORD MONITOR_DEFAULTTONULL = 0;
constexpr DWORD MONITORINFOF_PRIMARY = 1;

// user32
BOOL GetCursorPos(POINT* point);
BOOL GetWindowRect(HWND window, RECT* rect);
BOOL ClientToScreen(HWND window, POINT* point);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL ReleaseCapture();
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int SetWindowRgn(HWND window, HRGN region, BOOL redraw);
// The monitor that shows the largest part of the rectangle; with MONITOR_DEFAULTTONULL,
// none when no monitor shows any of it.
HMONITOR MonitorFromRect(const RECT* rect, DWORD flags);
BOOL GetMonitorInfoA(HMONITOR monitor, MONITORINFO* info);

// gdi32
HRGN CreateRectRgn(int left, int top, int right, int bottom);
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
BOOL DeleteObject(HGDIOBJ object);

// kernel32
DWORD GetLongPathNameA(LPCSTR shortPath, LPSTR longPath, DWORD bufferSize);
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD bufferSize, LPCSTR fileName);
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName);

}  // namespace winapi
