// Measures two programs side by side on the X display in $DISPLAY: time from exec to
// the window mapped (median of 20), resident memory after 5 s (and after 10 minutes
// with --long), CPU per minute with the pointer still and moving (moved by XTest).
// Both run at the same time for the memory and CPU figures, so they see the same
// pointer. Usage: measure_whole [--long] [--seconds N] PROGRAM YARDSTICK
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

double NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

pid_t Start(const std::string& program) {
    const pid_t pid = fork();
    if (pid == 0) {
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

void Stop(pid_t pid) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

// Milliseconds from exec to the first window mapped on the root (or its frame's).
double TimeToMapped(Display* display, const std::string& program) {
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True);
    const double start = NowMs();
    const pid_t pid = Start(program);
    double mapped = -1;
    while (mapped < 0 && NowMs() - start < 5000) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && mapped < 0) mapped = NowMs() - start;
        }
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, 5);
    }
    XSelectInput(display, root, 0);
    Stop(pid);
    usleep(50000);
    return mapped;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

long RssKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

// Nanoseconds the process has run on a CPU (both programs have one thread).
double CpuNs(pid_t pid) {
    std::ifstream schedstat("/proc/" + std::to_string(pid) + "/schedstat");
    double ns = -1;
    schedstat >> ns;
    return ns;
}

void MovePointer(Display* display, double seconds) {
    const double end = NowMs() + seconds * 1000;
    for (int step = 0; NowMs() < end; ++step) {
        const double angle = step * 0.05;
        XTestFakeMotionEvent(display, -1, 600 + static_cast<int>(400 * std::cos(angle)),
                             400 + static_cast<int>(300 * std::sin(angle)), CurrentTime);
        XFlush(display);
        usleep(10000);
    }
}

void Row(const char* name, double a, double b, const char* unit) {
    std::printf("| %s (%s) | %.2f | %.2f | %.2fx |\n", name, unit, a, b, b > 0 ? a / b : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    bool longRun = false;
    double seconds = 20;
    std::vector<std::string> programs;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--long") == 0)
            longRun = true;
        else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else
            programs.push_back(argv[i]);
    }
    if (programs.size() != 2) {
        std::fprintf(stderr, "usage: measure_whole [--long] [--seconds N] PROGRAM YARDSTICK\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "measure_whole: cannot open display\n");
        return 1;
    }
    XTestFakeMotionEvent(display, -1, 700, 500, CurrentTime);
    XSync(display, False);

    double mapped[2];
    for (int p = 0; p < 2; ++p) {
        std::vector<double> times;
        for (int run = 0; run < 20; ++run) times.push_back(TimeToMapped(display, programs[p]));
        mapped[p] = Median(times);
    }

    const double started = NowMs();
    const pid_t pids[2] = {Start(programs[0]), Start(programs[1])};
    sleep(5);
    const long rss5[2] = {RssKb(pids[0]), RssKb(pids[1])};
    double before[2] = {CpuNs(pids[0]), CpuNs(pids[1])};
    usleep(static_cast<useconds_t>(seconds * 1e6));
    double still[2];
    for (int p = 0; p < 2; ++p) still[p] = (CpuNs(pids[p]) - before[p]) / 1e6 * (60 / seconds);
    for (int p = 0; p < 2; ++p) before[p] = CpuNs(pids[p]);
    MovePointer(display, seconds);
    double moving[2];
    for (int p = 0; p < 2; ++p) moving[p] = (CpuNs(pids[p]) - before[p]) / 1e6 * (60 / seconds);
    long rss10[2] = {-1, -1};
    if (longRun) {
        const double wait = 600000 - (NowMs() - started);
        if (wait > 0) usleep(static_cast<useconds_t>(wait * 1000));
        rss10[0] = RssKb(pids[0]);
        rss10[1] = RssKb(pids[1]);
    }
    for (pid_t pid : pids) Stop(pid);

    std::printf("| figure | vellory | minimal Xlib | ratio |\n|---|---|---|---|\n");
    Row("exec to window mapped, median of 20", mapped[0], mapped[1], "ms");
    Row("resident memory after 5 s", rss5[0] / 1024.0, rss5[1] / 1024.0, "MiB");
    if (longRun)
        Row("resident memory after 10 minutes", rss10[0] / 1024.0, rss10[1] / 1024.0, "MiB");
    Row("CPU per minute, pointer still", still[0], still[1], "ms");
    Row("CPU per minute, pointer moving", moving[0], moving[1], "ms");
    return 0;
}
