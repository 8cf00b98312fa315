// The settings file as a user's own file: what the user protected stays as it is, owner
// and links survive a write, a private file is never open to others on the way, two
// copies writing at once never mix their places, and a program installed where the user
// cannot write keeps a per-user copy. Permission checks run as an ordinary account.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "platform/WinApi.h"
#include "platform/posix/ProfileStore.h"
#include "tests/TestAccount.h"

namespace {

constexpr const char* Saved = "; kept by hand\n[Varnhold Quimbrel]\nTop=1500\nLeft=3000\n";

std::string Read(const std::string& file, const char* key) {
    char buffer[64];
    winapi::GetPrivateProfileStringA("Varnhold Quimbrel", key, "-", buffer, sizeof buffer,
                                     Backslashed(file).c_str());
    return buffer;
}

// "1" or "0", as a child hands it back.
std::string Write(const std::string& file, const char* key, const char* value) {
    return winapi::WritePrivateProfileStringA("Varnhold Quimbrel", key, value,
                                              Backslashed(file).c_str())
               ? "1"
               : "0";
}

// The results of several calls, made in order (a braced list is evaluated left to right).
std::string Seen(std::initializer_list<std::string> results) {
    std::string seen;
    for (const std::string& result : results) seen += (seen.empty() ? "" : " ") + result;
    return seen;
}

struct stat StatOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info;
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A folder for one test that an ordinary account can reach, with a subfolder "f" of the
// given owner and mode.
struct SharedFolder {
    explicit SharedFolder(const Account& owner, mode_t mode = 0755) {
        chmod(root.Path().c_str(), 0755);
        std::filesystem::create_directory(f);
        EXPECT_EQ(chown(f.c_str(), owner.uid, owner.gid), 0);
        chmod(f.c_str(), mode);
    }
    std::string Put(const std::string& name, const Account& owner, mode_t mode) const {
        const std::string path = f + "/" + name;
        PutFile(path, Saved);
        EXPECT_EQ(chown(path.c_str(), owner.uid, owner.gid), 0);
        chmod(path.c_str(), mode);
        return path;
    }
    TempFolder root;
    std::string f = root / "f";
};

Account Root() {
    return {0, 0};
}

}  // namespace

// A file the user may not write (made read-only to pin the kitten's place, or another
// user's) stays as it is, even though the user may write the folder that holds it.
TEST(ProfileSafety, FilesTheWriterMayNotWriteStayAsTheyAre) {
    const auto user = TestAccount();
    ASSERT_TRUE(user);
    struct Case {
        const char* name;
        bool ownedByRoot;
        mode_t mode;
        bool writtenByRoot;
    };
    for (const Case& row : {Case{"read-only file", false, 0444, false},
                            Case{"another user's file", true, 0644, false},
                            Case{"read-only file, written by root", false, 0444, true}}) {
        SCOPED_TRACE(row.name);
        if ((row.ownedByRoot || row.writtenByRoot) && !CanSwitchAccounts()) continue;
        SharedFolder folder(*user);
        const std::string ini = folder.Put("v.ini", row.ownedByRoot ? Root() : *user, row.mode);
        const auto wrote = row.writtenByRoot
                               ? std::optional(Write(ini, "Top", "15"))
                               : RunAs(*user, [&] { return Write(ini, "Top", "15"); });
        EXPECT_EQ(wrote, "0");
        EXPECT_EQ(FileBytes(ini), Saved);
        EXPECT_EQ(StatOf(ini).st_uid, row.ownedByRoot ? 0 : user->uid);
        EXPECT_EQ(StatOf(ini).st_mode & 07777, row.mode);
        EXPECT_EQ(Names(folder.f), std::vector<std::string>{"v.ini"});
    }
}

// A file that several users may write keeps its owner and group: root gives the new
// file back to them; a user who cannot do that leaves the file alone.
TEST(ProfileSafety, OwnerAndGroupStayOrTheFileDoes) {
    const auto owner = TestAccount(0), other = TestAccount(1);
    if (!CanSwitchAccounts() || !owner || !other) GTEST_SKIP() << "needs root and two accounts";
    SharedFolder folder(*owner, 0777);
    const std::string ini = folder.Put("v.ini", *owner, 0666);

    EXPECT_EQ(RunAs(*other, [&] { return Write(ini, "Top", "15"); }), "0");
    EXPECT_EQ(FileBytes(ini), Saved);
    EXPECT_EQ(Write(ini, "Top", "15"), "1");  // as root
    EXPECT_EQ(Read(ini, "Top"), "15");
    const struct stat info = StatOf(ini);
    EXPECT_EQ(info.st_uid, owner->uid);
    EXPECT_EQ(info.st_gid, owner->gid);
    EXPECT_EQ(info.st_mode & 07777, 0666u);
    EXPECT_EQ(Names(folder.f), std::vector<std::string>{"v.ini"});
}

// A file with a second name is written in place, so both names see the write; a write
// that fails there puts the old bytes back.
TEST(ProfileSafety, HardLinkedFilesKeepTheirLink) {
    const auto user = TestAccount();
    ASSERT_TRUE(user);
    SharedFolder folder(*user);
    const std::string ini = folder.Put("v.ini", *user, 0644);
    const std::string other = folder.f + "/other name.ini";
    ASSERT_EQ(link(ini.c_str(), other.c_str()), 0);

    EXPECT_EQ(RunAs(*user,
                    [&] {
                        return Seen({Write(ini, "Top", "15"), Write(ini, "Left", "-3")});
                    }),
              "1 1");
    const std::string written = "; kept by hand\n[Varnhold Quimbrel]\nTop=15\nLeft=-3\n";
    EXPECT_EQ(FileBytes(other), written);
    EXPECT_EQ(StatOf(ini).st_ino, StatOf(other).st_ino);
    EXPECT_EQ(StatOf(ini).st_nlink, 2u);

    const auto failed = RunAs(*user, [&] {
        profile::System().fsync = [](int) { return errno = EIO, -1; };
        return Write(other, "Top", "123456789");
    });
    EXPECT_EQ(failed, "0");
    EXPECT_EQ(FileBytes(ini), written);
    EXPECT_EQ(Names(folder.f), (std::vector<std::string>{"other name.ini", "v.ini"}));
}

namespace {
mode_t widestNewFileMode = 0;  // the modes of files created during a write, or-ed
int RecordNewFileModes(const char* path, int flags, mode_t mode) {
    const int fd = ::open(path, flags, mode);
    struct stat info {};
    if (fd >= 0 && (flags & O_CREAT) != 0 && fstat(fd, &info) == 0)
        widestNewFileMode |= info.st_mode & 07777;
    return fd;
}
}  // namespace

// Whoever opens the new file between its creation and the rename finds it no more open
// than the old one.
TEST(ProfileSafety, APrivateFileIsNeverOpenToOthers) {
    const auto user = TestAccount();
    ASSERT_TRUE(user);
    SharedFolder folder(*user);
    const std::string ini = folder.Put("v.ini", *user, 0600);
    const auto modes = RunAs(*user, [&] {
        umask(022);
        profile::System().open = &RecordNewFileModes;
        return Seen({Write(ini, "Top", "15"), std::to_string(widestNewFileMode)});
    });
    EXPECT_EQ(modes, "1 " + std::to_string(0600));
    EXPECT_EQ(StatOf(ini).st_mode & 07777, 0600u);
    EXPECT_EQ(Read(ini, "Top"), "15");
}

// Two copies that end at the same moment each write Top and then Left: the file always
// holds one copy's pair, never one copy's Top with another's Left.
TEST(ProfileSafety, CopiesWritingAtOnceNeverMixTheirPlaces) {
    TempFolder folder;
    const std::string ini = folder / "v.ini";
    constexpr int Rounds = 15, Copies = 4;
    for (int round = 0; round < Rounds; ++round) {
        int start[2];
        ASSERT_EQ(pipe(start), 0);
        std::vector<pid_t> copies;
        for (int copy = 0; copy < Copies; ++copy) {
            const pid_t pid = fork();
            if (pid == 0) {
                close(start[1]);
                char go;
                if (read(start[0], &go, 1) != 0) _exit(2);
                const std::string place = std::to_string(round * Copies + copy);
                _exit(Seen({Write(ini, "Top", place.c_str()), Write(ini, "Left", place.c_str())}) ==
                              "1 1"
                          ? 0
                          : 1);
            }
            copies.push_back(pid);
        }
        close(start[0]);
        close(start[1]);  // all of them at once
        for (pid_t pid : copies) {
            int status = 0;
            waitpid(pid, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
        }
        ASSERT_EQ(Read(ini, "Top"), Read(ini, "Left")) << "round " << round;
    }
}

// While another copy holds the file, a write waits a little and then fails, leaving the
// other copy's entries; it never hangs.
TEST(ProfileSafety, AWriterWaitsForAnotherCopyOnlyALittle) {
    TempFolder folder;
    const std::string ini = folder / "v.ini";
    int wrote[2], end[2];
    ASSERT_EQ(pipe(wrote), 0);
    ASSERT_EQ(pipe(end), 0);
    const pid_t other = fork();
    if (other == 0) {
        close(end[1]);
        const bool ok = Seen({Write(ini, "Top", "1"), Write(ini, "Left", "2")}) == "1 1";
        if (write(wrote[1], ok ? "1" : "0", 1) != 1) _exit(1);
        char ignored;
        while (read(end[0], &ignored, 1) > 0) {
        }
        _exit(0);  // still between its writes and its end until the test lets it go
    }
    close(end[0]);
    char ok = '?';
    ASSERT_EQ(read(wrote[0], &ok, 1), 1);
    ASSERT_EQ(ok, '1');
    const std::string written = FileBytes(ini);

    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(Write(ini, "Top", "3"), "0");
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(20));
    EXPECT_EQ(FileBytes(ini), written);

    close(end[1]);
    int status = 0;
    waitpid(other, &status, 0);
    EXPECT_EQ(Write(ini, "Top", "3"), "1");
    EXPECT_EQ(Read(ini, "Left"), "2");
    close(wrote[0]);
    close(wrote[1]);
}

// A hard-linked file is written in place; a reader in another process meanwhile waits
// for the whole file rather than reading the half that is there.
TEST(ProfileSafety, AReaderNeverSeesAFileHalfWrittenInPlace) {
    TempFolder folder;
    const std::string ini = folder / "v.ini";
    PutFile(ini, Saved);
    int half[2];
    ASSERT_EQ(pipe(half), 0);
    const pid_t writer = fork();
    if (writer == 0) {
        // The writers' lock, as a copy between its two entries holds it; then the bytes
        // go in in two parts, as a slow disk takes them.
        if (Write(ini, "Top", "1500") != "1") _exit(1);
        const int fd = open(ini.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        const std::string whole = "[Varnhold Quimbrel]\nTop=2100\nLeft=4050\n";
        const std::size_t cut = whole.find("Left");
        if (fd < 0 || write(fd, whole.data(), cut) != static_cast<ssize_t>(cut)) _exit(1);
        if (write(half[1], "h", 1) != 1) _exit(1);
        usleep(300 * 1000);
        const std::string rest = whole.substr(cut);
        if (write(fd, rest.data(), rest.size()) != static_cast<ssize_t>(rest.size())) _exit(1);
        _exit(0);  // the lock ends with the process
    }
    close(half[1]);
    char ignored;
    ASSERT_EQ(read(half[0], &ignored, 1), 1);
    EXPECT_EQ(Read(ini, "Left"), "4050");
    int status = 0;
    waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    close(half[0]);
}

namespace {

// A program folder that the user cannot write (root's, or the user's own made 0555 when
// the tests do not run as root), and a home folder of the user's own.
class InstalledProgram : public testing::Test {
  protected:
    void SetUp() override {
        const auto account = TestAccount();
        ASSERT_TRUE(account);
        user = *account;
        chmod(root.Path().c_str(), 0755);
        std::filesystem::create_directory(program);
        std::filesystem::create_directory(home);
        ASSERT_EQ(chown(home.c_str(), user.uid, user.gid), 0);
        chmod(home.c_str(), 0700);
    }
    void TearDown() override { chmod(program.c_str(), 0755); }
    void Install(const char* settings) {
        if (settings != nullptr) PutFile(ini, settings);
        chmod(program.c_str(), CanSwitchAccounts() ? 0755 : 0555);
    }
    // Runs `body` as the user with XDG_CONFIG_HOME set (or unset, for nullptr).
    std::optional<std::string> AsUser(const char* configHome,
                                      const std::function<std::string()>& body) {
        return RunAs(user, [&] {
            setenv("HOME", home.c_str(), 1);
            if (configHome != nullptr)
                setenv("XDG_CONFIG_HOME", configHome, 1);
            else
                unsetenv("XDG_CONFIG_HOME");
            return body();
        });
    }
    mode_t ModeOf(const std::string& path) { return StatOf(path).st_mode & 07777; }

    Account user{};
    TempFolder root;
    std::string program = root / "program";
    std::string ini = program + "/vellory.ini";
    std::string home = root / "home";
};

}  // namespace

// Reads come from the file beside the program until the per-user copy exists; the first
// write starts the copy from that file, whose other lines it keeps; the file beside the
// program stays as it was. XDG_CONFIG_HOME counts when it is an absolute path.
TEST_F(InstalledProgram, APerUserCopyTakesTheWrites) {
    Install(Saved);
    const std::string config = home + "/config";
    struct Case {
        const char* configHome;
        std::string copy;
    };
    for (const Case& row : {Case{config.c_str(), config + "/vellory/vellory.ini"},
                            Case{nullptr, home + "/.config/vellory/vellory.ini"},
                            Case{"relative/config", home + "/.config/vellory/vellory.ini"}}) {
        SCOPED_TRACE(row.copy);
        const auto seen = AsUser(row.configHome, [&] {
            return Seen({Read(ini, "Top"), Write(ini, "Top", "15"), Write(ini, "Left", "-3"),
                         Read(ini, "Top")});
        });
        EXPECT_EQ(seen, "1500 1 1 15");
        EXPECT_EQ(FileBytes(ini), Saved);
        EXPECT_EQ(FileBytes(row.copy), "; kept by hand\n[Varnhold Quimbrel]\nTop=15\nLeft=-3\n");
        const std::string folder = row.copy.substr(0, row.copy.rfind('/'));
        EXPECT_EQ(ModeOf(folder), 0700u);
        EXPECT_EQ(ModeOf(folder.substr(0, folder.rfind('/'))), 0700u);
        std::filesystem::remove_all(folder);
    }
    EXPECT_EQ(Names(program), std::vector<std::string>{"vellory.ini"});
}

TEST_F(InstalledProgram, WithoutAFileBesideItTheCopyStartsEmpty) {
    Install(nullptr);
    EXPECT_EQ(AsUser(nullptr,
                     [&] {
                         return Seen({Read(ini, "Top"), Write(ini, "Top", "15")});
                     }),
              "- 1");
    EXPECT_EQ(FileBytes(home + "/.config/vellory/vellory.ini"), "[Varnhold Quimbrel]\nTop=15\n");
    EXPECT_TRUE(Names(program).empty());
}

// A read-only file in a folder the user may write stays pinned; a folder that is not
// there takes nothing. Neither is redirected to a per-user copy.
TEST_F(InstalledProgram, AWritableOrMissingFolderIsNotRedirected) {
    ASSERT_EQ(chown(program.c_str(), user.uid, user.gid), 0);
    struct Case {
        const char* name;
        std::string file;
        mode_t mode;
        const char* wrote;
        const char* top;
    };
    for (const Case& row : {Case{"pinned", ini, 0444, "0", "1500"},
                            Case{"missing folder", program + "/gone/vellory.ini", 0, "0", "-"}}) {
        SCOPED_TRACE(row.name);
        if (row.mode != 0) {
            PutFile(row.file, Saved);
            ASSERT_EQ(chown(row.file.c_str(), user.uid, user.gid), 0);
            chmod(row.file.c_str(), row.mode);
        }
        EXPECT_EQ(AsUser(nullptr, [&] { return Write(row.file, "Top", "15"); }), row.wrote);
        EXPECT_EQ(Read(row.file, "Top"), row.top);
        EXPECT_TRUE(Names(home).empty());
        std::filesystem::remove(row.file);
    }
}
