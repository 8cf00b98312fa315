// Measures whole programs side by side, each on an X server (Xvfb) of its own so that the
// server's CPU time spent for it can be told apart, beside one more server with no
// program, whose figures are subtracted (the pointer moves cost every server the same).
// Figures: time from exec to the window mapped (median of 20), resident memory after 5 s
// (and after 10 minutes with --long), CPU of program and server per minute and voluntary
// context switches a second with the pointer still, the same with the pointer moving
// (XTest, 60 moves a second), and the latency from a move to the next drawing into the
// program's 207 x 220 window (times VELLORY_SCALE when its command sets one). The first
// program is the one under test; the targets column compares it with the one named xeyes,
// and with the one whose command sets VELLORY_SCALE (the kitten at another display
// scale), when there are such.
// Usage: measure_whole [--openbox] [--long] [--seconds N] [--still-seconds N]
//                      NAME=COMMAND...   (e.g. "xeyes=xeyes -geometry 207x220",
//                                         "scale 2=VELLORY_SCALE=2 build/vellory")
//        measure_whole --stroke N     (moves the pointer on $DISPLAY for N seconds)
#include <X11/Xlib.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Motion.h"
#include "Processes.h"
#include "Servers.h"

using namespace whole;

namespace {

constexpr int Width = 207, Height = 220;

struct Program {
    std::string name;
    std::vector<std::string> argv;
    double scale = 0;  // the VELLORY_SCALE its command sets, 0 for none
    std::unique_ptr<Server> server;
    pid_t pid = -1;
    double mappedMs = 0;
    long rss5 = 0, rss10 = -1;
    double stillCpu = 0, stillServer = 0, stillSwitches = 0;  // per minute, per second
    double movingCpu = 0, movingServer = 0;
    std::vector<double> latency;
};

// Milliseconds from exec to the first window mapped on the root (or its frame).
double TimeToMapped(const Program& program) {
    Display* display = program.server->X();
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True);
    const double start = NowMs();
    const pid_t pid = Start(program.argv, program.server->Name());
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
    SleepMs(50);
    return mapped;
}

// CPU of each program and of its server over `run`, less what the bare server spent.
template <class Run>
void MeasureCpu(std::vector<Program>& programs, const Server& bare, double seconds, Run run,
                double Program::*cpu, double Program::*server, double Program::*switches) {
    std::vector<double> cpu0, server0, switches0;
    for (const Program& p : programs) {
        cpu0.push_back(CpuNs(p.pid));
        server0.push_back(CpuNs(p.server->Pid()));
        switches0.push_back(static_cast<double>(VoluntarySwitches(p.pid)));
    }
    const double bare0 = CpuNs(bare.Pid());
    const double start = NowMs();
    run();
    const double perMinute = 60000 / (NowMs() - start) / 1e6;  // ns to ms a minute
    const double bareCpu = (CpuNs(bare.Pid()) - bare0) * perMinute;
    for (std::size_t i = 0; i < programs.size(); ++i) {
        Program& p = programs[i];
        p.*cpu = (CpuNs(p.pid) - cpu0[i]) * perMinute;
        p.*server = std::max(0.0, (CpuNs(p.server->Pid()) - server0[i]) * perMinute - bareCpu);
        if (switches != nullptr)
            p.*switches = (static_cast<double>(VoluntarySwitches(p.pid)) - switches0[i]) /
                          ((NowMs() - start) / 1000);
    }
    (void)seconds;
}

void Row(const std::vector<Program>& programs, const std::string& figure,
         double (*value)(const Program&), const std::string& target = "") {
    std::printf("| %s |", figure.c_str());
    for (const Program& p : programs) std::printf(" %.2f |", value(p));
    std::printf(" %s |\n", target.c_str());
}

// The pointer moved on $DISPLAY alone, for counting what a program asks meanwhile.
int Stroke(double seconds) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    MoveOn(display, seconds);
    XCloseDisplay(display);
    return 0;
}

int Scaled(int size, double scale) {
    return scale > 0 ? static_cast<int>(std::lround(size * scale)) : size;
}

std::string Verdict(bool met, const std::string& what) {
    return what + (met ? ": met" : ": missed");
}

}  // namespace

int main(int argc, char** argv) {
    bool openbox = false, longRun = false;
    double seconds = 20, stillSeconds = 60;
    std::vector<Program> programs;
    if (argc == 3 && std::strcmp(argv[1], "--stroke") == 0) return Stroke(std::atof(argv[2]));
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--openbox") == 0) {
            openbox = true;
        } else if (std::strcmp(argv[i], "--long") == 0) {
            longRun = true;
        } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--still-seconds") == 0 && i + 1 < argc) {
            stillSeconds = std::atof(argv[++i]);
        } else if (const char* equals = std::strchr(argv[i], '=')) {
            Program program;
            program.name.assign(static_cast<const char*>(argv[i]), equals);
            std::istringstream words(equals + 1);
            for (std::string word; words >> word;) {
                if (word.rfind("VELLORY_SCALE=", 0) == 0) program.scale = std::atof(&word[14]);
                program.argv.push_back(word);
            }
            programs.push_back(std::move(program));
        }
    }
    if (programs.empty()) {
        std::fprintf(stderr,
                     "usage: measure_whole [--openbox] [--long] [--seconds N] "
                     "[--still-seconds N] NAME=COMMAND...\n");
        return 2;
    }
    const Server bare(openbox);
    for (Program& p : programs) {
        p.server = std::make_unique<Server>(openbox);
        p.server->MovePointer(700, 500);
    }
    bare.MovePointer(700, 500);

    for (Program& p : programs) {
        std::vector<double> times;
        for (int run = 0; run < 20; ++run) times.push_back(TimeToMapped(p));
        p.mappedMs = Percentile(times, 0.5);
    }
    const double started = NowMs();
    for (Program& p : programs) p.pid = Start(p.argv, p.server->Name());
    SleepMs(5000);
    for (Program& p : programs) p.rss5 = RssKb(p.pid);

    MeasureCpu(
        programs, bare, stillSeconds, [&] { SleepMs(stillSeconds * 1000); }, &Program::stillCpu,
        &Program::stillServer, &Program::stillSwitches);
    std::vector<Probe> probes;
    for (const Program& p : programs) probes.push_back({p.server.get(), None, {}});
    probes.push_back({&bare, None, {}});
    MeasureCpu(
        programs, bare, seconds, [&] { MovePointers(probes, seconds, false); }, &Program::movingCpu,
        &Program::movingServer, nullptr);
    for (std::size_t i = 0; i < programs.size(); ++i)
        probes[i].window = programs[i].server->FindWindow(Scaled(Width, programs[i].scale),
                                                          Scaled(Height, programs[i].scale));
    MovePointers(probes, seconds, true);
    for (std::size_t i = 0; i < programs.size(); ++i)
        programs[i].latency = std::move(probes[i].latency);
    if (longRun) {
        SleepMs(600000 - (NowMs() - started));
        for (Program& p : programs) p.rss10 = RssKb(p.pid);
    }
    for (Program& p : programs) Stop(p.pid);

    std::printf("| figure |");
    for (const Program& p : programs) std::printf(" %s |", p.name.c_str());
    std::printf(" target |\n|---|");
    for (std::size_t i = 0; i <= programs.size(); ++i) std::printf("---|");
    std::printf("\n");
    const Program* xeyes = nullptr;
    const Program* scaled = nullptr;
    for (const Program& p : programs) {
        if (p.name == "xeyes") xeyes = &p;
        if (p.scale > 0 && scaled == nullptr) scaled = &p;
    }
    const Program& subject = programs.front();
    // The kitten at another scale against the first program, within `limit` times.
    const auto scaledTarget = [&](double (*value)(const Program&), double limit) {
        if (scaled == nullptr) return std::string();
        const double ratio = value(*scaled) / value(subject);
        char what[96];
        std::snprintf(what, sizeof what, "%s at most %.1fx (%.2fx)", scaled->name.c_str(), limit,
                      ratio);
        return Verdict(ratio <= limit, what);
    };
    const auto target = [&](bool met, const std::string& what) {
        return xeyes != nullptr || what.find("xeyes") == std::string::npos ? Verdict(met, what)
                                                                           : std::string();
    };
    const double xeyesMoving = xeyes ? xeyes->movingCpu + xeyes->movingServer : 0;
    const auto mapped = [](const Program& p) { return p.mappedMs; };
    const auto rss5 = [](const Program& p) { return p.rss5 / 1024.0; };
    Row(programs, "exec to window mapped, median of 20 (ms)", mapped, scaledTarget(mapped, 1.5));
    Row(programs, "resident memory after 5 s (MiB)", rss5, scaledTarget(rss5, 1.5));
    if (longRun)
        Row(programs, "resident memory after 10 minutes (MiB)",
            [](const Program& p) { return p.rss10 / 1024.0; });
    Row(
        programs, "pointer still: CPU per minute (ms)", [](const Program& p) { return p.stillCpu; },
        target(xeyes && subject.stillCpu <= xeyes->stillCpu + 5, "at most xeyes' + 5"));
    Row(
        programs, "pointer still: X server CPU per minute for it (ms)",
        [](const Program& p) { return p.stillServer; },
        target(subject.stillServer <= 5, "at most 5"));
    Row(
        programs, "pointer still: voluntary context switches a second",
        [](const Program& p) { return p.stillSwitches; },
        target(subject.stillSwitches <= 2, "at most 2"));
    Row(programs, "pointer moving: CPU per minute (ms)",
        [](const Program& p) { return p.movingCpu; });
    Row(programs, "pointer moving: X server CPU per minute for it (ms)",
        [](const Program& p) { return p.movingServer; });
    Row(
        programs, "pointer moving: both together (ms)",
        [](const Program& p) { return p.movingCpu + p.movingServer; },
        target(subject.movingCpu + subject.movingServer <= xeyesMoving / 2,
               "at most half of xeyes'"));
    Row(programs, "move to new pixels, median (ms)",
        [](const Program& p) { return Percentile(p.latency, 0.5); });
    Row(
        programs, "move to new pixels, 95th percentile (ms)",
        [](const Program& p) { return Percentile(p.latency, 0.95); },
        target(Percentile(subject.latency, 0.95) <= 70, "at most 70"));
    return 0;
}
