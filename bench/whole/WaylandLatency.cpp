// Move-to-new-pixels latency under a Wayland compositor: the pointer is moved through the
// compositor's own input (the mover named on the command line, which answers "ok" once the
// compositor took the move), and the time runs until the kitten's window shows other
// pixels. Alternates between two places on either side of the kitten, a second apart.
//   wayland_latency MOVER MOVES      (inside a session, DISPLAY set; the kitten running)
// Prints the 50th and 95th percentiles and the worst, in milliseconds.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

Window FindKitten(Display* display, Window window) {
    XClassHint hint{};
    if (XGetClassHint(display, window, &hint) != 0) {
        const bool ours = hint.res_class != nullptr && std::strcmp(hint.res_class, "vellory") == 0;
        XFree(hint.res_name);
        XFree(hint.res_class);
        if (ours) return window;
    }
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) found = FindKitten(display, children[i]);
    if (children != nullptr) XFree(children);
    return found;
}

std::vector<unsigned long> Pixels(Display* display, Window window, int width, int height) {
    std::vector<unsigned long> pixels;
    XImage* image = XGetImage(display, window, 0, 0, width, height, AllPlanes, ZPixmap);
    if (image == nullptr) return pixels;
    pixels.reserve(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back(XGetPixel(image, x, y));
    XDestroyImage(image);
    return pixels;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: wayland_latency MOVER MOVES\n", stderr);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    const Window kitten = FindKitten(display, DefaultRootWindow(display));
    XWindowAttributes attributes{};
    if (kitten == 0 || XGetWindowAttributes(display, kitten, &attributes) == 0) {
        std::fputs("wayland_latency: no kitten window\n", stderr);
        return 1;
    }
    Window child = 0;
    int left = 0, top = 0;
    XTranslateCoordinates(display, kitten, DefaultRootWindow(display), 0, 0, &left, &top, &child);
    const int width = attributes.width, height = attributes.height;
    int down[2], up[2];
    if (pipe2(down, O_CLOEXEC) != 0 || pipe2(up, O_CLOEXEC) != 0) return 1;
    if (fork() == 0) {
        dup2(down[0], 0);
        dup2(up[1], 1);
        execl(argv[1], argv[1], nullptr);
        _exit(127);
    }
    FILE* to = fdopen(down[1], "w");
    FILE* from = fdopen(up[0], "r");
    const int moves = std::stoi(argv[2]);
    std::vector<double> latencies;
    char answer[16];
    for (int i = 0; i < moves; ++i) {
        const int x = i % 2 == 0 ? left - 200 : left + width + 200;
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        const std::vector<unsigned long> before = Pixels(display, kitten, width, height);
        const auto moved = Clock::now();  // the move's start: the mover's answer comes later
        std::fprintf(to, "%d %d\n", std::max(x, 0), top + height + 100);
        std::fflush(to);
        if (std::fgets(answer, sizeof answer, from) == nullptr) return 1;
        while (Pixels(display, kitten, width, height) == before &&
               Clock::now() - moved < std::chrono::seconds(2))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        latencies.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - moved).count());
    }
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double share) {
        return latencies[std::min(latencies.size() - 1,
                                  static_cast<std::size_t>(share * latencies.size()))];
    };
    std::printf("move to new pixels over %d moves: p50 %.1f ms, p95 %.1f ms, worst %.1f ms\n",
                moves, at(0.5), at(0.95), latencies.back());
    fclose(to);
    return 0;
}
