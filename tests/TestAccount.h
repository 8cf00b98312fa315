// Ordinary accounts for tests where permissions matter. The tests run as root in CI, and
// root may write every file, which would hide what a user meets; so such a test forks a
// child that drops to an account of its own and hands its findings back through a pipe.
// Run as a normal user, the tests use that user (and skip what needs a second account).
#pragma once

#include <grp.h>
#include <pwd.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>

struct Account {
    uid_t uid;
    gid_t gid;
};

// The index-th ordinary account: run as root, ids that name no one in the user database
// (the kernel needs no entry there); run as a normal user, that user alone (index 0).
inline std::optional<Account> TestAccount(int index = 0) {
    if (geteuid() != 0) {
        if (index != 0) return std::nullopt;
        return Account{getuid(), getgid()};
    }
    constexpr id_t FirstId = 40000;  // past the ranges that distributions hand out
    int found = 0;
    for (id_t id = FirstId; id < FirstId + 1000; ++id)
        if (getpwuid(id) == nullptr && getgrgid(id) == nullptr && found++ == index)
            return Account{id, id};
    return std::nullopt;
}

inline bool CanSwitchAccounts() {
    return geteuid() == 0;
}

// Runs `body` in a forked child as `account` (no supplementary groups) and returns what
// it returned; nothing when the child could not become the account or did not end well.
inline std::optional<std::string> RunAs(const Account& account,
                                        const std::function<std::string()>& body) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return std::nullopt;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeFds[0]);
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setresgid(account.gid, account.gid, account.gid) != 0 ||
             setresuid(account.uid, account.uid, account.uid) != 0))
            _exit(1);
        if (geteuid() != account.uid) _exit(1);
        const std::string result = body();
        std::size_t done = 0;
        while (done < result.size()) {
            const ssize_t n = write(pipeFds[1], result.data() + done, result.size() - done);
            if (n <= 0) _exit(1);
            done += static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    close(pipeFds[1]);
    std::string result;
    char buffer[4096];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<std::size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return std::nullopt;
    return result;
}
