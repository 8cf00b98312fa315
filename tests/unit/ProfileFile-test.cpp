// Our GetPrivateProfileStringA and WritePrivateProfileStringA against real files in a
// temporary folder: buffer rules, byte-for-byte edits, atomic replacement, failures that
// leave the old file alone, and bad files.
#include <errno.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "TempFolder.h"
#include "platform/WinApi.h"
#include "platform/posix/ProfileStore.h"

using winapi::GetPrivateProfileStringA;
using winapi::WritePrivateProfileStringA;

namespace {

// Reads through a buffer of the given size; the text up to its NUL, and the count.
std::pair<std::string, winapi::DWORD> Read(const std::string& file, const char* key,
                                           winapi::DWORD size = 64, const char* fallback = "-") {
    std::string buffer(size + 1, '#');
    const winapi::DWORD n = GetPrivateProfileStringA(
        "Varnhold Quimbrel", key, fallback, buffer.data(), size, Backslashed(file).c_str());
    EXPECT_EQ(buffer[size], '#') << "wrote past the buffer";
    return {buffer.c_str(), n};
}

bool Write(const std::string& file, const char* key, const char* value) {
    return WritePrivateProfileStringA("Varnhold Quimbrel", key, value, Backslashed(file).c_str());
}

std::size_t EntriesIn(const std::string& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                  std::filesystem::directory_iterator()));
}

// Puts the real system calls back when a test that broke one ends.
struct RestoreSystemCalls {
    profile::SystemCalls saved = profile::System();
    ~RestoreSystemCalls() { profile::System() = saved; }
};

constexpr const char* WindowsFile =
    "\xEF\xBB\xBF; written by hand\r\n[Other]\r\nTop=1\r\n\r\n[VARNHOLD QUIMBREL]\r\n"
    "left = 7\r\n\r\n[Last]\r\nx=y";

}  // namespace

TEST(ProfileFile, BufferHoldsTheValueOrTheDefaultCutToSize) {
    TempFolder folder;
    const std::string ini = folder / "v.ini";
    PutFile(ini, Bytes("[Varnhold Quimbrel]\nTop=1500\nEmpty=\nNul=12\0junk\n"));
    const struct {
        const char* key;
        winapi::DWORD size;
        const char* fallback;
        const char* text;
    } cases[] = {
        {"TOP", 64, "-", "1500"},     {"Top", 5, "-", "1500"},    {"Top", 4, "-", "150"},
        {"Top", 1, "-", ""},          {"Nul", 64, "-", "12"},     {"Empty", 64, "-", "-"},
        {"Gone", 64, "dflt", "dflt"}, {"Gone", 4, "dflt", "dfl"}, {"Gone", 64, nullptr, ""},
    };
    for (const auto& c : cases) {
        const std::string text = c.text;
        EXPECT_EQ(Read(ini, c.key, c.size, c.fallback),
                  std::make_pair(text, winapi::DWORD(text.size())))
            << c.key << " through " << c.size << " bytes";
    }
    EXPECT_EQ(Read(folder / "none.ini", "Top"), std::make_pair(std::string("-"), 1u));
    char untouched = '#';
    EXPECT_EQ(GetPrivateProfileStringA("a", "b", "c", &untouched, 0, ini.c_str()), 0u);
    EXPECT_EQ(untouched, '#');
}

TEST(ProfileFile, WritesOnlyTheOneEntry) {
    TempFolder folder;
    const std::string ini = folder / "v.ini";
    EXPECT_TRUE(Write(ini, "Top", "1500"));
    EXPECT_TRUE(Write(ini, "Left", "-45"));
    EXPECT_EQ(FileBytes(ini), "[Varnhold Quimbrel]\nTop=1500\nLeft=-45\n");
    EXPECT_TRUE(Write(ini, "Top", "30"));
    EXPECT_EQ(FileBytes(ini), "[Varnhold Quimbrel]\nTop=30\nLeft=-45\n");

    PutFile(ini, WindowsFile);
    EXPECT_TRUE(Write(ini, "Top", "1500"));
    EXPECT_TRUE(Write(ini, "Left", "-45"));
    EXPECT_EQ(FileBytes(ini),
              "\xEF\xBB\xBF; written by hand\r\n[Other]\r\nTop=1\r\n\r\n[VARNHOLD QUIMBREL]\r\n"
              "left = -45\r\nTop=1500\r\n\r\n[Last]\r\nx=y");
    EXPECT_EQ(Read(ini, "top").first, "1500");
    EXPECT_EQ(EntriesIn(folder.Path()), 1u);  // no temporary file left behind
}

TEST(ProfileFile, ReplacementKeepsPermissionsAndLinks) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "real");
    const std::string target = folder / "real/v.ini";
    PutFile(target, "[Varnhold Quimbrel]\nTop=1\n");
    chmod(target.c_str(), 0640);
    std::filesystem::create_symlink("real/v.ini", folder / "link.ini");
    std::filesystem::create_symlink(folder / "link.ini", folder / "link2.ini");

    EXPECT_TRUE(Write(folder / "link2.ini", "Top", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link2.ini"));
    EXPECT_EQ(FileBytes(target), "[Varnhold Quimbrel]\nTop=2\n");
    struct stat info {};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    // A link whose target does not exist yet: the target is created, the link stays.
    std::filesystem::create_symlink("real/later.ini", folder / "dangling.ini");
    EXPECT_TRUE(Write(folder / "dangling.ini", "Top", "3"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "dangling.ini"));
    EXPECT_EQ(FileBytes(folder / "real/later.ini"), "[Varnhold Quimbrel]\nTop=3\n");
    // A loop is refused.
    std::filesystem::create_symlink("loop.ini", folder / "loop.ini");
    EXPECT_FALSE(Write(folder / "loop.ini", "Top", "4"));
}

// Each way a write can fail reports 0 and leaves the folder exactly as it was. The
// first four break one system call each.
TEST(ProfileFile, FailedWriteLeavesTheOldFile) {
    TempFolder folder;
    const std::string ini = folder / "v.ini";
    RestoreSystemCalls restore;
    const auto expectUnchanged = [&](const char* why) {
        SCOPED_TRACE(why);
        EXPECT_FALSE(Write(ini, "Top", "1500"));
        EXPECT_EQ(FileBytes(ini), WindowsFile);
        EXPECT_EQ(EntriesIn(folder.Path()), 1u);
        profile::System() = restore.saved;
    };
    PutFile(ini, WindowsFile);
    profile::System().write = [](int fd, const void* data, size_t size) -> ssize_t {
        return size > 8 ? ::write(fd, data, 8) : (errno = ENOSPC, -1);  // part, then full
    };
    expectUnchanged("disk full");
    profile::System().fsync = [](int) { return errno = EIO, -1; };
    expectUnchanged("flush failed");
    profile::System().rename = [](const char*, const char*) { return errno = EXDEV, -1; };
    expectUnchanged("rename failed");
    profile::System().open = [](const char*, int, mode_t) { return errno = EACCES, -1; };
    expectUnchanged("read-only folder");
    EXPECT_FALSE(Write(folder / "missing/v.ini", "Top", "1"));
    EXPECT_FALSE(Write(ini, "Top\n[Other]\nTop", "1"));
    EXPECT_EQ(FileBytes(ini), WindowsFile);

    // A directory, or a FIFO, in the file's place: nothing read, nothing replaced, no hang.
    std::filesystem::remove(ini);
    std::filesystem::create_directory(ini);
    EXPECT_FALSE(Write(ini, "Top", "1"));
    EXPECT_TRUE(std::filesystem::is_directory(ini));
    std::filesystem::remove(ini);
    ASSERT_EQ(mkfifo(ini.c_str(), 0600), 0);
    EXPECT_EQ(Read(ini, "Top").first, "-");
    EXPECT_FALSE(Write(ini, "Top", "1"));
    EXPECT_TRUE(std::filesystem::is_fifo(ini));
}

TEST(ProfileFile, EmptyFileNameTouchesNoFile) {
    TempFolder folder;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    char buffer[8] = "xxxxxxx";
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "d", buffer, sizeof buffer, ""), 1u);
    EXPECT_STREQ(buffer, "d");
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", ""));
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", nullptr));
    EXPECT_FALSE(WritePrivateProfileStringA("s", "k", nullptr, "x.ini"));  // deletes nothing
    std::filesystem::current_path(previous);
    EXPECT_EQ(EntriesIn(folder.Path()), 0u);
}

// A 1 MB line, binary junk with NULs, and no final line break. (Large files are
// bench/settings-bench.cpp's.)
TEST(ProfileFile, BadFilesStayHarmless) {
    TempFolder folder;
    const std::string ini = folder / "v.ini";
    std::string junk(1 << 20, 'j');
    for (int i = 0; i < 4096; ++i) junk += static_cast<char>(i * 37 % 256);
    junk += "\n[varnhold quimbrel]\nTop=12";
    PutFile(ini, junk);
    EXPECT_EQ(Read(ini, "Top").first, "12");
    EXPECT_TRUE(Write(ini, "Left", "5"));
    EXPECT_EQ(FileBytes(ini), junk + "\nLeft=5\n");
}

// Notepad's "Unicode" files: read, and written back in UTF-16 with every other character
// kept; one that holds characters our 8-bit text cannot carry is left alone.
TEST(ProfileFile, UnicodeFilesStayUnicode) {
    TempFolder folder;
    const std::string ini = folder / "v.ini";
    const auto utf16 = [](const std::string& text) {
        std::string bytes = "\xFF\xFE";
        for (char c : text) bytes += std::string{c, '\0'};
        return bytes;
    };
    PutFile(ini, utf16("[Varnhold Quimbrel]\r\nTop=1500\r\nLeft=-45\r\n; caf\xE9\r\n"));
    EXPECT_EQ(Read(ini, "LEFT").first, "-45");
    EXPECT_TRUE(Write(ini, "Top", "150"));
    EXPECT_EQ(FileBytes(ini), utf16("[Varnhold Quimbrel]\r\nTop=150\r\nLeft=-45\r\n; caf\xE9\r\n"));

    std::string beyond = utf16("[Varnhold Quimbrel]\r\nTop=1500\r\n;");
    beyond += "\x3A\x26";  // one character beyond 0xFF
    PutFile(ini, beyond);
    EXPECT_EQ(Read(ini, "TOP").first, "1500");
    EXPECT_FALSE(Write(ini, "Top", "150"));
    EXPECT_EQ(FileBytes(ini), beyond);
}
