// Opening and closing the display, the error handlers, and the questions the backend
// asks of the server and the window manager.
#include <X11/Xatom.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/relay/Relay.h"
#include "platform/x11/X11Platform.h"

namespace x11 {

Connection& X() {
    static Connection connection;
    return connection;
}

namespace {

// The server has gone: Xlib cannot go on, and neither can we.
int OnLostDisplay(Display*) {
    static const char message[] =
        "vellory: the kitten closed: lost the connection to the X display\n";
    (void)!write(STDERR_FILENO, message, sizeof message - 1);
    _exit(1);
}

// A protocol error answers one request; the program goes on (Xlib's default exits).
int OnProtocolError(Display*, XErrorEvent*) {
    return 0;
}

void InternAtoms(Display* display, int screen, Atoms& atoms) {
    const std::string managerSelection = "WM_S" + std::to_string(screen);
    const std::string compositorSelection = "_NET_WM_CM_S" + std::to_string(screen);
    const char* names[] = {"WM_PROTOCOLS",
                           "WM_DELETE_WINDOW",
                           "_NET_WM_PING",
                           "_NET_WM_STATE",
                           "_NET_WM_STATE_ABOVE",
                           "_NET_WM_STATE_SKIP_TASKBAR",
                           "_NET_WM_STATE_SKIP_PAGER",
                           "_NET_WM_NAME",
                           "UTF8_STRING",
                           "_NET_WM_PID",
                           "_NET_WM_ICON",
                           "_MOTIF_WM_HINTS",
                           "_NET_WM_MOVERESIZE",
                           "_NET_SUPPORTED",
                           "_NET_SUPPORTING_WM_CHECK",
                           "_NET_FRAME_EXTENTS",
                           "WM_STATE",
                           managerSelection.c_str(),
                           compositorSelection.c_str()};
    static_assert(sizeof(Atoms) == sizeof(names) / sizeof(names[0]) * sizeof(Atom));
    XInternAtoms(display, const_cast<char**>(names), sizeof names / sizeof names[0], False,
                 reinterpret_cast<Atom*>(&atoms));
}

}  // namespace

void UpdatePrimaryMonitor() {
    Connection& x = X();
    x.primary = {0, 0, DisplayWidth(x.display, x.screen), DisplayHeight(x.display, x.screen)};
    if (!x.hasRandr) return;
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(x.display, x.root, True, &count);
    if (monitors == nullptr) return;
    int chosen = -1;
    for (int i = 0; i < count; ++i)
        if (monitors[i].primary) chosen = i;
    if (chosen < 0 && count > 0) chosen = 0;
    if (chosen >= 0) {
        const XRRMonitorInfo& m = monitors[chosen];
        x.primary = {m.x, m.y, m.x + m.width, m.y + m.height};
    }
    XRRFreeMonitors(monitors);
}

bool WindowManagerRuns() {
    Connection& x = X();
    return XGetSelectionOwner(x.display, x.atoms.WM_Sn) != None;
}

bool WindowManagerSupports(Atom feature) {
    Connection& x = X();
    if (!WindowManagerRuns()) return false;
    Atom type;
    int format;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(x.display, x.root, x.atoms._NET_SUPPORTED, 0, 4096, False, XA_ATOM,
                           &type, &format, &count, &after, &data) != Success ||
        data == nullptr)
        return false;
    bool found = false;
    if (type == XA_ATOM && format == 32) {
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count && !found; ++i) found = atoms[i] == feature;
    }
    XFree(data);
    return found;
}

}  // namespace x11

namespace x11::api {

bool Open(std::string& whyNot) {
    using x11::X;
    // NOTE: glibc raises its mmap threshold after the first large block is freed, and
    // later large blocks then stay in the heap for good. The program's few large blocks
    // (images) are short-lived: keep them mapped so that freeing returns them.
    mallopt(M_MMAP_THRESHOLD, 64 * 1024);
    XSetIOErrorHandler(x11::OnLostDisplay);
    XSetErrorHandler(x11::OnProtocolError);
    const char* name = std::getenv("DISPLAY");
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        whyNot = std::string("cannot open the X display ") +
                 (name != nullptr && *name != '\0' ? name : "(DISPLAY is not set)");
        return false;
    }
    x11::Connection& x = X();
    x.display = display;
    x.screen = DefaultScreen(display);
    x.root = RootWindow(display, x.screen);
    x11::InternAtoms(display, x.screen, x.atoms);
    x11::FindCompositor();
    x.pixelFormat = x11::ReadPixelFormat(x.visual);
    x.scale = x11::ReadDisplayScale(display);
    // RESOURCE_MANAGER (Xft.dpi) may change while we run.
    XSelectInput(display, x.root, PropertyChangeMask);
    int eventBase = 0, errorBase = 0;
    x.hasShape = XShapeQueryExtension(display, &eventBase, &errorBase);
    // NOTE: no version query: a server without RandR 1.5 refuses XRRGetMonitors, which
    // then gives nothing and the root window's geometry stands.
    x.hasRandr = XRRQueryExtension(display, &x.randrEventBase, &errorBase);
    if (x.hasRandr)
        XRRSelectInput(
            display, x.root,
            RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
    x11::UpdatePrimaryMonitor();
    return true;
}

void Close() {
    x11::Connection& x = x11::X();
    if (x.display == nullptr) return;
    relay::Stop();  // unloads what it loaded into the compositor
    XCloseDisplay(x.display);
    x.display = nullptr;
}

// NOTE: a monitor defined by hand (xrandr --setmonitor) is announced by no event: one
// round trip, only when the program reads its window's place.
void RefreshScreens() {
    x11::UpdatePrimaryMonitor();
}

Point PrimaryScreenSize() {
    const native::Rect& p = x11::X().primary;
    return {p.right - p.left, p.bottom - p.top};
}

}  // namespace x11::api
