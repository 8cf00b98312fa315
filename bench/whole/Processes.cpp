// Processes for the whole-program bench: see Processes.h.
#include "Processes.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace whole {

double NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

void SleepMs(double ms) {
    if (ms <= 0) return;
    timespec t{static_cast<time_t>(ms / 1000),
               static_cast<long>((ms - 1000.0 * static_cast<long>(ms / 1000)) * 1e6)};
    while (nanosleep(&t, &t) != 0) {
    }
}

pid_t Start(const std::vector<std::string>& argv, const std::string& display) {
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 1);
        dup2(null, 2);
        // Leading NAME=VALUE words go to the environment, as a shell takes them, so that
        // no `env` process adds its own start to the time measured.
        std::size_t first = 0;
        for (; first < argv.size(); ++first) {
            const std::size_t equals = argv[first].find('=');
            if (equals == std::string::npos || equals == 0 || argv[first].find('/') < equals) break;
            setenv(argv[first].substr(0, equals).c_str(), argv[first].c_str() + equals + 1, 1);
        }
        if (first == argv.size()) _exit(127);
        std::vector<char*> args;
        for (std::size_t i = first; i < argv.size(); ++i)
            args.push_back(const_cast<char*>(argv[i].c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid;
}

void Stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

namespace {

// Sums one field over the process's threads, read by `read` from each thread's folder.
template <class Read>
double OverThreads(pid_t pid, Read read) {
    double sum = 0;
    std::error_code error;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error))
        sum += read(task.path());
    return sum;
}

}  // namespace

double CpuNs(pid_t pid) {
    return OverThreads(pid, [](const std::filesystem::path& task) {
        std::ifstream schedstat(task / "schedstat");
        double ns = 0;
        schedstat >> ns;
        return ns;
    });
}

long VoluntarySwitches(pid_t pid) {
    return static_cast<long>(OverThreads(pid, [](const std::filesystem::path& task) {
        std::ifstream status(task / "status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) return std::stod(line.substr(24));
        return 0.0;
    }));
}

long RssKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

}  // namespace whole
