// One backend's functions as a table: the Linux program holds two backends (platform/x11,
// platform/wayland) and runs the one chosen at start (platform/linux/Dispatch.cpp), as
// GLFW chooses its platform. Each entry is the function of platform/Native.h or
// platform/User32.h with the same name; Windows and the null backend have one backend
// each and define those functions directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Native.h"

namespace native {

struct Backend {
    const char* name;  // "x11", "wayland": what VELLORY_BACKEND names
    bool (*Open)(std::string& whyNot);
    // The name of the display session the single-instance lock is taken for.
    std::string (*SessionName)();
    void (*Close)();
    void (*RefreshScreens)();
    Point (*PrimaryScreenSize)();
    std::vector<ScaledArea> (*ScreenAreas)();
    std::vector<Rect> (*Monitors)();
    double (*WindowScale)(WindowId window);
    WindowId (*CreateHiddenWindow)(const WindowRequest& request);
    bool (*MoveWindow)(WindowId window, Point topLeft);
    bool (*GetWindowRect)(WindowId window, Rect& rect);
    bool (*GetClientOrigin)(WindowId window, Point& origin);
    void (*ShowWindow)(WindowId window);
    void (*DestroyWindow)(WindowId window);
    bool (*SetContent)(WindowId window, Rect outer, Image& content);
    bool (*SetTopmost)(WindowId window);
    bool (*SetShape)(WindowId window, const std::vector<Rect>& rects);
    void (*FillSpans)(WindowId window, Colour colour, const Span* spans, std::size_t count);
    void (*Flush)();
    bool (*GetPointer)(Point& position);
    void (*ReleaseCapture)();
    void (*BeginMove)(WindowId window);
    void (*StartTimer)(WindowId window, std::uint32_t intervalMs);
    Event (*WaitEvent)();
    void (*SetModalEventHandler)(EventHandler handler);
};

}  // namespace native
