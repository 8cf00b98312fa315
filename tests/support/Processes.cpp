// Child processes, exit statuses, files and temporary folders: see Processes.h.
#include "tests/support/Processes.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace support {

Environment::Environment() {
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const auto equals = text.find('=');
        if (equals != std::string::npos) values_[text.substr(0, equals)] = text.substr(equals + 1);
    }
}

std::vector<std::string> Environment::Entries() const {
    std::vector<std::string> entries;
    for (const auto& [name, value] : values_) entries.push_back(name + "=" + value);
    return entries;
}

namespace {

[[noreturn]] void BecomeChild(const Launch& launch, const std::vector<char*>& argv,
                              const std::vector<char*>& envp, pid_t parent) {
    // Die with the test process, whatever ends it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    setpgid(0, 0);  // a terminal's Ctrl-C reaches the test, which then ends us
    const int in = open("/dev/null", O_RDONLY);
    if (in >= 0) dup2(in, STDIN_FILENO);
    const std::string output = launch.output.empty() ? "/dev/null" : launch.output.string();
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (out >= 0) {
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
    }
    if (launch.errors) {
        const int err = open(launch.errors->c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (err >= 0) dup2(err, STDERR_FILENO);
    }
    if (launch.inheritFd >= 0) fcntl(launch.inheritFd, F_SETFD, 0);
    if (!launch.workingFolder.empty() && chdir(launch.workingFolder.c_str()) != 0) _exit(127);
    if (launch.user) {
        const Account& user = *launch.user;
        if (setgroups(0, nullptr) != 0 || setresgid(user.gid, user.gid, user.gid) != 0 ||
            setresuid(user.uid, user.uid, user.uid) != 0)
            _exit(127);
        prctl(PR_SET_PDEATHSIG, SIGKILL);  // NOTE: a change of user clears it
        if (getppid() != parent) _exit(127);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execvpe(argv[0], argv.data(), envp.data());
    _exit(127);
}

}  // namespace

Child::Child(const Launch& launch) {
    std::vector<std::string> envEntries = launch.environment.Entries();
    std::vector<char*> argv, envp;
    for (const auto& arg : launch.argv) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    for (auto& entry : envEntries) envp.push_back(entry.data());
    envp.push_back(nullptr);
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (pid_ == 0) BecomeChild(launch, argv, envp, parent);
}

Child Child::Holding(const Account& account, const std::function<bool()>& take) {
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    const pid_t parent = getpid();
    Child child;
    child.pid_ = fork();
    if (child.pid_ < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (child.pid_ == 0) {
        close(ready[0]);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (setgroups(0, nullptr) != 0 || setresgid(account.gid, account.gid, account.gid) != 0 ||
            setresuid(account.uid, account.uid, account.uid) != 0)
            _exit(127);
        prctl(PR_SET_PDEATHSIG, SIGKILL);  // NOTE: a change of user clears it
        if (getppid() != parent) _exit(127);
        const char result = take() ? '1' : '0';
        (void)!write(ready[1], &result, 1);
        for (;;) pause();
    }
    close(ready[1]);
    char result = '0';
    const bool told = read(ready[0], &result, 1) == 1;
    close(ready[0]);
    if (!told || result != '1') throw std::runtime_error("the child could not take what it holds");
    return child;
}

Child::~Child() {
    Kill();
}

Child::Child(Child&& other) noexcept : pid_(other.pid_), status_(other.status_) {
    other.pid_ = -1;
}

Child& Child::operator=(Child&& other) noexcept {
    if (this != &other) {
        Kill();
        pid_ = other.pid_;
        status_ = other.status_;
        other.pid_ = -1;
    }
    return *this;
}

std::optional<int> Child::Wait(milliseconds deadline) {
    if (pid_ < 0 || status_) return status_;
    const auto end = Clock::now() + deadline;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            status_ = status;
            return status_;
        }
        if (done < 0) return std::nullopt;  // not ours any more: nothing to wait for
        if (Clock::now() >= end) return std::nullopt;
        std::this_thread::sleep_for(milliseconds(5));
    }
}

void Child::Signal(int signal) const {
    if (pid_ > 0 && !status_) kill(pid_, signal);
}

void Child::Kill() {
    if (pid_ <= 0 || status_) return;
    kill(pid_, SIGKILL);
    int status = 0;
    if (waitpid(pid_, &status, 0) == pid_) status_ = status;
}

std::string DescribeStatus(const std::optional<int>& status) {
    std::ostringstream text;
    if (!status)
        text << "still running";
    else if (WIFEXITED(*status))
        text << "exited with " << WEXITSTATUS(*status);
    else if (WIFSIGNALED(*status))
        text << "killed by signal " << WTERMSIG(*status);
    else
        text << "status " << *status;
    return text.str();
}

testing::AssertionResult ExitedWith(const std::optional<int>& status, int code) {
    if (status && WIFEXITED(*status) && WEXITSTATUS(*status) == code)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << DescribeStatus(status) << ", not with " << code;
}

testing::AssertionResult ExitedNonZero(const std::optional<int>& status) {
    if (status && WIFEXITED(*status) && WEXITSTATUS(*status) != 0)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << DescribeStatus(status) << ", not with a failure code";
}

Child StartCpuHog() {
    Launch launch;
    launch.argv = {"sh", "-c", "while :; do :; done"};
    return Child(launch);
}

std::optional<milliseconds> CpuTimeOf(pid_t pid) {
    const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    // The command name, in parentheses, may hold spaces: the fields follow its last ')'.
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream fields(stat.substr(close + 2));
    std::string skip;
    for (int field = 3; field < 14; ++field) fields >> skip;  // state .. cmajflt
    long long userTicks = 0, systemTicks = 0;
    if (!(fields >> userTicks >> systemTicks)) return std::nullopt;
    const long perSecond = sysconf(_SC_CLK_TCK);
    return milliseconds((userTicks + systemTicks) * 1000 / (perSecond > 0 ? perSecond : 100));
}

long ContextSwitches(pid_t pid) {
    std::error_code error;
    std::filesystem::directory_iterator tasks("/proc/" + std::to_string(pid) + "/task", error);
    if (error) return -1;
    long switches = 0;
    for (const auto& task : tasks) {
        std::istringstream status(ReadFile(task.path() / "status"));
        for (std::string line; std::getline(status, line);)
            if (line.starts_with("voluntary_ctxt_switches:") ||
                line.starts_with("nonvoluntary_ctxt_switches:"))
                switches += std::stol(line.substr(line.find(':') + 1));
    }
    return switches;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vellory-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error(std::string("mkdtemp: ") + std::strerror(errno));
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void Pause(milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

}  // namespace support
