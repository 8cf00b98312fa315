// X helpers for the tests of the Windows build. See Desktop.h.
#include "tests/win32/Desktop.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace desktop {
namespace {

constexpr auto PollInterval = std::chrono::milliseconds(50);
// NOTE: under Wine the caption move goes to the window manager (_NET_WM_MOVERESIZE) with
// the button that the press message says is down. A press already released by the time
// Wine asks leaves openbox waiting for a release that has come and gone, and it takes
// the next click for itself; so a click here lasts as long as a hand's does.
constexpr auto ClickHold = std::chrono::milliseconds(100);

int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}  // windows come and go under us

std::string ClassOf(Display* display, Window window) {
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint)) return "";
    std::string result = hint.res_class != nullptr ? hint.res_class : "";
    if (hint.res_name != nullptr) XFree(hint.res_name);
    if (hint.res_class != nullptr) XFree(hint.res_class);
    return result;
}

std::string NameOf(Display* display, Window window) {
    char* name = nullptr;
    if (!XFetchName(display, window, &name) || name == nullptr) return "";
    std::string result = name;
    XFree(name);
    return result;
}

void Collect(Display* display, Window window, const std::string& resClass, const std::string& name,
             std::vector<Window>& found) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable &&
        ClassOf(display, window) == resClass && NameOf(display, window) == name)
        found.push_back(window);
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return;
    for (unsigned int i = 0; i < count; ++i) Collect(display, children[i], resClass, name, found);
    if (children != nullptr) XFree(children);
}

std::vector<unsigned long> Property32(Display* display, Window window, const char* name,
                                      Atom type) {
    Atom actualType;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> values;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 4096, False, type,
                           &actualType, &format, &count, &after, &data) == Success &&
        data != nullptr) {
        if (format == 32) {
            const auto* longs = reinterpret_cast<const unsigned long*>(data);
            values.assign(longs, longs + count);
        }
        XFree(data);
    }
    return values;
}

}  // namespace

void Pause(std::chrono::milliseconds time) {
    std::this_thread::sleep_for(time);
}

Desktop::Desktop() {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) {
        std::fprintf(stderr, "cannot open the X display (DISPLAY)\n");
        std::exit(1);
    }
    XSetErrorHandler(IgnoreErrors);
}

Desktop::~Desktop() {
    XCloseDisplay(display_);
}

int Desktop::ScreenWidth() const {
    return DisplayWidth(display_, DefaultScreen(display_));
}

std::vector<Window> Desktop::FindWindows(const std::string& resClass, const std::string& name) {
    std::vector<Window> found;
    Collect(display_, DefaultRootWindow(display_), resClass, name, found);
    return found;
}

std::optional<Window> Desktop::WaitWindow(const std::string& resClass, const std::string& name,
                                          int width, int height, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto found = FindWindows(resClass, name);
        if (found.size() == 1 && Size(found[0]) == Point{width, height}) return found[0];
        Pause(PollInterval);
    }
    return std::nullopt;
}

Point Desktop::RootPosition(Window window) {
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
    return {x, y};
}

Point Desktop::WaitPosition(Window window, Point where, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    Point now = RootPosition(window);
    while (!(now == where) && std::chrono::steady_clock::now() < deadline) {
        Pause(PollInterval);
        now = RootPosition(window);
    }
    return now;
}

Point Desktop::Size(Window window) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display_, window, &attributes)) return {};
    return {attributes.width, attributes.height};
}

bool Desktop::HasNetState(Window window, const char* state) {
    const Atom wanted = XInternAtom(display_, state, False);
    for (unsigned long atom : Property32(display_, window, "_NET_WM_STATE", XA_ATOM))
        if (atom == wanted) return true;
    return false;
}

std::vector<Window> Desktop::Stacking() {
    std::vector<Window> windows;
    for (unsigned long w :
         Property32(display_, DefaultRootWindow(display_), "_NET_CLIENT_LIST_STACKING", XA_WINDOW))
        windows.push_back(w);
    return windows;
}

std::vector<unsigned char> Desktop::ShapeMask(Window window, int width, int height) {
    std::vector<unsigned char> mask(static_cast<std::size_t>(width) * height, 0);
    int count = 0, ordering = 0;
    XRectangle* rects = XShapeGetRectangles(display_, window, ShapeBounding, &count, &ordering);
    for (int i = 0; i < count; ++i)
        for (int y = rects[i].y; y < rects[i].y + rects[i].height; ++y)
            for (int x = rects[i].x; x < rects[i].x + rects[i].width; ++x)
                if (x >= 0 && y >= 0 && x < width && y < height)
                    mask[static_cast<std::size_t>(y) * width + x] = 1;
    if (rects != nullptr) XFree(rects);
    return mask;
}

unsigned long Desktop::PixelAt(Window window, int x, int y) {
    XImage* image = XGetImage(display_, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return ~0ul;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    // A 24-bit TrueColor visual: 0x00RRGGBB to 0x00BBGGRR.
    return ((pixel & 0xFF) << 16) | (pixel & 0xFF00) | ((pixel >> 16) & 0xFF);
}

Window Desktop::OpenOrdinaryWindow(int x, int y, int width, int height) {
    const Window root = DefaultRootWindow(display_);
    const Window window = XCreateSimpleWindow(display_, root, x, y, width, height, 0, 0,
                                              WhitePixel(display_, DefaultScreen(display_)));
    XStoreName(display_, window, "ordinary");
    XMapRaised(display_, window);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;  // a pager's request: the window manager obeys it
    XSendEvent(display_, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XSync(display_, False);
    return window;
}

void Desktop::SendCloseCommand(Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &event);
    XSync(display_, False);
}

void Desktop::MovePointer(Point to) {
    XTestFakeMotionEvent(display_, DefaultScreen(display_), to.x, to.y, CurrentTime);
    XSync(display_, False);
}

void Desktop::Press(unsigned button) {
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    XSync(display_, False);
}

void Desktop::Release(unsigned button) {
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
    XSync(display_, False);
}

void Desktop::Drag(Point from, Point to) {
    constexpr int Steps = 12;
    MovePointer(from);
    Pause(std::chrono::milliseconds(100));
    Press();
    Pause(std::chrono::milliseconds(300));  // the window manager takes the move over
    for (int i = 1; i <= Steps; ++i) {
        MovePointer({from.x + (to.x - from.x) * i / Steps, from.y + (to.y - from.y) * i / Steps});
        Pause(std::chrono::milliseconds(30));
    }
    Pause(std::chrono::milliseconds(200));
    Release();
    Pause(std::chrono::milliseconds(300));
}

void Desktop::DoubleClick(Point at) {
    MovePointer(at);
    Pause(std::chrono::milliseconds(100));
    Press();
    Pause(ClickHold);
    Release();
    Pause(ClickHold);
    Press();
    Pause(ClickHold);
    Release();
}

}  // namespace desktop
