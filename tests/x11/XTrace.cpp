// Requests counted by xtrace: see XTrace.h.
#include "XTrace.h"

#include <unistd.h>

#include <fstream>
#include <stdexcept>

namespace xtest {

namespace {

std::filesystem::path SocketOf(int display) {
    return "/tmp/.X11-unix/X" + std::to_string(display);
}

// NOTE: xtrace takes the display number it is given; one whose socket and lock file are
// both missing is free (Xvfb picks its own through -displayfd). Tests that run side by
// side start looking at different numbers.
int FreeDisplay() {
    for (int i = 0; i < 200; ++i) {
        const int display = 300 + (getpid() + i) % 200;
        if (!std::filesystem::exists(SocketOf(display)) &&
            !std::filesystem::exists("/tmp/.X" + std::to_string(display) + "-lock"))
            return display;
    }
    throw std::runtime_error("no free display number for xtrace");
}

}  // namespace

XTrace::XTrace(const Desktop& desktop)
    : desktop_(desktop), display_(FreeDisplay()), name_(':' + std::to_string(display_)) {
    Launch launch;
    launch.argv = {"xtrace", "-n",           "-k",
                   "-d",     desktop.Name(), "-D",
                   name_,    "-o",           (scratch_.Path() / "trace.txt").string()};
    launch.output = scratch_.Path() / "xtrace.log";
    process_ = Child(launch);
    if (!WaitUntil([&] { return std::filesystem::exists(SocketOf(display_)); },
                   milliseconds(5000)) ||
        !process_.Running())
        throw std::runtime_error("xtrace did not listen on " + name_ + ": " +
                                 ReadFile(scratch_.Path() / "xtrace.log"));
}

XTrace::~XTrace() {
    process_.Kill();
    std::error_code ignored;
    std::filesystem::remove(SocketOf(display_), ignored);
}

Environment XTrace::ClientEnvironment() const {
    Environment environment = desktop_.ClientEnvironment();
    environment.Set("DISPLAY", name_);
    return environment;
}

int XTrace::Requests() const {
    std::ifstream trace(scratch_.Path() / "trace.txt");
    int requests = 0;
    for (std::string line; std::getline(trace, line);)
        if (line.find("Request(") != std::string::npos) ++requests;
    return requests;
}

}  // namespace xtest
