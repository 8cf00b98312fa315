// One copy per user and X server: a second start ends at once with status 0 and shows
// no window, wherever its executable lies and however DISPLAY names the server; of twenty
// copies started together exactly one stays; a copy on another display is another
// user's session and runs; and nothing another account leaves in the way stops a start.
#include <netdb.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <iostream>
#include <vector>

#include "Vellory.h"

using namespace xtest;

namespace {

// The spellings of DISPLAY that this machine's Xlib opens (the program's Xlib is the
// same library); each one it refuses is left out, saying so. Debian 13's libxcb, for one,
// refuses "unix:N".
std::vector<std::string> Opened(const std::vector<std::string>& spellings) {
    std::vector<std::string> opened;
    for (const std::string& spelling : spellings) {
        if (Display* display = XOpenDisplay(spelling.c_str())) {
            XCloseDisplay(display);
            opened.push_back(spelling);
        } else {
            std::cout << "left out: DISPLAY=" << spelling << ", which this Xlib cannot open\n";
        }
    }
    return opened;
}

}  // namespace

using Instances = OnDesktop;

TEST_P(Instances, ASecondCopyEndsAtOnceWithoutAWindow) {
    auto [first, window] = vellory.StartAndWait();
    Vellory elsewhere(desktop);  // the same program in another folder

    for (Vellory* copy : {&vellory, &elsewhere}) {
        Vellory::Run& second = copy->Start();
        EXPECT_TRUE(ExitedWith(second.process.Wait(milliseconds(1000)), 0)) << "within a second";
        EXPECT_EQ(second.Errors(), "");
    }
    Pause(milliseconds(200));
    EXPECT_EQ(vellory.Windows(), std::vector<Window>{window});
    EXPECT_TRUE(first->process.Running());
    EXPECT_FALSE(vellory.Settings().has_value());
    EXPECT_FALSE(elsewhere.Settings().has_value());

    // Another display is another session: a copy there runs.
    Desktop other(Wm::Bare);
    Vellory there(other);
    auto [third, window3] = there.StartAndWait();
    EXPECT_TRUE(third->process.Running());
    EXPECT_TRUE(first->process.Running());
}

// Half of them name the server otherwise and have a runtime folder of their own.
TEST_P(Instances, TwentyStartedTogetherLeaveExactlyOne) {
    TempFolder runtime;  // mkdtemp: ours, 0700
    Environment other = desktop.ClientEnvironment();
    const auto otherwise = Opened({"unix" + desktop.Name() + ".0", desktop.Name() + ".0"});
    ASSERT_FALSE(otherwise.empty());
    other.Set("DISPLAY", otherwise.front());
    other.Set("XDG_RUNTIME_DIR", runtime.Path().string());
    std::vector<Vellory::Run*> runs;
    for (int i = 0; i < 20; ++i)
        runs.push_back(&vellory.Start(i % 2 == 0 ? desktop.ClientEnvironment() : other));

    int ended = 0, endedWell = 0;
    Vellory::Run* survivor = nullptr;
    EXPECT_TRUE(WaitUntil(
        [&] {
            ended = endedWell = 0;
            for (Vellory::Run* run : runs) {
                const auto status = run->process.Wait(milliseconds(0));
                ended += status.has_value();
                endedWell += static_cast<bool>(ExitedWith(status, 0));
                if (!status) survivor = run;
            }
            return ended >= 19;
        },
        milliseconds(20000)));
    EXPECT_EQ(ended, 19);
    EXPECT_EQ(endedWell, 19);
    ASSERT_NE(survivor, nullptr);
    const Window window = vellory.WaitForWindow(*survivor);
    vellory.WaitForEyes(window);
    Pause(milliseconds(200));
    EXPECT_EQ(vellory.Windows(), std::vector<Window>{window});
    EXPECT_TRUE(survivor->process.Running());
}

INSTANTIATE_TEST_SUITE_P(, Instances, BothDesktops, DesktopName);

// Every name of one server reaches one lock: the unix socket under any spelling, and TCP
// on this host (the server listens on TCP too).
TEST(InstanceNames, EverySpellingOfOneServerFindsTheFirstCopy) {
    Desktop desktop(Wm::Bare, {"-listen", "tcp"});
    Vellory vellory(desktop);
    auto [first, window] = vellory.StartAndWait();
    const std::string number = desktop.Name().substr(1);
    std::vector<std::string> spellings = {":" + number + ".0", "unix:" + number,
                                          "unix:" + number + ".0", "localhost:" + number,
                                          "127.0.0.1:" + number + ".0"};
    char host[256] = "";
    addrinfo* found = nullptr;  // this host's own name, where it resolves
    if (gethostname(host, sizeof host - 1) == 0 && getaddrinfo(host, nullptr, nullptr, &found) == 0)
        spellings.push_back(std::string(host) + ":" + number);
    if (found != nullptr) freeaddrinfo(found);
    spellings = Opened(spellings);
    ASSERT_GE(spellings.size(), 3u) << "this Xlib opens hardly any spelling of the server";
    for (const std::string& display : spellings) {
        Environment environment = desktop.ClientEnvironment();
        environment.Set("DISPLAY", display);
        Vellory::Run& second = vellory.Start(environment);
        EXPECT_TRUE(ExitedWith(second.process.Wait(milliseconds(2000)), 0)) << display;
        EXPECT_EQ(second.Errors(), "") << display;
    }
    EXPECT_EQ(vellory.Windows(), std::vector<Window>{window});
    EXPECT_TRUE(first->process.Running());
}

namespace {

// What another account can put in our way: the abstract socket name that copies once
// met at, and a folder of its own (or a link to one) where ours in /tmp would be.
enum class Runtime { Unset, Foreign, Private };
struct InTheWay {
    const char* name;
    int accounts;     // the first of the two accounts this row alone uses
    bool linkInTmp;   // /tmp/vellory-<uid> links to the other's folder, else is that folder
    Runtime runtime;  // XDG_RUNTIME_DIR: unset, the other's folder, or a private one of ours
};
void PrintTo(const InTheWay& row, std::ostream* out) {
    *out << row.name;
}

class InstanceSquatters : public testing::TestWithParam<InTheWay> {};

bool BindAbstract(const std::string& name) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    return fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0;
}

}  // namespace

TEST_P(InstanceSquatters, AnotherAccountCannotStopOurStart) {
    if (!CanSwitchAccounts()) GTEST_SKIP() << "needs two accounts: run as root";
    // Accounts of this row alone: /tmp/vellory-<uid> is shared by every run of the uid,
    // and the rows run side by side.
    const InTheWay way = GetParam();
    const auto user = TestAccount(way.accounts), other = TestAccount(way.accounts + 1);
    ASSERT_TRUE(user && other);
    Desktop desktop(Wm::Bare);
    Vellory vellory(desktop);
    chmod(vellory.Folder().parent_path().c_str(), 0755);
    TempFolder theirs, ours;
    chmod(theirs.Path().c_str(), 0777);
    ASSERT_EQ(chown(ours.Path().c_str(), user->uid, user->gid), 0);
    const std::filesystem::path tmp = "/tmp/vellory-" + std::to_string(user->uid);
    std::filesystem::remove_all(tmp);

    const auto squatter = Child::Holding(*other, [&] {
        const std::string spot = (theirs.Path() / "spot").string();
        const bool folder =
            way.linkInTmp ? symlink(spot.c_str(), tmp.c_str()) == 0 : mkdir(tmp.c_str(), 0777) == 0;
        return mkdir(spot.c_str(), 0777) == 0 && chmod(spot.c_str(), 0777) == 0 && folder &&
               (way.linkInTmp || chmod(tmp.c_str(), 0777) == 0) &&
               BindAbstract("vellory-" + std::to_string(user->uid) + "-" + desktop.Name());
    });
    const auto spot = way.linkInTmp ? theirs.Path() / "spot" : tmp;
    Environment environment = desktop.ClientEnvironment();
    environment.Remove("XDG_RUNTIME_DIR");
    if (way.runtime != Runtime::Unset)
        environment.Set("XDG_RUNTIME_DIR",
                        (way.runtime == Runtime::Private ? ours.Path() : spot).string());

    auto [run, window] = vellory.StartAndWait(environment, user);
    EXPECT_TRUE(run->process.Running());
    EXPECT_TRUE(std::filesystem::is_empty(spot)) << "nothing of ours in another's folder";
    if (way.runtime == Runtime::Private) {  // our own folder still keeps one copy
        Vellory::Run& second = vellory.Start(environment, user);
        EXPECT_TRUE(ExitedWith(second.process.Wait(milliseconds(2000)), 0));
    } else {  // no lock at all: the program runs, and says so
        EXPECT_NE(run->Errors().find("single-instance lock"), std::string::npos) << run->Errors();
    }
    std::filesystem::remove_all(tmp);
}

INSTANTIATE_TEST_SUITE_P(, InstanceSquatters,
                         testing::Values(InTheWay{"TheirFolderInTmp", 2, false, Runtime::Unset},
                                         InTheWay{"LinkInTmpAndTheirRuntime", 4, true,
                                                  Runtime::Foreign},
                                         InTheWay{"OurRuntimeFolder", 6, false, Runtime::Private}),
                         [](const auto& info) { return std::string(info.param.name); });
