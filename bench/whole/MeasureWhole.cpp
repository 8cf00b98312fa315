// Measures two programs side by side on the X display in $DISPLAY: time from exec to
// the window mapped (median of 20), resident memory after 5 s (and after 10 minutes
// with --long), CPU per minute with the pointer still and moving (moved by XTest).
// Both run at the same time for the memory and CPU figures, so they see the same
// pointer. PROGRAM runs at each display scale of --scales (VELLORY_SCALE), one column
// each, its start times taken in turns with the yardstick's so that all see the same
// machine; the last column compares the last scale with the first.
// Usage: measure_whole [--long] [--seconds N] [--scales 1,2] PROGRAM YARDSTICK
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

// `scale`: the display scale the program is told (VELLORY_SCALE), empty for none.
pid_t Start(const std::string& program, const std::string& scale = "") {
    const pid_t pid = fork();
    if (pid == 0) {
        if (!scale.empty()) setenv("VELLORY_SCALE", scale.c_str(), 1);
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
double TimeToMapped(Display* display, const std::string& program, const std::string& scale) {
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True);
    const double start = NowMs();
    const pid_t pid = Start(program, scale);
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

// What one run of both programs side by side gives.
struct Figures {
    double mapped = 0;             // ms
    long rss5 = -1, rss10 = -1;    // KiB
    double still = 0, moving = 0;  // CPU ms per minute
};

// Both programs at once: memory after 5 s, CPU with the pointer still, then moving, and
// memory after 10 minutes when asked.
void RunSideBySide(Display* display, const std::string& program, const std::string& scale,
                   const std::string& yardstick, double seconds, bool longRun, Figures& ours,
                   Figures& theirs) {
    const double started = NowMs();
    const pid_t pids[2] = {Start(program, scale), Start(yardstick)};
    Figures* figures[2] = {&ours, &theirs};
    sleep(5);
    for (int p = 0; p < 2; ++p) figures[p]->rss5 = RssKb(pids[p]);
    double before[2] = {CpuNs(pids[0]), CpuNs(pids[1])};
    usleep(static_cast<useconds_t>(seconds * 1e6));
    for (int p = 0; p < 2; ++p)
        figures[p]->still = (CpuNs(pids[p]) - before[p]) / 1e6 * (60 / seconds);
    for (int p = 0; p < 2; ++p) before[p] = CpuNs(pids[p]);
    MovePointer(display, seconds);
    for (int p = 0; p < 2; ++p)
        figures[p]->moving = (CpuNs(pids[p]) - before[p]) / 1e6 * (60 / seconds);
    if (longRun) {
        const double wait = 600000 - (NowMs() - started);
        if (wait > 0) usleep(static_cast<useconds_t>(wait * 1000));
        for (int p = 0; p < 2; ++p) figures[p]->rss10 = RssKb(pids[p]);
    }
    for (pid_t pid : pids) Stop(pid);
}

// One row: the program at each scale, the yardstick, the first scale against the
// yardstick, and the last scale against the first.
void Row(const char* name, const char* unit, const std::vector<double>& ours, double theirs) {
    // NaN: not measured.
    std::printf("| %s (%s) |", name, unit);
    for (const double value : ours) std::printf(std::isnan(value) ? " - |" : " %.2f |", value);
    std::printf(" %.2f | %.2fx |", theirs, theirs > 0 ? ours.front() / theirs : 0.0);
    if (ours.size() > 1) {
        const double last = ours.back() / ours.front();
        std::printf(std::isnan(last) ? " - |" : " %.2fx |", last);
    }
    std::printf("\n");
}

std::vector<std::string> Split(const std::string& list) {
    std::vector<std::string> items;
    std::size_t from = 0;
    while (from <= list.size()) {
        const std::size_t comma = std::min(list.find(',', from), list.size());
        if (comma > from) items.push_back(list.substr(from, comma - from));
        from = comma + 1;
    }
    return items;
}

}  // namespace

int main(int argc, char** argv) {
    bool longRun = false;
    double seconds = 20;
    std::vector<std::string> scales = {""}, programs;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--long") == 0)
            longRun = true;
        else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (std::strcmp(argv[i], "--scales") == 0 && i + 1 < argc)
            scales = Split(argv[++i]);
        else
            programs.push_back(argv[i]);
    }
    if (programs.size() != 2 || scales.empty()) {
        std::fprintf(stderr,
                     "usage: measure_whole [--long] [--seconds N] [--scales 1,2] PROGRAM "
                     "YARDSTICK\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "measure_whole: cannot open display\n");
        return 1;
    }
    XTestFakeMotionEvent(display, -1, 700, 500, CurrentTime);
    XSync(display, False);

    std::vector<Figures> ours(scales.size());
    Figures theirs;
    std::vector<std::vector<double>> times(scales.size() + 1);
    for (int run = 0; run < 20; ++run) {
        for (std::size_t s = 0; s < scales.size(); ++s)
            times[s].push_back(TimeToMapped(display, programs[0], scales[s]));
        times.back().push_back(TimeToMapped(display, programs[1], ""));
    }
    for (std::size_t s = 0; s < scales.size(); ++s) ours[s].mapped = Median(times[s]);
    theirs.mapped = Median(times.back());
    // NOTE: one copy of the program at a time (it allows no second one), each beside the
    // yardstick; the yardstick's figures are those of the first run, the 10-minute
    // reading is taken at the first scale only.
    for (std::size_t s = 0; s < scales.size(); ++s) {
        Figures yardstick;
        RunSideBySide(display, programs[0], scales[s], programs[1], seconds, longRun && s == 0,
                      ours[s], yardstick);
        if (s == 0)
            theirs = Figures{theirs.mapped, yardstick.rss5, yardstick.rss10, yardstick.still,
                             yardstick.moving};
    }

    const auto column = [&](auto field) {
        std::vector<double> values;
        for (const Figures& f : ours) values.push_back(field(f));
        return values;
    };
    std::printf("| figure |");
    for (const std::string& scale : scales)
        std::printf(" vellory%s |", scale.empty() ? "" : (", scale " + scale).c_str());
    std::printf(" minimal Xlib | ratio |%s\n|---|", scales.size() > 1 ? " last / first |" : "");
    for (std::size_t i = 0; i < scales.size() + (scales.size() > 1 ? 3 : 2); ++i)
        std::printf("---|");
    std::printf("\n");
    Row("exec to window mapped, median of 20", "ms",
        column([](const Figures& f) { return f.mapped; }), theirs.mapped);
    Row("resident memory after 5 s", "MiB",
        column([](const Figures& f) { return f.rss5 / 1024.0; }), theirs.rss5 / 1024.0);
    if (longRun)
        Row("resident memory after 10 minutes", "MiB",
            column([&](const Figures& f) { return &f == &ours.front() ? f.rss10 / 1024.0 : NAN; }),
            theirs.rss10 / 1024.0);
    Row("CPU per minute, pointer still", "ms", column([](const Figures& f) { return f.still; }),
        theirs.still);
    Row("CPU per minute, pointer moving", "ms", column([](const Figures& f) { return f.moving; }),
        theirs.moving);
    return 0;
}
