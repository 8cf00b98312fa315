// The window's content and size: the picture it shows (its background pixmap, on an ARGB
// window with the outline's edge blended), a new size and picture for another display
// scale (SetContent, as Windows' WM_DPICHANGED answer does), and a size that someone else
// gave the window, which would show a cropped or tiled picture.
#include <X11/Xutil.h>

#include "platform/Scaling.h"
#include "platform/x11/X11Platform.h"

namespace x11 {
namespace {

// How often in a row a size of ours is asked back before the window keeps the one given.
constexpr int MostSizeAsks = 3;

// The blended edge pixels' own colours, for a compositor that stops.
void KeepEdge(const native::Image& image, const std::vector<std::uint8_t>& coverage) {
    WindowState& w = TheWindow();
    w.blendedEdge.clear();
    for (std::size_t i = 0; i < coverage.size() && i < image.pixels.size(); ++i)
        if (coverage[i] != 0 && coverage[i] != 255)
            w.blendedEdge.emplace_back(static_cast<std::uint32_t>(i), image.pixels[i]);
}

}  // namespace

void SetFixedSize(Window window, native::Point position, std::int32_t width, std::int32_t height) {
    XSizeHints* size = XAllocSizeHints();
    size->flags = USPosition | PPosition | PMinSize | PMaxSize;
    size->x = position.x;
    size->y = position.y;
    size->min_width = size->max_width = width;
    size->min_height = size->max_height = height;
    XSetWMNormalHints(X().display, window, size);
    XFree(size);
}

bool UploadContent(native::Image& image, const std::vector<native::Rect>* shape) {
    Connection& x = X();
    WindowState& w = TheWindow();
    std::vector<std::uint8_t> coverage;
    if (x.argb && shape != nullptr && !shape->empty()) {
        coverage = scaling::EdgeCoverage(*shape, image.width, image.height);
        // Without a compositor the server shows the pixels as they are: only the cut.
        for (std::uint8_t& c : coverage)
            if (!x.blended && c != 0) c = 255;
        KeepEdge(image, coverage);
    }
    const Pixmap pixmap = MakeContentPixmap(w.window, image, coverage);
    if (pixmap == 0) return false;
    if (w.content != 0) XFreePixmap(x.display, w.content);
    w.content = pixmap;
    XSetWindowBackgroundPixmap(x.display, w.window, w.content);
    XClearArea(x.display, w.window, 0, 0, 0, 0, True);  // the Expose repaints the eyes
    return true;
}

std::optional<native::Event> OnForeignSize() {
    WindowState& w = TheWindow();
    FollowScale(true);
    if (auto change = TakeScaleChange()) return change;
    // NOTE: a manager or compositor that resizes the window (KWin as Xwayland's scale
    // changes) leaves the server showing part of the picture, or the picture tiled: the
    // window asks for its size back, a few times, never in an endless exchange.
    if (w.sizeAsks >= MostSizeAsks) return std::nullopt;
    ++w.sizeAsks;
    XResizeWindow(X().display, w.window, static_cast<unsigned>(w.width),
                  static_cast<unsigned>(w.height));
    return std::nullopt;
}

}  // namespace x11

namespace x11::api {

using x11::IsOurs;
using x11::TheWindow;
using x11::X;

// The runtime gives the window the content of the display scale as it is now, with the
// outer corner that the ScaleChanged suggested.
bool SetContent(WindowId window, Rect outer, Image& content) {
    if (!IsOurs(window) || content.width <= 0 || content.height <= 0) return false;
    x11::Connection& x = X();
    x11::WindowState& w = TheWindow();
    const long rootX = static_cast<long>(outer.left) + x.primary.left;
    const long rootY = static_cast<long>(outer.top) + x.primary.top;
    if (!x11::FitsX11(rootX) || !x11::FitsX11(rootY)) return false;
    // The shape the program set, at the new scale: it cuts the window and blends its edge.
    std::optional<std::vector<Rect>> shape;
    if (const scaling::ScaledWindow* scaled = scaling::WindowOf(window);
        scaled != nullptr && scaled->programRegion)
        shape = scaling::DeviceShape(*scaled, *scaled->programRegion);
    w.width = content.width;
    w.height = content.height;
    w.drawnScale = x.scale;
    w.sizeAsks = 0;
    w.pending = {};
    const native::Point corner{static_cast<std::int32_t>(rootX), static_cast<std::int32_t>(rootY)};
    x11::SetFixedSize(w.window, corner, w.width, w.height);
    XMoveResizeWindow(x.display, w.window, corner.x, corner.y, static_cast<unsigned>(w.width),
                      static_cast<unsigned>(w.height));
    w.rootPosition = {corner.x + w.frame.left, corner.y + w.frame.top};
    w.positionKnown = true;
    if (!w.shown) w.wantedOuter = corner;
    if (shape) SetShape(window, *shape);
    const bool uploaded = x11::UploadContent(content, shape ? &*shape : nullptr);
    XFlush(x.display);
    return uploaded;
}

}  // namespace x11::api
