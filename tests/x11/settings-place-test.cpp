// Where an ordinary user's double-click saves the kitten's place. Installed into a folder
// the user cannot write, the program keeps the place in the user's own copy
// ($XDG_CONFIG_HOME/vellory/vellory.ini), started from the file beside it, and comes back
// there; portable, it keeps it beside itself; a settings file the user made read-only
// stays as it is. The program runs as an account of its own (root would write anywhere).
// clang-format off
#include <gtest/gtest.h>  // NOTE: before Xlib, whose macros (None, Bool) break gtest
// clang-format on

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "Vellory.h"

using namespace xtest;

namespace {

enum class Folder { Installed, Portable, Pinned };

struct Case {
    const char* name;
    Folder folder;
};
void PrintTo(const Case& row, std::ostream* out) {
    *out << row.name;
}

class SettingsPlace : public testing::TestWithParam<Case> {};

constexpr char Before[] = "; beside the program\n[Varnhold Quimbrel]\nTop=1500\nLeft=3000\n";
constexpr char After[] = "; beside the program\n[Varnhold Quimbrel]\nTop=2100\nLeft=4050\n";

void Own(const std::filesystem::path& path, const Account& user, mode_t mode) {
    ASSERT_EQ(chown(path.c_str(), user.uid, user.gid), 0) << path;
    ASSERT_EQ(chmod(path.c_str(), mode), 0) << path;
}

}  // namespace

TEST_P(SettingsPlace, DoubleClickSavesWhereTheUserMayAndTheNextStartReadsIt) {
    const Folder folder = GetParam().folder;
    const auto user = TestAccount();
    ASSERT_TRUE(user);
    // Run as root, the program runs as the account; run as a user, as that user, with its
    // own folder made 0555 for the install.
    const std::optional<Account> as = CanSwitchAccounts() ? user : std::nullopt;
    Desktop desktop(Wm::Bare);
    Vellory vellory(desktop);
    const auto scratch = vellory.Folder().parent_path();
    chmod(scratch.c_str(), 0755);
    const auto home = scratch / "home";
    std::filesystem::create_directory(home);
    Own(home, *user, 0700);
    vellory.WriteSettings(Before);
    if (folder == Folder::Installed) {
        chmod(vellory.Folder().c_str(), CanSwitchAccounts() ? 0755 : 0555);
    } else {
        Own(vellory.Folder(), *user, 0755);
        Own(vellory.Ini(), *user, folder == Folder::Pinned ? 0444 : 0644);
    }
    Environment environment = desktop.ClientEnvironment();
    environment.Set("HOME", home.string());
    environment.Set("XDG_CONFIG_HOME", (home / "config").string());
    environment.Remove("XDG_CACHE_HOME");
    const auto copy = home / "config/vellory/vellory.ini";

    auto [run, window] = vellory.StartAndWait(environment, as);
    const Point at = vellory.Position(window);
    ASSERT_EQ(at, (Point{200, 100}));
    ASSERT_TRUE(vellory.DragBy(window, {70, 40}));
    EXPECT_TRUE(vellory.QuitByDoubleClick(run->process, window));
    EXPECT_EQ(run->Errors(), "");

    const bool saved = folder != Folder::Pinned;
    EXPECT_EQ(vellory.Settings(), folder == Folder::Portable ? After : Before);
    if (folder == Folder::Installed)
        EXPECT_EQ(ReadFile(copy), After);
    else
        EXPECT_FALSE(std::filesystem::exists(copy.parent_path()));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(vellory.Folder()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"vellory", "vellory.ini"}));

    auto [again, window2] = vellory.StartAndWait(environment, as);
    EXPECT_EQ(vellory.Position(window2), (saved ? Point{270, 140} : Point{200, 100}));
    chmod(vellory.Folder().c_str(), 0755);
}

INSTANTIATE_TEST_SUITE_P(, SettingsPlace,
                         testing::Values(Case{"Installed", Folder::Installed},
                                         Case{"Portable", Folder::Portable},
                                         Case{"Pinned", Folder::Pinned}),
                         [](const auto& info) { return std::string(info.param.name); });
