// start_to_window: how long a program takes from its start to its window on the screen,
// and how much memory it then holds, for the Windows build under Wine beside the Linux
// build (tests/win32/measure.sh runs it).
//   start_to_window CLASS RUNS -- PROGRAM [ARGS...]
// Each run starts PROGRAM in a fresh folder, waits for a viewable 207 x 220 window of
// WM_CLASS CLASS named "Form1", waits one second more, reads the memory of the program's
// process (VmRSS and Pss from /proc) and of Wine's per-prefix helpers when there are any,
// and ends it with the close command. One warm-up run is not counted.
#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/XClient.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// One field of /proc/PID/status or smaps_rollup, in kB; 0 when missing.
long ProcField(pid_t pid, const char* file, const std::string& field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field + ":", 0) == 0) return std::atol(line.c_str() + field.size() + 1);
    return 0;
}

std::string Environment(pid_t pid, const std::string& name) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/environ", std::ios::binary);
    std::string entry;
    while (std::getline(in, entry, '\0'))
        if (entry.rfind(name + "=", 0) == 0) return entry.substr(name.size() + 1);
    return "";
}

std::string CommandName(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

// Wine's helpers for this prefix (wineserver, services.exe, explorer.exe, ...), but not
// the measured program: their RSS and Pss in kB.
std::pair<long, long> WineHelpers(pid_t program) {
    const char* prefix = std::getenv("WINEPREFIX");
    long rss = 0, pss = 0;
    if (prefix == nullptr) return {0, 0};
    DIR* proc = opendir("/proc");
    while (dirent* entry = readdir(proc)) {
        const pid_t pid = std::atoi(entry->d_name);
        if (pid <= 0 || pid == program) continue;
        const std::string name = CommandName(pid);
        const bool wine = name.find(".exe") != std::string::npos || name.rfind("wine", 0) == 0;
        if (!wine || Environment(pid, "WINEPREFIX") != prefix) continue;
        rss += ProcField(pid, "status", "VmRSS");
        pss += ProcField(pid, "smaps_rollup", "Pss");
    }
    closedir(proc);
    return {rss, pss};
}

struct Sample {
    double ms = 0;
    long rss = 0, pss = 0, helperRss = 0, helperPss = 0;
};

bool RunOnce(const std::string& resClass, const std::vector<std::string>& command, Sample& sample) {
    support::TempFolder folder;
    support::XClient desk("");
    const auto programWindow = [&]() -> std::optional<Window> {
        for (Window w : desk.FindByClass(resClass))
            if (desk.Viewable(w) && desk.Title(w) == "Form1" &&
                desk.Size(w) == support::Point{207, 220})
                return w;
        return std::nullopt;
    };
    support::Launch launch;
    launch.argv = command;
    launch.workingFolder = folder.Path();
    const auto start = Clock::now();
    support::Child program(launch);
    std::optional<Window> window;
    support::WaitUntil([&] { return (window = programWindow()).has_value(); }, 60s, 2ms);
    sample.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (window) {
        support::Pause(1s);
        sample.rss = ProcField(program.Pid(), "status", "VmRSS");
        sample.pss = ProcField(program.Pid(), "smaps_rollup", "Pss");
        std::tie(sample.helperRss, sample.helperPss) = WineHelpers(program.Pid());
        desk.Close(*window);
    }
    program.Wait(10s);
    program.Kill();
    // Wait for the window to go, so the next run does not meet it.
    support::WaitUntil([&] { return !programWindow(); }, 4s, 20ms);
    return window.has_value();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5 || std::string(argv[3]) != "--") {
        std::fprintf(stderr, "usage: start_to_window CLASS RUNS -- PROGRAM [ARGS...]\n");
        return 2;
    }
    const std::string resClass = argv[1];
    const int runs = std::atoi(argv[2]);
    const std::vector<std::string> command(argv + 4, argv + argc);
    Sample warmup;
    if (!RunOnce(resClass, command, warmup)) {
        std::fprintf(stderr, "start_to_window: no window of class %s appeared\n", resClass.c_str());
        return 1;
    }
    std::vector<double> ms, rss, pss, helperRss, helperPss;
    for (int i = 0; i < runs; ++i) {
        Sample s;
        if (!RunOnce(resClass, command, s)) return 1;
        ms.push_back(s.ms);
        rss.push_back(static_cast<double>(s.rss));
        pss.push_back(static_cast<double>(s.pss));
        helperRss.push_back(static_cast<double>(s.helperRss));
        helperPss.push_back(static_cast<double>(s.helperPss));
    }
    std::printf(
        "%-12s median of %d: start to window %7.1f ms (min %.1f, max %.1f); program "
        "RSS %6.0f kB, Pss %6.0f kB; Wine helpers RSS %6.0f kB, Pss %6.0f kB\n",
        resClass.c_str(), runs, Median(ms), *std::min_element(ms.begin(), ms.end()),
        *std::max_element(ms.begin(), ms.end()), Median(rss), Median(pss), Median(helperRss),
        Median(helperPss));
    return 0;
}
