// The yardstick for the whole-program figures: the least an Xlib program can do to show
// a 207 x 220 window and, every 70 ms, ask for the pointer and paint two olive eye discs
// with black pupils turned towards it, filled as one rectangle list per circle.
#include <X11/Xlib.h>
#include <poll.h>
#include <time.h>

#include <cmath>
#include <cstdio>

namespace {

constexpr int Width = 207, Height = 220;

long long NowNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

int Disc(double cx, double cy, double r, XRectangle* rects) {
    int n = 0;
    for (int y = static_cast<int>(cy - r) - 1; y <= static_cast<int>(cy + r) + 1; ++y) {
        const double dy = y + 0.5 - cy;
        if (dy * dy > r * r) continue;
        const double half = std::sqrt(r * r - dy * dy);
        const int x0 = static_cast<int>(std::ceil(cx - half - 0.5));
        const int x1 = static_cast<int>(std::floor(cx + half - 0.5)) + 1;
        if (x0 < x1)
            rects[n++] = {static_cast<short>(x0), static_cast<short>(y),
                          static_cast<unsigned short>(x1 - x0), 1};
    }
    return n;
}

}  // namespace

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "minimal: cannot open display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(display);
    const Window window = XCreateSimpleWindow(display, root, 100, 100, Width, Height, 0, 0, 0);
    XSelectInput(display, window, ButtonPressMask | StructureNotifyMask);
    XMapWindow(display, window);
    const GC gc = XCreateGC(display, window, 0, nullptr);
    XFlush(display);
    long long next = NowNs() + 70000000LL;
    const double eyes[2] = {68, 140};
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
        }
        const long long now = NowNs();
        if (now < next) {
            pollfd fd{ConnectionNumber(display), POLLIN, 0};
            poll(&fd, 1, static_cast<int>((next - now + 999999) / 1000000));
            continue;
        }
        next = now + 70000000LL;
        Window rootReturn, child;
        int px = 0, py = 0, wx = 0, wy = 0;
        unsigned int mask = 0;
        XQueryPointer(display, root, &rootReturn, &child, &px, &py, &wx, &wy, &mask);
        XRectangle rects[32];
        for (double eye : eyes) {
            XSetForeground(display, gc, 0x808000);
            XFillRectangles(display, window, gc, rects, Disc(eye, 118, 10, rects));
        }
        for (double eye : eyes) {
            const double dx = 100 + eye - px, dy = 100 + 118 - py;
            double d = std::sqrt(dx * dx + dy * dy);
            if (d == 0) d = 1;
            XSetForeground(display, gc, 0);
            XFillRectangles(display, window, gc, rects,
                            Disc(eye - 5 * dx / d, 118 - 5 * dy / d, 5, rects));
        }
        XFlush(display);
    }
}
