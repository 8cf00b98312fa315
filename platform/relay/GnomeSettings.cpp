// See GnomeSettings.h. The disabled-extensions list lives in dconf, which has no simple
// bus interface for reading: the gsettings command reads it, once per start under GNOME.
#include "platform/relay/GnomeSettings.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>

namespace relay {
namespace {

constexpr int AnswerTimeoutMs = 2000;
constexpr std::size_t MostOutput = 64 * 1024;  // a list longer than this is not read whole

bool Readable(const std::string& path) {
    return access(path.c_str(), R_OK) == 0;
}

// The folders of a colon-separated list that are absolute paths.
template <typename Visit>
bool AnyFolder(std::string_view list, Visit visit) {
    while (!list.empty()) {
        const std::size_t colon = list.find(':');
        const std::string_view folder = list.substr(0, colon);
        if (!folder.empty() && folder.front() == '/' && visit(std::string(folder))) return true;
        list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
    }
    return false;
}

long long NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The standard output of `gsettings get org.gnome.shell disabled-extensions`; empty when
// it cannot be run or does not answer in time (then it is ended).
std::string DisabledExtensionsText() {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>("gsettings"), const_cast<char*>("get"),
                    const_cast<char*>("org.gnome.shell"), const_cast<char*>("disabled-extensions"),
                    nullptr};
    pid_t child = -1;
    const bool spawned = posix_spawnp(&child, "gsettings", &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    std::string text;
    const long long deadline = NowMs() + AnswerTimeoutMs;
    bool ended = false;
    while (spawned && text.size() < MostOutput) {
        const long long left = deadline - NowMs();
        pollfd readable{pipeEnds[0], POLLIN, 0};
        if (left <= 0 || poll(&readable, 1, static_cast<int>(left)) <= 0) break;
        char block[4096];
        const ssize_t got = read(pipeEnds[0], block, sizeof block);
        if (got <= 0) {
            ended = got == 0;
            break;
        }
        text.append(block, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    if (!spawned) return {};
    if (!ended) kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    const bool answered = ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return answered ? text : std::string();
}

}  // namespace

bool ExtensionInstalled(const char* uuid) {
    const std::string tail = std::string("/gnome-shell/extensions/") + uuid + "/metadata.json";
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    std::string userFolders = dataHome != nullptr && *dataHome == '/' ? dataHome : "";
    if (userFolders.empty() && home != nullptr && *home == '/')
        userFolders = std::string(home) + "/.local/share";
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    const std::string systemFolders =
        dataDirs != nullptr && *dataDirs != '\0' ? dataDirs : "/usr/local/share:/usr/share";
    const auto holdsIt = [&](const std::string& folder) { return Readable(folder + tail); };
    return AnyFolder(userFolders, holdsIt) || AnyFolder(systemFolders, holdsIt);
}

bool UserDisabledExtension(const char* uuid) {
    // NOTE: gsettings prints the list as a GVariant text: ['a@b', 'c@d'] (or @as []).
    return DisabledExtensionsText().find(std::string("'") + uuid + "'") != std::string::npos;
}

}  // namespace relay
