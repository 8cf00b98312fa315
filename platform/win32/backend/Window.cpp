// Creating, placing, showing and drawing the window, and giving it another scale's size
// and content. The program shapes it and makes it topmost with user32's own functions
// (platform/win32/backend/User32.cpp).
#include <algorithm>

#include "platform/Colour.h"
#include "platform/Scaling.h"
#include "platform/win32/backend/Win32Platform.h"

namespace win32 {

WindowState& TheWindow() {
    static WindowState state;
    return state;
}

namespace {

constexpr int IconResource = 1;  // platform/win32/vellory.rc

// The window class: double-clicks as messages of their own (CS_DBLCLKS), the icon that
// the executable carries, no background brush (WM_PAINT covers the whole client area).
bool RegisterWindowClass(const std::string& className) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hIcon =
        static_cast<HICON>(LoadImageA(windowClass.hInstance, MAKEINTRESOURCEA(IconResource),
                                      IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    windowClass.hIconSm = static_cast<HICON>(
        LoadImageA(windowClass.hInstance, MAKEINTRESOURCEA(IconResource), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.lpszClassName = className.c_str();
    return RegisterClassExA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The content image as a DIB section selected into a memory DC, for BitBlt on WM_PAINT.
bool MakeContentBitmap(WindowState& w, const native::Image& image) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    w.content = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (w.content == nullptr || bits == nullptr) return false;
    auto* pixels = static_cast<std::uint32_t*>(bits);
    std::transform(image.pixels.begin(), image.pixels.end(), pixels, native::ToRgb);  // DIB order
    w.contentDc = CreateCompatibleDC(nullptr);
    if (w.contentDc == nullptr) return false;
    w.contentDcOld = SelectObject(w.contentDc, w.content);
    return true;
}

void FreeContentBitmap(WindowState& w) {
    if (w.contentDc != nullptr) {
        SelectObject(w.contentDc, w.contentDcOld);
        DeleteDC(w.contentDc);
    }
    if (w.content != nullptr) DeleteObject(w.content);
    w.contentDc = nullptr;
    w.content = nullptr;
}

}  // namespace

void PaintContent(HDC dc, const RECT& dirty) {
    const WindowState& w = TheWindow();
    if (w.contentDc == nullptr) return;
    BitBlt(dc, dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top,
           w.contentDc, dirty.left, dirty.top, SRCCOPY);
}

}  // namespace win32

namespace native {

using win32::Handle;
using win32::IsOurs;
using win32::TheWindow;

// A frameless popup without a task-bar button (WS_EX_TOOLWINDOW), hidden, its outer
// rectangle exactly its client area.
WindowId CreateHiddenWindow(const WindowRequest& request) {
    win32::WindowState& w = TheWindow();
    if (w.window != nullptr || request.width <= 0 || request.height <= 0) return 0;
    if (!win32::RegisterWindowClass(request.className)) return 0;
    if (request.content != nullptr && request.content->width == request.width &&
        request.content->height == request.height &&
        !win32::MakeContentBitmap(w, *request.content)) {
        win32::FreeContentBitmap(w);
        return 0;
    }
    w.width = request.width;
    w.height = request.height;
    w.window =
        CreateWindowExA(WS_EX_TOOLWINDOW, request.className.c_str(), request.title.c_str(),
                        WS_POPUP, request.position.x, request.position.y, request.width,
                        request.height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (w.window == nullptr) {
        win32::FreeContentBitmap(w);
        return 0;
    }
    return reinterpret_cast<WindowId>(w.window);
}

bool MoveWindow(WindowId window, Point topLeft) {
    if (!IsOurs(window)) return false;
    return SetWindowPos(Handle(window), nullptr, topLeft.x, topLeft.y, 0, 0,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != 0;
}

bool GetWindowRect(WindowId window, Rect& rect) {
    RECT outer;
    if (!IsOurs(window) || !::GetWindowRect(Handle(window), &outer)) return false;
    rect = {outer.left, outer.top, outer.right, outer.bottom};
    return true;
}

void ShowWindow(WindowId window) {
    if (!IsOurs(window)) return;
    ::ShowWindow(Handle(window), SW_SHOW);  // visible and active
    UpdateWindow(Handle(window));
}

void DestroyWindow(WindowId window) {
    if (!IsOurs(window)) return;
    ::DestroyWindow(Handle(window));
    win32::FreeContentBitmap(TheWindow());
    TheWindow() = win32::WindowState{};
}

// The window at another scale: its new content bitmap, size and place, and the program's
// region shaped again for the scale.
bool SetContent(WindowId window, Rect outer, Image& content) {
    if (!IsOurs(window) || content.width <= 0 || content.height <= 0) return false;
    win32::WindowState& w = TheWindow();
    win32::FreeContentBitmap(w);
    if (!win32::MakeContentBitmap(w, content)) {
        win32::FreeContentBitmap(w);
        return false;
    }
    w.width = content.width;
    w.height = content.height;
    const bool placed = SetWindowPos(Handle(window), nullptr, outer.left, outer.top, content.width,
                                     content.height, SWP_NOZORDER | SWP_NOACTIVATE) != 0;
    if (const scaling::ScaledWindow* scaled = scaling::WindowOf(window);
        scaled != nullptr && scaled->programRegion)
        win32::ApplyProgramRegion(Handle(window), *scaled->programRegion);
    InvalidateRect(Handle(window), nullptr, FALSE);
    return placed;
}

// Straight onto the window, not into the content bitmap: a repaint shows the bare
// picture again.
void FillSpans(WindowId window, Colour colour, const Span* spans, std::size_t count) {
    if (!IsOurs(window) || count == 0) return;
    HDC dc = GetDC(Handle(window));
    if (dc == nullptr) return;
    HBRUSH brush = CreateSolidBrush(colour);  // COLORREF is 0x00BBGGRR too
    for (std::size_t i = 0; i < count; ++i) {
        const RECT row{spans[i].x0, spans[i].y, spans[i].x1, spans[i].y + 1};
        FillRect(dc, &row, brush);
    }
    DeleteObject(brush);
    ReleaseDC(Handle(window), dc);
}

void Flush() {
    GdiFlush();
}

}  // namespace native
