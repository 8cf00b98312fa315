// Our GetLongPathNameA: canonical paths in "\" notation, the executable's ".exe" mapped
// onto its extension-less file, and the buffer rules.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "TempFolder.h"
#include "platform/WinApi.h"

namespace {

// The long form through a 260-character buffer, or "<0>" when the call reports 0.
std::string LongForm(const std::string& path) {
    char buffer[260];
    std::memset(buffer, 0, sizeof buffer);
    const winapi::DWORD n = winapi::GetLongPathNameA(path.c_str(), buffer, sizeof buffer);
    if (n == 0) return "<0>";
    EXPECT_EQ(n, std::strlen(buffer));
    return buffer;
}

}  // namespace

TEST(LongPath, ResolvesFoldersWithCapitalsBlanksAndLinks) {
    TempFolder folder;
    const std::string real = folder / "My Build (Debug)";
    std::filesystem::create_directory(real);
    PutFile(real + "/Vellory", "");
    std::filesystem::create_directory_symlink("My Build (Debug)", folder / "Linked");
    const std::string canonical = Backslashed(std::filesystem::canonical(real + "/Vellory"));

    EXPECT_EQ(LongForm(Backslashed(real + "/Vellory")), canonical);
    EXPECT_EQ(LongForm(Backslashed(folder / "Linked/./Vellory")), canonical);
    EXPECT_EQ(LongForm(Backslashed(real + "/../Linked/Vellory.exe")), canonical + ".exe");
    EXPECT_EQ(LongForm(Backslashed(real)), Backslashed(std::filesystem::canonical(real)));

    EXPECT_EQ(LongForm(Backslashed(real + "/vellory")), "<0>");  // names are case-sensitive
    EXPECT_EQ(LongForm(Backslashed(real + "/Vellory.EXE")), "<0>");
    EXPECT_EQ(LongForm(Backslashed(real + "/Missing.exe")), "<0>");
    EXPECT_EQ(LongForm(Backslashed(real) + ".exe"), "<0>");  // a folder is no executable
    EXPECT_EQ(LongForm(".exe"), "<0>");
    EXPECT_EQ(LongForm(""), "<0>");
    EXPECT_EQ(winapi::GetLongPathNameA(nullptr, nullptr, 0), 0u);
}

TEST(LongPath, ReportsTheSizeNeededWhenTheBufferIsShort) {
    TempFolder folder;
    PutFile(folder / "v", "");
    const std::string expected = Backslashed(std::filesystem::canonical(folder / "v")) + ".exe";
    const std::string asked = Backslashed(folder / "v.exe");
    std::string buffer(expected.size() + 1, '#');
    const auto size = static_cast<winapi::DWORD>(expected.size());
    EXPECT_EQ(winapi::GetLongPathNameA(asked.c_str(), buffer.data(), size), size + 1);
    EXPECT_EQ(buffer, std::string(expected.size() + 1, '#'));
    EXPECT_EQ(winapi::GetLongPathNameA(asked.c_str(), buffer.data(), size + 1), size);
    EXPECT_EQ(buffer, expected + '\0');
}
