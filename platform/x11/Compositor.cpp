// The window's visual, and the compositing manager that decides it. Where one draws the
// windows (it owns _NET_WM_CM_S<screen>: Xwayland always, X11 when one runs) the window
// is 32-bit ARGB with premultiplied alpha, so that its outline's edge is blended; SHAPE
// still cuts it, for input and for a server that draws it without a compositor. Elsewhere
// the screen's own visual and SHAPE alone, as the program drew before compositors.
// NOTE: the visual is a window's for life. A compositor that starts after us finds a
// window of the screen's visual, cut by SHAPE, until the next start; one that stops is
// followed: the blended edge pixels take their own colours again (Content.cpp).
#include <X11/Xutil.h>

#include "platform/x11/X11Platform.h"

namespace x11 {

void FindCompositor() {
    Connection& x = X();
    x.visual = DefaultVisual(x.display, x.screen);
    x.depth = DefaultDepth(x.display, x.screen);
    const Window owner = XGetSelectionOwner(x.display, x.atoms._NET_WM_CM_Sn);
    if (owner == None) return;
    XVisualInfo info{};
    if (!XMatchVisualInfo(x.display, x.screen, 32, TrueColor, &info)) return;
    // Its end tells us that it stopped; asked again in case it ended before we listened.
    XSelectInput(x.display, owner, StructureNotifyMask);
    if (XGetSelectionOwner(x.display, x.atoms._NET_WM_CM_Sn) != owner) {
        XSelectInput(x.display, owner, NoEventMask);
        return;
    }
    x.visual = info.visual;
    x.depth = info.depth;
    x.colormap = XCreateColormap(x.display, x.root, x.visual, AllocNone);
    x.argb = true;
    x.blended = true;
    x.compositor = owner;
}

void OnDestroyed(Window window) {
    Connection& x = X();
    if (window == None || window != x.compositor) return;
    x.compositor = 0;
    x.blended = false;
    // The server now shows the pixels as they are: the blended ones would show darkened.
    WindowState& w = TheWindow();
    if (w.window == 0 || w.blendedEdge.empty()) return;
    for (const auto& [index, colour] : w.blendedEdge) {
        XSetForeground(x.display, w.gc, PixelOf(colour));
        if (w.content != 0)
            XDrawPoint(x.display, w.content, w.gc, static_cast<int>(index % w.width),
                       static_cast<int>(index / w.width));
    }
    w.blendedEdge.clear();
    XClearArea(x.display, w.window, 0, 0, 0, 0, True);  // the Expose repaints the eyes
}

}  // namespace x11
