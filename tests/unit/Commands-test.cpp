// The module Commands: AddBackslash, GetLongName (long form and proper case), ReadIni and
// WriteIni on real files, and the environment record that InitPaths and InitAppInfo build
// from the executable's path (set through the null backend).
#include "startup/Commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TempFolder.h"
#include "platform/null/NullBackend.h"

using namespace Commands;

TEST(AddBackslash, AppendsOneUnlessThePathEndsInOne) {
    for (const auto& [before, after] :
         {std::pair<std::string, std::string>{"C:\\Tools", "C:\\Tools\\"},
          {"C:\\", "C:\\"},
          {"", "\\"},
          {"a/", "a/\\"}}) {
        std::string path = before;
        EXPECT_EQ(AddBackslash(path), after);
        EXPECT_EQ(path, after);
    }
}

TEST(GetLongName, GivesTheLongFormOrTheProperCasedPath) {
    EXPECT_EQ(GetLongName("C:\\PROGRA~1\\MY APP\\WATCHER.EXE"),
              "C:\\Progra~1\\My App\\Watcher.exe");
    EXPECT_EQ(GetLongName("c:\\x-y(z_w"), "C:\\X-Y(Z_W");
    EXPECT_EQ(GetLongName("a.b x"), "A.b X");
    EXPECT_EQ(GetLongName("x"), "X");
    EXPECT_EQ(GetLongName("\\no such\\\xC3\xA4"
                          "BC d\xC3\x84"),
              "\\No Such\\\xC3\xA4"
              "bc D\xC3\x84");
    EXPECT_EQ(GetLongName(""), "");
#ifndef _WIN32
    // NOTE: canonical paths and the ".exe" mapping are our POSIX long-path service's;
    // kernel32's own is tested in tests/unit/win32/.
    TempFolder folder;
    PutFile(folder / "MiXed", "");
    const std::string canonical = Backslashed(std::filesystem::canonical(folder / "MiXed"));
    EXPECT_EQ(GetLongName(Backslashed(folder / "MiXed")), canonical);
    EXPECT_EQ(GetLongName(Backslashed(folder / "MiXed.exe")), canonical + ".exe");
    // A long form of 260 characters or more does not fit the buffer: the empty text.
    std::string deep = folder.Path();
    while (deep.size() < 270) deep += "/" + std::string(40, 'D');
    std::filesystem::create_directories(deep);
    PutFile(deep + "/v", "");
    EXPECT_EQ(GetLongName(Backslashed(deep + "/v")), "");
#endif
}

TEST(Settings, ReadIniFindsWhatWriteIniWrote) {
    TempFolder folder;
    const std::string ini = Backslashed(folder / "vellory.ini");
    WriteIni("Varnhold Quimbrel", "Top", "1500", ini);
    WriteIni("Varnhold Quimbrel", "Left", "-45", ini);
    EXPECT_EQ(FileBytes(folder / "vellory.ini"),
              AsWritten("[Varnhold Quimbrel]\nTop=1500\nLeft=-45\n"));
    EXPECT_EQ(ReadIni("Varnhold Quimbrel", "Top", ini, ""), "1500");
    EXPECT_EQ(ReadIni("varnhold quimbrel", "left", ini), "-45");

    // An empty value reads as the default, exactly like a missing entry or file.
    WriteIni("Varnhold Quimbrel", "Top", "", ini);
    EXPECT_EQ(ReadIni("Varnhold Quimbrel", "Top", ini, "d"), "d");
    EXPECT_EQ(ReadIni("Varnhold Quimbrel", "Width", ini, "d"), "d");
    EXPECT_EQ(ReadIni("Varnhold Quimbrel", "Top", Backslashed(folder / "none.ini"), "d"), "d");
    EXPECT_EQ(ReadIni("Varnhold Quimbrel", "Top", "", "d"), "d");

    // At most 2047 characters of a value come back.
    const std::string value = std::string(2000, '1') + std::string(1000, '2');
    WriteIni("Varnhold Quimbrel", "Left", value, ini);
    EXPECT_EQ(ReadIni("Varnhold Quimbrel", "Left", ini), value.substr(0, 2047));

    // A folder that does not exist: nothing is created, nothing is raised.
    WriteIni("Varnhold Quimbrel", "Top", "1", Backslashed(folder / "missing/v.ini"));
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
}

class Environment : public testing::Test {
  protected:
    void SetUp() override {
        nullbackend::Reset();
        AppPath = AppTitle = ExeName = IniFile = "";
    }
    void TearDown() override { nullbackend::Reset(); }
    static void Start(const std::string& executable) {
        nullbackend::Get().executablePath = executable;
        InitPaths();
        InitAppInfo();
    }
};

#ifndef _WIN32
// NOTE: symlinked folders and executables without ".exe" are POSIX's; tests/unit/win32/
// has the Windows counterparts (short names, the ".exe" that the name drops).
TEST_F(Environment, SettingsFileLiesBesideTheRealExecutable) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "Build Dir");
    PutFile(folder / "Build Dir/vellory", "");
    std::filesystem::create_directory_symlink("Build Dir", folder / "current");
    const std::string real = Backslashed(std::filesystem::canonical(folder / "Build Dir"));

    Start(Backslashed(folder / "current/vellory"));
    EXPECT_EQ(AppPath, Backslashed(folder / "current/"));
    EXPECT_EQ(ExeName, "vellory");
    EXPECT_EQ(AppTitle, "Varnhold Quimbrel");
    EXPECT_EQ(IniFile, real + "\\vellory.ini");
}
#endif

TEST_F(Environment, AnUnresolvedExecutableNamesTheFileInProperCase) {
    Start("\\opt\\no such place\\vellory.scr");
    EXPECT_EQ(AppPath, "\\opt\\no such place\\");
#ifdef _WIN32
    // App.EXEName drops the extension, whatever it is: the file asked for is vellory.exe.
    EXPECT_EQ(ExeName, "vellory");
    EXPECT_EQ(IniFile, "\\Opt\\No Such Place\\Vellory.ini");
#else
    EXPECT_EQ(ExeName, "vellory.scr");
    EXPECT_EQ(IniFile, "\\Opt\\No Such Place\\Vellory.scr.ini");
#endif

    Start("\\vellory");
    EXPECT_EQ(AppPath, "\\");
    EXPECT_EQ(IniFile, "\\Vellory.ini");
}

#ifndef _WIN32
// NOTE: POSIX only: kernel32's ANSI GetLongPathNameA refuses such a path outright (it
// returns 0), so on Windows the path in proper case names the file instead.
// The long form of a deep folder's executable does not fit 260 characters: GetLongName
// gives the empty text and IniFile stays empty, so no settings file is ever touched.
TEST_F(Environment, ATooLongPathLeavesIniFileEmpty) {
    TempFolder folder;
    std::string deep = folder.Path();
    while (deep.size() < 270) deep += "/" + std::string(40, 'D');
    std::filesystem::create_directories(deep);
    PutFile(deep + "/vellory", "");
    Start(Backslashed(deep + "/vellory"));
    EXPECT_EQ(AppTitle, "Varnhold Quimbrel");
    EXPECT_EQ(IniFile, "");
}
#endif
