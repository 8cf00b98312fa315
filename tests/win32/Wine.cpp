// Starting Windows programs under Wine and waiting for them. See Wine.h.
#include "tests/win32/Wine.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace wine {
namespace {

std::string FromEnvironment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

}  // namespace

std::string Loader() {
    return FromEnvironment("VELLORY_WINE", "/usr/lib/wine/wine64");
}
std::string ProgramExe() {
    return FromEnvironment("VELLORY_WIN32_EXE", VELLORY_WIN32_EXE);
}
std::string ProfileProbeExe() {
    return FromEnvironment("VELLORY_PROFILE_PROBE", VELLORY_PROFILE_PROBE);
}

std::string WindowsPath(const std::string& hostPath) {
    std::string path = "Z:" + hostPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

Process::Process(const std::string& exe, const std::vector<std::string>& args,
                 const std::string& folder, const std::string& output) {
    std::vector<std::string> words{Loader(), exe};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!output.empty())
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
}

Process::~Process() {
    if (pid_ > 0 && !status_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

std::optional<int> Process::WaitExit(std::chrono::milliseconds limit) {
    if (status_ || pid_ <= 0) return status_;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    do {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return status_;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
}

bool Process::Running() {
    return pid_ > 0 && !WaitExit(std::chrono::milliseconds(0));
}

std::optional<std::string> RunToEnd(const std::string& exe, const std::vector<std::string>& args,
                                    const std::string& folder, std::chrono::seconds limit) {
    const std::string output = folder + "/.stdout";
    Process process(exe, args, folder, output);
    const auto status = process.WaitExit(limit);
    if (!status || *status != 0) return std::nullopt;
    std::ifstream in(output, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace wine
