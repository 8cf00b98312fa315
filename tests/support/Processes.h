// Child processes of the integration tests (the X11 and the Wine harness): started with
// fork and exec, watched with deadlines, and never left behind. Each child dies with the
// test process (PR_SET_PDEATHSIG), and a Child that goes out of scope kills and reaps its
// process. Also the tests' temporary folders and file bytes.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/TestAccount.h"

namespace support {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The environment of a child: the test's own, with some variables set or removed.
class Environment {
  public:
    Environment();  // a copy of the test process's environment
    void Set(const std::string& name, const std::string& value) { values_[name] = value; }
    void Remove(const std::string& name) { values_.erase(name); }
    std::vector<std::string> Entries() const;

  private:
    std::map<std::string, std::string> values_;
};

struct Launch {
    std::vector<std::string> argv;  // argv[0] is the file to run (searched in PATH)
    Environment environment;
    std::filesystem::path workingFolder;          // empty: the test's own
    std::filesystem::path output;                 // stdout and stderr go here; empty: /dev/null
    std::optional<std::filesystem::path> errors;  // stderr alone, when set
    int inheritFd = -1;           // a descriptor the child keeps (Xvfb's -displayfd)
    std::optional<Account> user;  // run as this account (the test runs as root); else as the test
};

class Child {
  public:
    Child() = default;
    explicit Child(const Launch& launch);  // throws std::runtime_error when fork fails
    ~Child();                              // SIGKILL and reap, unless it has ended already
    Child(Child&& other) noexcept;
    Child& operator=(Child&& other) noexcept;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t Pid() const { return pid_; }
    // The wait status once the process has ended; nullopt while it still runs after the
    // deadline.
    std::optional<int> Wait(milliseconds deadline);
    bool Running() { return !Wait(milliseconds(0)).has_value(); }
    void Signal(int signal) const;
    void Kill();  // SIGKILL and reap

    // Runs `take` in a forked child as `account`; the child then keeps what it took (open
    // files, locks, bound sockets) until the Child ends. Returns once `take` has run;
    // throws std::runtime_error when it returned false or the child could not start.
    static Child Holding(const Account& account, const std::function<bool()>& take);

  private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// "exited with 0", "killed by signal 9", "still running": for failure messages.
std::string DescribeStatus(const std::optional<int>& status);
// Success when the process has ended with the exit code; the failure says how it ended.
testing::AssertionResult ExitedWith(const std::optional<int>& status, int code);
testing::AssertionResult ExitedNonZero(const std::optional<int>& status);

// A process that spins on one core until it is ended: a busy machine, where the program
// under test loses the processor at any moment.
Child StartCpuHog();
// The processor time (user and system) that a process has used so far, from
// /proc/PID/stat; nullopt when the process is gone.
std::optional<milliseconds> CpuTimeOf(pid_t pid);
// The times the kernel switched away from any of a process's threads (voluntary and
// not), from /proc/PID/task/*/status: its wake-ups, for a process at rest; -1 when gone.
long ContextSwitches(pid_t pid);

std::string ReadFile(const std::filesystem::path& path);  // "" when missing
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Polls `condition` until it holds or the deadline passes; the result of the last poll.
template <class Condition>
bool WaitUntil(Condition condition, milliseconds deadline, milliseconds every = milliseconds(10));

void Pause(milliseconds duration);

}  // namespace support

#include <thread>

template <class Condition>
bool support::WaitUntil(Condition condition, milliseconds deadline, milliseconds every) {
    const auto end = Clock::now() + deadline;
    for (;;) {
        if (condition()) return true;
        if (Clock::now() >= end) return false;
        std::this_thread::sleep_for(every);
    }
}
