// Xvfb and openbox for the bench: see Servers.h.
#include "Servers.h"

#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "Processes.h"

namespace whole {

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "measure_whole: %s\n", what);
    std::exit(1);
}

Window Find(Display* display, Window window, int width, int height, int depth) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) && attributes.width == width &&
        attributes.height == height && attributes.map_state == IsViewable &&
        attributes.c_class == InputOutput)
        return window;
    if (depth == 0) return None;
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return None;
    Window found = None;
    for (unsigned int i = 0; i < count && found == None; ++i)
        found = Find(display, children[i], width, height, depth - 1);
    if (children != nullptr) XFree(children);
    return found;
}

}  // namespace

Server::Server(bool openbox) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) Fail("no pipe");
    xvfb_ = fork();
    if (xvfb_ == 0) {
        close(pipeFds[0]);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 1);
        dup2(null, 2);
        const std::string fd = std::to_string(pipeFds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
               "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    // NOTE: read up to the line break: Xvfb writes the number and the break apart, and
    // a pipe closed in between kills it (SIGPIPE).
    std::string number;
    for (char c = 0; read(pipeFds[0], &c, 1) == 1 && c != '\n';) number += c;
    close(pipeFds[0]);
    if (number.empty()) Fail("Xvfb did not start");
    name_ = ":" + number;
    display_ = XOpenDisplay(name_.c_str());
    if (display_ == nullptr) Fail(("cannot connect to Xvfb " + name_).c_str());
    if (!openbox) return;
    openbox_ = Start({"openbox", "--sm-disable"}, name_);
    const Atom wmS0 = XInternAtom(display_, "WM_S0", False);
    const double end = NowMs() + 10000;
    while (XGetSelectionOwner(display_, wmS0) == None) {
        if (NowMs() > end) Fail("openbox did not start");
        SleepMs(20);
    }
    SleepMs(500);  // it owns WM_S0 a moment before it manages windows
}

Server::~Server() {
    Stop(openbox_);
    if (display_ != nullptr) XCloseDisplay(display_);
    Stop(xvfb_);
}

void Server::MovePointer(int x, int y) const {
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    XFlush(display_);
}

Window Server::FindWindow(int width, int height) const {
    // NOTE: a window manager's frames hold windows of the client's size; its client list
    // names the clients themselves.
    Atom type;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Window found = None;
    if (XGetWindowProperty(display_, DefaultRootWindow(display_),
                           XInternAtom(display_, "_NET_CLIENT_LIST", False), 0, 1024, False,
                           XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
        data != nullptr && format == 32) {
        const auto* clients = reinterpret_cast<const Window*>(data);
        for (unsigned long i = 0; i < count && found == None; ++i)
            found = Find(display_, clients[i], width, height, 0);
    }
    if (data != nullptr) XFree(data);
    return found != None ? found : Find(display_, DefaultRootWindow(display_), width, height, 3);
}

}  // namespace whole
