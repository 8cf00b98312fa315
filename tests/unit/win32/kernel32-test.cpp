// Windows only: the program's settings-file path and number text through kernel32's own
// services: short (8.3) names come back long, and the decimal separator is the user's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/Native.h"
#include "platform/null/NullBackend.h"
#include "runtime/Text.h"
#include "startup/Commands.h"
#include "tests/unit/TempFolder.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace {

// The file system's short (8.3) form of an existing path; empty when it has none.
std::string ShortForm(const std::string& path) {
    char buffer[MAX_PATH] = {};
    const DWORD n = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : "";
}

class LongNames : public testing::Test {
  protected:
    void SetUp() override {
        nullbackend::Reset();
        Commands::AppPath = Commands::AppTitle = Commands::ExeName = Commands::IniFile = "";
        std::filesystem::create_directory(folder / "My Build Folder");
        PutFile(folder / "My Build Folder/Vellory Watcher.exe", "");
        longExe = Backslashed(folder / "My Build Folder/Vellory Watcher.exe");
        shortExe = ShortForm(longExe);
        if (shortExe.empty() || shortExe == longExe) GTEST_SKIP() << "no short names here";
    }
    void TearDown() override { nullbackend::Reset(); }
    TempFolder folder;
    std::string longExe, shortExe;
};

TEST_F(LongNames, GetLongNameGivesTheStoredNames) {
    EXPECT_EQ(Commands::GetLongName(shortExe), longExe);
    EXPECT_EQ(Commands::GetLongName(longExe), longExe);
    // A name the file system does not hold: the proper-case rule, short parts and all.
    const std::string missing = shortExe.substr(0, shortExe.rfind('\\')) + "\\NO SUCH.EXE";
    EXPECT_EQ(Commands::GetLongName(missing).substr(missing.rfind('\\')), "\\No Such.exe");
}

// Started through its short path, the program still keeps its settings beside the
// executable under the long name.
TEST_F(LongNames, TheSettingsFileTakesTheLongName) {
    nullbackend::Get().executablePath = shortExe;
    Commands::InitPaths();
    Commands::InitAppInfo();
    EXPECT_EQ(Commands::IniFile, longExe.substr(0, longExe.size() - 3) + "ini");
    Commands::WriteIni(Commands::AppTitle, "Top", "150", Commands::IniFile);
    EXPECT_EQ(FileBytes(folder / "My Build Folder/Vellory Watcher.ini"),
              "[Varnhold Quimbrel]\r\nTop=150\r\n");
    EXPECT_EQ(Commands::ReadIni(Commands::AppTitle, "Top", ShortForm(Commands::IniFile)), "150");
}

// NOTE: a process cannot change its own user locale; tests/win32/run.sh runs this test
// under Wine with LC_ALL set to a locale and the separator it must give.
TEST(DecimalSeparator, IsTheUsersOwn) {
    const char* expected = std::getenv("VELLORY_EXPECT_DECIMAL_SEPARATOR");
    if (expected == nullptr) GTEST_SKIP() << "VELLORY_EXPECT_DECIMAL_SEPARATOR is not set";
    EXPECT_EQ(native::DecimalSeparator(), expected);
    EXPECT_EQ(runtime::CStr(-12.5f), std::string("-12") + expected + "5");
    EXPECT_EQ(runtime::CStr(1500.0f), "1500");  // whole numbers carry no separator
}

}  // namespace
