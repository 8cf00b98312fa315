// The connection, window properties, the window tree and the test's own windows: see
// XClient.h. Input and screen pixels are in XInput.cpp.
#include "tests/support/XClient.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace support {
namespace {

// Windows come and go under the test's feet (a program ends, a manager reparents); a
// request about a window that is gone is not a failure of the test.
int IgnoreProtocolError(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

XClient::XClient(const std::string& display, Pace pace) : pace_(pace) {
    XSetErrorHandler(IgnoreProtocolError);
    display_ = XOpenDisplay(display.empty() ? nullptr : display.c_str());
    if (display_ == nullptr) throw std::runtime_error("cannot connect to the X server " + display);
}

XClient::~XClient() {
    Disconnect();
}

void XClient::Disconnect() {
    if (display_ != nullptr) XCloseDisplay(display_);
    display_ = nullptr;
}

Point XClient::ScreenSize() const {
    return {DisplayWidth(display_, DefaultScreen(display_)),
            DisplayHeight(display_, DefaultScreen(display_))};
}

bool XClient::ManagerRunning() const {
    return !Property32(Root(), "_NET_SUPPORTING_WM_CHECK").empty();
}

Atom XClient::Intern(const char* name) const {
    return XInternAtom(display_, name, False);
}

std::vector<long> XClient::Property32(Window window, const char* name) const {
    Atom type;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> values;
    if (XGetWindowProperty(display_, window, Intern(name), 0, 1 << 20, False, AnyPropertyType,
                           &type, &format, &count, &after, &data) != Success)
        return values;
    if (data != nullptr && format == 32) {
        const auto* longs = reinterpret_cast<const long*>(data);
        values.assign(longs, longs + count);
    }
    if (data != nullptr) XFree(data);
    return values;
}

bool XClient::HasAtom(Window window, const char* property, const char* atom) const {
    const auto atoms = Property32(window, property);
    return std::find(atoms.begin(), atoms.end(), static_cast<long>(Intern(atom))) != atoms.end();
}

std::vector<Window> XClient::ClientList(const char* name) const {
    std::vector<Window> windows;
    for (long value : Property32(Root(), name)) windows.push_back(static_cast<Window>(value));
    return windows;
}

std::string XClient::ClassOf(Window window) const {
    XClassHint hint{};
    if (XGetClassHint(display_, window, &hint) == 0) return "";
    std::string result = hint.res_class != nullptr ? hint.res_class : "";
    if (hint.res_name != nullptr) XFree(hint.res_name);
    if (hint.res_class != nullptr) XFree(hint.res_class);
    return result;
}

std::string XClient::Title(Window window) const {
    char* name = nullptr;
    if (XFetchName(display_, window, &name) == 0 || name == nullptr) return "";
    std::string result = name;
    XFree(name);
    return result;
}

std::vector<Window> XClient::TopLevelStack() const {
    Window rootReturn, parent;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<Window> stack;
    if (XQueryTree(display_, Root(), &rootReturn, &parent, &children, &count) == 0) return stack;
    stack.assign(children, children + count);
    if (children != nullptr) XFree(children);
    return stack;
}

Window XClient::TopLevelOf(Window window) const {
    for (;;) {
        Window rootReturn, parent;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display_, window, &rootReturn, &parent, &children, &count) == 0) return None;
        if (children != nullptr) XFree(children);
        if (parent == Root() || parent == None) return window;
        window = parent;
    }
}

std::optional<Point> XClient::RootPosition(Window window) const {
    int x = 0, y = 0;
    Window child;
    if (!XTranslateCoordinates(display_, window, Root(), 0, 0, &x, &y, &child)) return std::nullopt;
    return Point{x, y};
}

std::optional<Point> XClient::Size(Window window) const {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display_, window, &attributes) == 0) return std::nullopt;
    return Point{attributes.width, attributes.height};
}

bool XClient::Viewable(Window window) const {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display_, window, &attributes) != 0 &&
           attributes.map_state == IsViewable;
}

std::vector<Window> XClient::FindByClass(const std::string& windowClass) const {
    std::vector<Window> found;
    std::function<void(Window)> visit = [&](Window window) {
        if (ClassOf(window) == windowClass) found.push_back(window);
        Window rootReturn, parent;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display_, window, &rootReturn, &parent, &children, &count) == 0) return;
        const std::vector<Window> list(children, children + count);
        if (children != nullptr) XFree(children);
        for (Window child : list) visit(child);
    };
    visit(Root());
    return found;
}

std::vector<bool> XClient::ShapeMask(Window window, int kind, int width, int height) const {
    std::vector<bool> mask(static_cast<std::size_t>(width) * height, false);
    int count = 0, ordering = 0;
    XRectangle* rects = XShapeGetRectangles(display_, window, kind, &count, &ordering);
    for (int i = 0; i < count; ++i)
        for (int y = std::max(0, int{rects[i].y});
             y < std::min(height, rects[i].y + rects[i].height); ++y)
            for (int x = std::max(0, int{rects[i].x});
                 x < std::min(width, rects[i].x + rects[i].width); ++x)
                mask[static_cast<std::size_t>(y) * width + x] = true;
    if (rects != nullptr) XFree(rects);
    return mask;
}

Window XClient::MakeWindow(int x, int y, int width, int height, std::uint32_t rgb,
                           bool overrideRedirect, long eventMask, const char* title) {
    XSetWindowAttributes attributes{};
    attributes.background_pixel = PixelOf(rgb);
    attributes.override_redirect = overrideRedirect ? True : False;
    attributes.event_mask = eventMask | StructureNotifyMask;
    const Window window =
        XCreateWindow(display_, Root(), x, y, static_cast<unsigned>(width),
                      static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                      CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
    XSizeHints* size = XAllocSizeHints();
    size->flags = USPosition | USSize;
    size->x = x;
    size->y = y;
    size->width = width;
    size->height = height;
    XClassHint classHint{const_cast<char*>("test-window"), const_cast<char*>("TestWindow")};
    XSetWMProperties(display_, window, nullptr, nullptr, nullptr, 0, size, nullptr, &classHint);
    XFree(size);
    XStoreName(display_, window, title);
    XMapWindow(display_, window);
    XSync(display_, False);
    WaitUntil([&] { return Viewable(window); }, milliseconds(5000));
    return window;
}

void XClient::SendToRoot(Window window, const char* message, long first, long second) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = Intern(message);
    event.xclient.format = 32;
    event.xclient.data.l[0] = first;
    event.xclient.data.l[1] = second;
    XSendEvent(display_, Root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

void XClient::Activate(Window window) {
    if (ManagerRunning()) {
        SendToRoot(window, "_NET_ACTIVE_WINDOW", 2, CurrentTime);  // 2: from a pager
    } else {
        XRaiseWindow(display_, window);
        XSetInputFocus(display_, window, RevertToPointerRoot, CurrentTime);
    }
    XSync(display_, False);
}

void XClient::Close(Window window) {
    if (ManagerRunning()) {
        SendToRoot(window, "_NET_CLOSE_WINDOW", CurrentTime, 2);  // 2: from a task bar
    } else {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = Intern("WM_PROTOCOLS");
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(Intern("WM_DELETE_WINDOW"));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, window, False, NoEventMask, &event);
    }
    XSync(display_, False);
}

bool StacksAbove(const std::vector<Window>& stack, Window upper, Window lower) {
    const auto up = std::find(stack.begin(), stack.end(), upper);
    const auto low = std::find(stack.begin(), stack.end(), lower);
    return up != stack.end() && low != stack.end() && up > low;
}

}  // namespace support
