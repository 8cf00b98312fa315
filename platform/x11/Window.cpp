// Creating, placing, showing, shaping and drawing the window.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <vector>

#include "platform/x11/Connection.h"
#include "platform/x11/WindowState.h"

namespace x11 {

WindowState& TheWindow() {
    static WindowState state;
    return state;
}

namespace {

// How a colour channel lands in the visual's pixel value: shift and width of its mask.
struct ChannelLayout {
    int shift = 0;
    int bits = 0;
};

ChannelLayout LayoutOf(unsigned long mask) {
    ChannelLayout layout;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++layout.shift;
    }
    while ((mask & 1) != 0) {
        mask >>= 1;
        ++layout.bits;
    }
    return layout;
}

unsigned long Place(unsigned value, const ChannelLayout& layout) {
    if (layout.bits == 0) return 0;
    const unsigned long max = (1ul << layout.bits) - 1;
    return ((value * max + 127) / 255) << layout.shift;
}

void SetProperty32(Window window, Atom property, Atom type, const long* data, int count) {
    XChangeProperty(X().display, window, property, type, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data), count);
}

// Frameless, fixed size, no task-bar or pager entry; a close command is asked, not done.
void SetWindowManagerHints(Window window, const native::WindowRequest& request) {
    Connection& x = X();
    XStoreName(x.display, window, request.title.c_str());
    XChangeProperty(x.display, window, x.atoms._NET_WM_NAME, x.atoms.UTF8_STRING, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(request.title.data()),
                    static_cast<int>(request.title.size()));
    XClassHint classHint;
    classHint.res_name = const_cast<char*>(request.className.c_str());
    classHint.res_class = const_cast<char*>(request.className.c_str());
    XSetClassHint(x.display, window, &classHint);

    XSizeHints* size = XAllocSizeHints();
    size->flags = USPosition | PPosition | PMinSize | PMaxSize;
    size->x = request.position.x;
    size->y = request.position.y;
    size->min_width = size->max_width = request.width;
    size->min_height = size->max_height = request.height;
    XWMHints* wm = XAllocWMHints();
    wm->flags = InputHint | StateHint;
    wm->input = True;
    wm->initial_state = NormalState;
    // NOTE: XSetWMProperties and XSetWMProtocols would intern their atoms again, one
    // round trip each; these calls use the atoms we already hold.
    XSetWMNormalHints(x.display, window, size);
    XSetWMHints(x.display, window, wm);
    XFree(size);
    XFree(wm);

    // _MOTIF_WM_HINTS: functions move and close only, no decorations.
    const long motif[5] = {1 | 2, 4 | 32, 0, 0, 0};
    SetProperty32(window, x.atoms._MOTIF_WM_HINTS, x.atoms._MOTIF_WM_HINTS, motif, 5);
    const long pid = getpid();
    SetProperty32(window, x.atoms._NET_WM_PID, XA_CARDINAL, &pid, 1);
    Atom protocols[] = {x.atoms.WM_DELETE_WINDOW, x.atoms._NET_WM_PING};
    XChangeProperty(x.display, window, x.atoms.WM_PROTOCOLS, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(protocols), 2);
    AddWindowState(x.atoms._NET_WM_STATE_SKIP_TASKBAR);
    AddWindowState(x.atoms._NET_WM_STATE_SKIP_PAGER);

    if (request.icon != nullptr && request.icon->width > 0 && request.icon->height > 0) {
        const native::Image& icon = *request.icon;
        std::vector<long> data{icon.width, icon.height};
        for (std::size_t i = 0; i < icon.pixels.size(); ++i) {
            const native::Colour c = icon.pixels[i];
            const bool opaque = icon.opaque.empty() || icon.opaque[i] != 0;
            const unsigned long argb = (opaque ? 0xFF000000ul : 0) | ((c & 0xFF) << 16) |
                                       (c & 0xFF00) | ((c >> 16) & 0xFF);
            data.push_back(static_cast<long>(argb));
        }
        SetProperty32(window, x.atoms._NET_WM_ICON, XA_CARDINAL, data.data(),
                      static_cast<int>(data.size()));
    }
}

// The content uploaded once into a pixmap. Its pixels are converted in place when the
// image's layout is the XImage's own (32-bit pixels, no row padding), else into a copy.
Pixmap MakeContentPixmap(Window window, native::Image& image) {
    Connection& x = X();
    const int depth = DefaultDepth(x.display, x.screen);
    Visual* visual = DefaultVisual(x.display, x.screen);
    XImage* ximage = XCreateImage(x.display, visual, depth, ZPixmap, 0, nullptr, image.width,
                                  image.height, 32, 0);
    if (ximage == nullptr) return 0;
    const bool direct =
        ximage->bits_per_pixel == 32 && ximage->byte_order == ImageByteOrder(x.display) &&
        (ximage->byte_order == LSBFirst) == (std::endian::native == std::endian::little);
    std::vector<char> bytes;
    if (direct && ximage->bytes_per_line == image.width * 4) {
        ximage->data = reinterpret_cast<char*>(image.pixels.data());
    } else {
        bytes.resize(static_cast<std::size_t>(ximage->bytes_per_line) * image.height);
        ximage->data = bytes.data();
    }
    const PixelFormat& format = x.pixelFormat;
    for (std::int32_t y = 0; y < image.height; ++y) {
        const native::Colour* from = &image.pixels[static_cast<std::size_t>(y) * image.width];
        // NOTE: in place, each pixel is read before its own place is written.
        auto* row = reinterpret_cast<std::uint32_t*>(ximage->data + static_cast<std::ptrdiff_t>(y) *
                                                                        ximage->bytes_per_line);
        // NOTE: 32-bit pixels of a 24-bit visual in our own byte order go straight in;
        // anything else through Xlib's general (and slow) path.
        if (direct && format.redShift == 16 && format.greenShift == 8 && format.blueShift == 0) {
            for (std::int32_t x0 = 0; x0 < image.width; ++x0) {  // 0x00BBGGRR to 0x00RRGGBB
                const native::Colour c = from[x0];
                row[x0] = (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
            }
            continue;
        }
        if (direct && format.trueColour24) {
            for (std::int32_t x0 = 0; x0 < image.width; ++x0) {
                const native::Colour c = from[x0];
                row[x0] = (c & 0xFF) << format.redShift | ((c >> 8) & 0xFF) << format.greenShift |
                          ((c >> 16) & 0xFF) << format.blueShift;
            }
            continue;
        }
        for (std::int32_t x0 = 0; x0 < image.width; ++x0)
            XPutPixel(ximage, x0, y, PixelOf(from[x0]));
    }
    const Pixmap pixmap = XCreatePixmap(x.display, window, image.width, image.height, depth);
    XPutImage(x.display, pixmap, TheWindow().gc, ximage, 0, 0, 0, 0, image.width, image.height);
    ximage->data = nullptr;
    XDestroyImage(ximage);
    return pixmap;
}

bool FitsX11(long value) {
    return value >= SHRT_MIN && value <= SHRT_MAX;
}

}  // namespace

unsigned long PixelOf(native::Colour colour) {
    const PixelFormat& format = X().pixelFormat;
    if (format.trueColour24)  // the usual visual: one byte a channel
        return static_cast<unsigned long>(colour & 0xFF) << format.redShift |
               static_cast<unsigned long>((colour >> 8) & 0xFF) << format.greenShift |
               static_cast<unsigned long>((colour >> 16) & 0xFF) << format.blueShift;
    const Visual* visual = DefaultVisual(X().display, X().screen);
    return Place(colour & 0xFF, LayoutOf(visual->red_mask)) |
           Place((colour >> 8) & 0xFF, LayoutOf(visual->green_mask)) |
           Place((colour >> 16) & 0xFF, LayoutOf(visual->blue_mask));
}

PixelFormat ReadPixelFormat(const Visual* visual) {
    const ChannelLayout red = LayoutOf(visual->red_mask), green = LayoutOf(visual->green_mask),
                        blue = LayoutOf(visual->blue_mask);
    return {red.bits == 8 && green.bits == 8 && blue.bits == 8, red.shift, green.shift, blue.shift};
}

void AddWindowState(Atom state) {
    Connection& x = X();
    WindowState& w = TheWindow();
    if (!w.mapped) {  // before mapping, the window manager reads the property
        XChangeProperty(x.display, w.window, x.atoms._NET_WM_STATE, XA_ATOM, 32, PropModeAppend,
                        reinterpret_cast<const unsigned char*>(&state), 1);
        return;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = w.window;
    event.xclient.message_type = x.atoms._NET_WM_STATE;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;  // _NET_WM_STATE_ADD
    event.xclient.data.l[1] = static_cast<long>(state);
    event.xclient.data.l[3] = 1;  // a normal application
    XSendEvent(x.display, x.root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

// NOTE: with no window manager nobody keeps a window in a band; a topmost window
// raises itself whenever something covers it.
void KeepOnTopWithoutWindowManager() {
    WindowState& w = TheWindow();
    if (w.topmost && w.mapped && !WindowManagerRuns()) XRaiseWindow(X().display, w.window);
}

}  // namespace x11

namespace native {

using x11::TheWindow;
using x11::X;

WindowId CreateHiddenWindow(const WindowRequest& request) {
    x11::Connection& x = X();
    x11::WindowState& w = TheWindow();
    if (w.window != 0 || request.width <= 0 || request.height <= 0) return 0;
    const long rootX = static_cast<long>(request.position.x) + x.primary.left;
    const long rootY = static_cast<long>(request.position.y) + x.primary.top;
    if (!x11::FitsX11(rootX) || !x11::FitsX11(rootY)) return 0;
    XSetWindowAttributes attributes{};
    attributes.event_mask = ButtonPressMask | ButtonReleaseMask | Button1MotionMask |
                            StructureNotifyMask | VisibilityChangeMask;
    attributes.background_pixel = x11::PixelOf(0);
    w.window = XCreateWindow(x.display, x.root, static_cast<int>(rootX), static_cast<int>(rootY),
                             request.width, request.height, 0, CopyFromParent, InputOutput,
                             CopyFromParent, CWEventMask | CWBackPixel, &attributes);
    if (w.window == 0) return 0;
    w.width = request.width;
    w.height = request.height;
    w.rootPosition = {static_cast<std::int32_t>(rootX), static_cast<std::int32_t>(rootY)};
    w.gc = XCreateGC(x.display, w.window, 0, nullptr);
    if (request.content != nullptr && request.content->width > 0) {
        w.content = x11::MakeContentPixmap(w.window, *request.content);
        if (w.content != 0) XSetWindowBackgroundPixmap(x.display, w.window, w.content);
    }
    x11::SetWindowManagerHints(w.window, request);
    return w.window;
}

bool MoveWindow(WindowId window, Point topLeft) {
    x11::WindowState& w = TheWindow();
    if (window != w.window || window == 0) return false;
    const long rootX = static_cast<long>(topLeft.x) + X().primary.left;
    const long rootY = static_cast<long>(topLeft.y) + X().primary.top;
    // NOTE: X11 window coordinates are 16-bit; a place beyond them is refused.
    if (!x11::FitsX11(rootX) || !x11::FitsX11(rootY)) return false;
    XMoveWindow(X().display, w.window, static_cast<int>(rootX), static_cast<int>(rootY));
    w.rootPosition = {static_cast<std::int32_t>(rootX), static_cast<std::int32_t>(rootY)};
    w.positionKnown = true;
    return true;
}

bool GetWindowRect(WindowId window, Rect& rect) {
    x11::WindowState& w = TheWindow();
    if (window != w.window || window == 0) return false;
    if (!w.positionKnown) {  // one round trip, only after a reparenting manager moved us
        int rootX = 0, rootY = 0;
        Window child;
        if (!XTranslateCoordinates(X().display, w.window, X().root, 0, 0, &rootX, &rootY, &child))
            return false;
        w.rootPosition = {rootX, rootY};
        w.positionKnown = true;
    }
    const std::int32_t left = w.rootPosition.x - X().primary.left;
    const std::int32_t top = w.rootPosition.y - X().primary.top;
    rect = {left, top, left + w.width, top + w.height};
    return true;
}

void ShowWindow(WindowId window) {
    x11::WindowState& w = TheWindow();
    if (window != w.window || window == 0) return;
    XMapRaised(X().display, w.window);
    w.mapped = true;
    XFlush(X().display);
}

void DestroyWindow(WindowId window) {
    x11::WindowState& w = TheWindow();
    if (window != w.window || window == 0) return;
    XDestroyWindow(X().display, w.window);
    if (w.content != 0) XFreePixmap(X().display, w.content);
    if (w.gc != nullptr) XFreeGC(X().display, w.gc);
    w = x11::WindowState{};
    XFlush(X().display);
}

bool SetTopmost(WindowId window) {
    x11::WindowState& w = TheWindow();
    if (window != w.window || window == 0) return false;
    w.topmost = true;
    x11::AddWindowState(X().atoms._NET_WM_STATE_ABOVE);
    x11::KeepOnTopWithoutWindowManager();
    return true;
}

bool SetShape(WindowId window, const std::vector<Rect>& rects) {
    x11::WindowState& w = TheWindow();
    if (window != w.window || window == 0 || !X().hasShape) return false;
    std::vector<XRectangle> xrects;
    xrects.reserve(rects.size());
    for (const Rect& r : rects) {
        const int left = std::max(r.left, 0), top = std::max(r.top, 0);
        const int right = std::min(r.right, SHRT_MAX), bottom = std::min(r.bottom, SHRT_MAX);
        if (left >= right || top >= bottom) continue;
        xrects.push_back({static_cast<short>(left), static_cast<short>(top),
                          static_cast<unsigned short>(right - left),
                          static_cast<unsigned short>(bottom - top)});
    }
    for (int kind : {ShapeBounding, ShapeInput})
        XShapeCombineRectangles(X().display, w.window, kind, 0, 0, xrects.data(),
                                static_cast<int>(xrects.size()), ShapeSet, Unsorted);
    return true;
}

void FillSpans(WindowId window, Colour colour, const Span* spans, std::size_t count) {
    x11::WindowState& w = TheWindow();
    if (window != w.window || window == 0 || count == 0) return;
    constexpr std::size_t Batch = 256;
    XRectangle rects[Batch];
    XSetForeground(X().display, w.gc, x11::PixelOf(colour));
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(Batch, count - done);
        for (std::size_t i = 0; i < n; ++i) {
            const Span& s = spans[done + i];
            rects[i] = {static_cast<short>(s.x0), static_cast<short>(s.y),
                        static_cast<unsigned short>(s.x1 - s.x0), 1};
        }
        XFillRectangles(X().display, w.window, w.gc, rects, static_cast<int>(n));
        done += n;
    }
}

void Flush() {
    XFlush(X().display);
}

bool GetPointer(Point& position) {
    Window rootReturn, child;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(X().display, X().root, &rootReturn, &child, &rootX, &rootY, &winX, &winY,
                       &mask))
        return false;  // the pointer is on another screen
    position = {rootX - X().primary.left, rootY - X().primary.top};
    return true;
}

}  // namespace native
