// Xvfb, openbox and the test's own connection: see Desktop.h.
#include "Desktop.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace xtest {
namespace {

// Windows come and go under the test's feet (a program ends, a manager reparents); a
// request about a window that is gone is not a failure of the test.
int IgnoreProtocolError(Display*, XErrorEvent*) {
    return 0;
}

constexpr milliseconds ServerStartDeadline(15000);
constexpr milliseconds ManagerStartDeadline(15000);

std::string ReadDisplayNumber(int fd, milliseconds deadline) {
    std::string text;
    const auto end = Clock::now() + deadline;
    while (text.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<milliseconds>(end - Clock::now()).count();
        if (left <= 0) break;
        pollfd wait{fd, POLLIN, 0};
        if (poll(&wait, 1, static_cast<int>(left)) <= 0) continue;
        char buffer[32];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;  // Xvfb ended without a display
        text.append(buffer, static_cast<std::size_t>(n));
    }
    const auto newline = text.find('\n');
    return newline == std::string::npos ? "" : text.substr(0, newline);
}

}  // namespace

std::string WmName(Wm wm) {
    return wm == Wm::Openbox ? "Openbox" : "NoWindowManager";
}

Desktop::Desktop(Wm wm, std::vector<std::string> xvfbArgs) : wm_(wm) {
    XSetErrorHandler(IgnoreProtocolError);
    StartServer(xvfbArgs);
    if (wm == Wm::Openbox) StartOpenbox();
}

Desktop::~Desktop() {
    if (display_ != nullptr) XCloseDisplay(display_);
    managers_.clear();  // each Child kills and reaps its process
    server_.Kill();
}

void Desktop::StartServer(const std::vector<std::string>& args) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    Launch launch;
    launch.argv = {"Xvfb",      "-displayfd", std::to_string(fds[1]),
                   "-screen",   "0",          "1280x1024x24",
                   "-nolisten", "tcp",        "-noreset"};
    launch.argv.insert(launch.argv.end(), args.begin(), args.end());
    launch.output = Scratch() / "xvfb.log";
    launch.inheritFd = fds[1];
    server_ = Child(launch);
    close(fds[1]);
    const std::string number = ReadDisplayNumber(fds[0], ServerStartDeadline);
    close(fds[0]);
    if (number.empty())
        throw std::runtime_error("Xvfb did not start: " + ReadFile(Scratch() / "xvfb.log"));
    name_ = ":" + number;
    display_ = XOpenDisplay(name_.c_str());
    if (display_ == nullptr) throw std::runtime_error("cannot connect to Xvfb at " + name_);
}

Environment Desktop::ClientEnvironment() const {
    Environment environment;
    environment.Set("DISPLAY", name_);
    environment.Remove("WAYLAND_DISPLAY");
    environment.Set("XDG_CONFIG_HOME", (Scratch() / "config").string());
    environment.Set("XDG_CACHE_HOME", (Scratch() / "cache").string());
    return environment;
}

void Desktop::StartOpenbox(bool replace) {
    const Window previous = XGetSelectionOwner(display_, Intern("WM_S0"));
    Launch launch;
    launch.argv = {"openbox", "--sm-disable"};
    if (replace) launch.argv.push_back("--replace");
    launch.environment = ClientEnvironment();
    launch.output = Scratch() / "openbox.log";
    // NOTE: openbox owns WM_S0 and announces itself before it has finished starting; a
    // window mapped in between is never managed. It runs the --startup command once it
    // is ready.
    const std::filesystem::path ready =
        Scratch() / ("openbox-ready-" + std::to_string(managers_.size()));
    launch.argv.insert(launch.argv.end(), {"--startup", "touch " + ready.string()});
    managers_.emplace_back(launch);
    WaitForWindowManager(previous);
    if (!WaitUntil([&] { return std::filesystem::exists(ready); }, ManagerStartDeadline))
        throw std::runtime_error("openbox did not finish starting: " +
                                 ReadFile(Scratch() / "openbox.log"));
}

void Desktop::WaitForWindowManager(Window previousOwner) {
    const Atom wmS0 = Intern("WM_S0");
    const bool ready = WaitUntil(
        [&] {
            const Window owner = XGetSelectionOwner(display_, wmS0);
            if (owner == None || owner == previousOwner) return false;
            // The manager announces itself on the root once it is set up.
            const auto check = Property32(Root(), "_NET_SUPPORTING_WM_CHECK");
            return !check.empty() && !Property32(Root(), "_NET_SUPPORTED").empty() &&
                   static_cast<Window>(check[0]) != previousOwner;
        },
        ManagerStartDeadline);
    if (!ready)
        throw std::runtime_error("openbox did not take the screen: " +
                                 ReadFile(Scratch() / "openbox.log"));
}

void Desktop::SetPrimaryMonitor(int x, int y, int width, int height) {
    XRRMonitorInfo* monitor = XRRAllocateMonitor(display_, 0);
    monitor->name = Intern("VELLORY-TEST");
    monitor->primary = True;
    monitor->automatic = False;
    monitor->x = x;
    monitor->y = y;
    monitor->width = width;
    monitor->height = height;
    monitor->mwidth = width * 254 / 1000;  // 100 dpi, as Xvfb reports
    monitor->mheight = height * 254 / 1000;
    XRRSetMonitor(display_, Root(), monitor);
    XRRFreeMonitors(monitor);
    XSync(display_, False);
}

void Desktop::KillServer() {
    if (display_ != nullptr) XCloseDisplay(display_);
    display_ = nullptr;
    server_.Kill();
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

void Desktop::Click(unsigned button, Point at) {
    MovePointer(at);
    Press(button);
    Pause(milliseconds(40));
    Release(button);
}

void Desktop::DoubleClick(Point at) {
    MovePointer(at);
    Pause(milliseconds(30));
    Press(Button1);
    Pause(milliseconds(60));
    Release(Button1);
    Pause(milliseconds(120));
    Press(Button1);
    Pause(milliseconds(60));
    Release(Button1);
}

void Desktop::Drag(unsigned button, Point from, Point to) {
    MovePointer(from);
    Pause(milliseconds(30));
    Press(button);
    Pause(milliseconds(120));  // the move begins while the button is held
    constexpr int Steps = 12;
    for (int i = 1; i <= Steps; ++i) {
        MovePointer({from.x + (to.x - from.x) * i / Steps, from.y + (to.y - from.y) * i / Steps});
        Pause(milliseconds(15));
    }
    Pause(milliseconds(120));
    Release(button);
}

Point Desktop::Pointer() const {
    Window rootReturn, child;
    int x = 0, y = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    XQueryPointer(display_, Root(), &rootReturn, &child, &x, &y, &wx, &wy, &mask);
    return {x, y};
}

Shot Desktop::Grab(int left, int top, int width, int height) const {
    const int screenWidth = DisplayWidth(display_, DefaultScreen(display_));
    const int screenHeight = DisplayHeight(display_, DefaultScreen(display_));
    Shot shot;
    shot.left = std::max(left, 0);
    shot.top = std::max(top, 0);
    shot.width = std::min(left + width, screenWidth) - shot.left;
    shot.height = std::min(top + height, screenHeight) - shot.top;
    if (shot.width <= 0 || shot.height <= 0) return Shot{left, top, 0, 0, {}};
    XImage* image =
        XGetImage(display_, Root(), shot.left, shot.top, static_cast<unsigned>(shot.width),
                  static_cast<unsigned>(shot.height), AllPlanes, ZPixmap);
    if (image == nullptr) return Shot{left, top, 0, 0, {}};
    const auto channel = [](unsigned long pixel, unsigned long mask) {
        int shift = 0;
        while (mask != 0 && (mask & 1) == 0) {
            mask >>= 1;
            ++shift;
        }
        return static_cast<std::uint32_t>(((pixel >> shift) & mask) * 255 / (mask ? mask : 1));
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
    return shot;
}

unsigned long Desktop::PixelOf(std::uint32_t rgb) const {
    Visual* visual = DefaultVisual(display_, DefaultScreen(display_));
    const auto channel = [](std::uint32_t value, unsigned long mask) {
        int shift = 0;
        unsigned long m = mask;
        while (m != 0 && (m & 1) == 0) {
            m >>= 1;
            ++shift;
        }
        return ((value * m + 127) / 255) << shift;
    };
    return channel((rgb >> 16) & 0xFF, visual->red_mask) |
           channel((rgb >> 8) & 0xFF, visual->green_mask) | channel(rgb & 0xFF, visual->blue_mask);
}

void Desktop::SetBackground(std::uint32_t rgb) {
    XSetWindowBackground(display_, Root(), PixelOf(rgb));
    XClearWindow(display_, Root());
    XSync(display_, False);
}

Atom Desktop::Intern(const char* name) const {
    return XInternAtom(display_, name, False);
}

std::vector<long> Desktop::Property32(Window window, const char* name) const {
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

std::vector<Atom> Desktop::Atoms(Window window, const char* name) const {
    std::vector<Atom> atoms;
    for (long value : Property32(window, name)) atoms.push_back(static_cast<Atom>(value));
    return atoms;
}

bool Desktop::HasAtom(Window window, const char* property, const char* atom) const {
    const auto atoms = Atoms(window, property);
    return std::find(atoms.begin(), atoms.end(), Intern(atom)) != atoms.end();
}

std::vector<Window> Desktop::ClientList(const char* name) const {
    std::vector<Window> windows;
    for (long value : Property32(Root(), name)) windows.push_back(static_cast<Window>(value));
    return windows;
}

std::vector<Window> Desktop::TopLevelStack() const {
    Window rootReturn, parent;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<Window> stack;
    if (XQueryTree(display_, Root(), &rootReturn, &parent, &children, &count) == 0) return stack;
    stack.assign(children, children + count);
    if (children != nullptr) XFree(children);
    return stack;
}

Window Desktop::TopLevelOf(Window window) const {
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

std::optional<Point> Desktop::RootPosition(Window window) const {
    int x = 0, y = 0;
    Window child;
    if (!XTranslateCoordinates(display_, window, Root(), 0, 0, &x, &y, &child)) return std::nullopt;
    return Point{x, y};
}

std::optional<Point> Desktop::Size(Window window) const {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display_, window, &attributes) == 0) return std::nullopt;
    return Point{attributes.width, attributes.height};
}

bool Desktop::Viewable(Window window) const {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display_, window, &attributes) != 0 &&
           attributes.map_state == IsViewable;
}

std::vector<Window> Desktop::FindByClass(const std::string& windowClass) const {
    std::vector<Window> found;
    std::function<void(Window)> visit = [&](Window window) {
        XClassHint hint{};
        if (XGetClassHint(display_, window, &hint) != 0) {
            if (hint.res_class != nullptr && windowClass == hint.res_class) found.push_back(window);
            if (hint.res_name != nullptr) XFree(hint.res_name);
            if (hint.res_class != nullptr) XFree(hint.res_class);
        }
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

Window Desktop::MakeWindow(int x, int y, int width, int height, std::uint32_t rgb,
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

void Desktop::Activate(Window window) {
    if (wm_ == Wm::Openbox && !Property32(Root(), "_NET_SUPPORTING_WM_CHECK").empty()) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = Intern("_NET_ACTIVE_WINDOW");
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2;  // from a pager: the user asked for it
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, Root(), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
    } else {
        XRaiseWindow(display_, window);
        XSetInputFocus(display_, window, RevertToPointerRoot, CurrentTime);
    }
    XSync(display_, False);
}

void Desktop::Close(Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.format = 32;
    if (wm_ == Wm::Openbox) {
        event.xclient.message_type = Intern("_NET_CLOSE_WINDOW");
        event.xclient.data.l[0] = CurrentTime;
        event.xclient.data.l[1] = 2;  // from a pager or task bar
        XSendEvent(display_, Root(), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
    } else {
        event.xclient.message_type = Intern("WM_PROTOCOLS");
        event.xclient.data.l[0] = static_cast<long>(Intern("WM_DELETE_WINDOW"));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, window, False, NoEventMask, &event);
    }
    XSync(display_, False);
}

}  // namespace xtest
