// The pointer through XTest, and the screen's pixels read back: see XClient.h.
// clang-format off
#include "tests/support/XClient.h"  // NOTE: first, as it brings gtest in before Xlib
// clang-format on
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <thread>

namespace support {

void XClient::MovePointer(Point to) {
    // NOTE: Xvfb's XTest moves the pointer only within the screen it is on; a warp takes
    // it to our screen first.
    Window rootReturn, child;
    int x = 0, y = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    if (!XQueryPointer(display_, Root(), &rootReturn, &child, &x, &y, &wx, &wy, &mask))
        XWarpPointer(display_, None, Root(), 0, 0, 0, 0, to.x, to.y);
    XTestFakeMotionEvent(display_, DefaultScreen(display_), to.x, to.y, CurrentTime);
    XSync(display_, False);
}

void XClient::WarpPointer(Point to) {
    XWarpPointer(display_, None, Root(), 0, 0, 0, 0, to.x, to.y);
    XSync(display_, False);
}

void XClient::Press(unsigned button) {
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    XSync(display_, False);
}

void XClient::Release(unsigned button) {
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
    XSync(display_, False);
}

void XClient::Click(unsigned button, Point at) {
    MovePointer(at);
    Pause(pace_.settle);
    Press(button);
    Pause(pace_.press);
    Release(button);
}

void XClient::DoubleClick(Point at) {
    Click(Button1, at);
    Pause(pace_.gap);
    Press(Button1);
    Pause(pace_.press);
    Release(Button1);
}

void XClient::Drag(unsigned button, Point from, Point to) {
    MovePointer(from);
    Pause(pace_.settle);
    Press(button);
    Pause(pace_.dragHold);  // the move begins while the button is held
    constexpr int Steps = 12;
    for (int i = 1; i <= Steps; ++i) {
        MovePointer({from.x + (to.x - from.x) * i / Steps, from.y + (to.y - from.y) * i / Steps});
        Pause(pace_.step);
    }
    Pause(pace_.dragHold);
    Release(button);
    Pause(pace_.settle);
}

void XClient::FastClick(Point at) {
    MovePointer(at);
    Press(Button1);
    Release(Button1);
}

void XClient::FastDrag(Point from, Point to, milliseconds hold, milliseconds rest) {
    MovePointer(from);
    Press(Button1);
    Pause(hold);
    constexpr int Steps = 3;
    for (int i = 1; i <= Steps; ++i)
        MovePointer({from.x + (to.x - from.x) * i / Steps, from.y + (to.y - from.y) * i / Steps});
    Pause(rest);
    Release(Button1);
}

void XClient::StepDrag(Point from, Point step, int steps, milliseconds between, milliseconds rest) {
    MovePointer(from);
    Press(Button1);
    for (int i = 1; i <= steps; ++i) {
        if (i > 1) Pause(between);
        MovePointer({from.x + step.x * i, from.y + step.y * i});
    }
    Pause(rest);
    Release(Button1);
}

void XClient::ClickTwice(Point at, milliseconds apart) {
    MovePointer(at);
    Pause(pace_.settle);
    const auto first = Clock::now();
    Press(Button1);
    Release(Button1);
    std::this_thread::sleep_until(first + apart);
    Press(Button1);
    Release(Button1);
}

bool XClient::PointerFree() {
    const int status = XGrabPointer(display_, Root(), False, 0, GrabModeAsync, GrabModeAsync, None,
                                    None, CurrentTime);
    if (status == GrabSuccess) XUngrabPointer(display_, CurrentTime);
    XSync(display_, False);
    return status == GrabSuccess;
}

Point XClient::Pointer() const {
    Window rootReturn, child;
    int x = 0, y = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    XQueryPointer(display_, Root(), &rootReturn, &child, &x, &y, &wx, &wy, &mask);
    return {x, y};
}

namespace {

int ShiftOf(unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

}  // namespace

namespace {

// The pixels of `image` into `shot`, whose width and height it has.
void ReadImage(XImage* image, Shot& shot);

}  // namespace

Shot XClient::GrabWindow(Window window, Point at, int width, int height) const {
    Shot shot{at.x, at.y, width, height, {}};
    XImage* image = XGetImage(display_, window, 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr) return Shot{at.x, at.y, 0, 0, {}};
    ReadImage(image, shot);
    return shot;
}

Shot XClient::Grab(int left, int top, int width, int height) const {
    const Point screen = ScreenSize();
    Shot shot;
    shot.left = std::max(left, 0);
    shot.top = std::max(top, 0);
    shot.width = std::min(left + width, screen.x) - shot.left;
    shot.height = std::min(top + height, screen.y) - shot.top;
    if (shot.width <= 0 || shot.height <= 0) return Shot{left, top, 0, 0, {}};
    XImage* image =
        XGetImage(display_, Root(), shot.left, shot.top, static_cast<unsigned>(shot.width),
                  static_cast<unsigned>(shot.height), AllPlanes, ZPixmap);
    if (image == nullptr) return Shot{left, top, 0, 0, {}};
    ReadImage(image, shot);
    return shot;
}

namespace {

void ReadImage(XImage* image, Shot& shot) {
    const auto channel = [](unsigned long pixel, unsigned long mask) {
        const unsigned long bits = mask >> ShiftOf(mask);
        return static_cast<std::uint32_t>(((pixel & mask) >> ShiftOf(mask)) * 255 /
                                          (bits ? bits : 1));
    };
    shot.pixels.resize(static_cast<std::size_t>(shot.width) * shot.height);
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            shot.pixels[static_cast<std::size_t>(y) * shot.width + x] =
                channel(p, image->red_mask) << 16 | channel(p, image->green_mask) << 8 |
                channel(p, image->blue_mask);
        }
    XDestroyImage(image);
}

}  // namespace

unsigned long XClient::PixelOf(std::uint32_t rgb) const {
    Visual* visual = DefaultVisual(display_, DefaultScreen(display_));
    const auto channel = [](std::uint32_t value, unsigned long mask) {
        const unsigned long bits = mask >> ShiftOf(mask);
        return ((value * bits + 127) / 255) << ShiftOf(mask);
    };
    return channel((rgb >> 16) & 0xFF, visual->red_mask) |
           channel((rgb >> 8) & 0xFF, visual->green_mask) | channel(rgb & 0xFF, visual->blue_mask);
}

void XClient::SetBackground(std::uint32_t rgb) {
    XSetWindowBackground(display_, Root(), PixelOf(rgb));
    XClearWindow(display_, Root());
    XSync(display_, False);
}

}  // namespace support
