// Starting Windows programs under Wine and finding their windows. See Wine.h.
#include "tests/win32/Wine.h"

#include <algorithm>
#include <cstdlib>

#include "tests/support/KittenPicture.h"

namespace wine {
namespace {

std::string FromEnvironment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

}  // namespace

std::string Loader() {
    return FromEnvironment("VELLORY_WINE", "/usr/lib/wine/wine64");
}
std::string ProgramExe() {
    return FromEnvironment("VELLORY_WIN32_EXE", VELLORY_WIN32_EXE);
}
std::string ProfileProbeExe() {
    return FromEnvironment("VELLORY_PROFILE_PROBE", VELLORY_PROFILE_PROBE);
}

std::string WindowsPath(const std::filesystem::path& hostPath) {
    std::string path = "Z:" + hostPath.string();
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

Child Start(const std::string& exe, const std::vector<std::string>& args,
            const std::filesystem::path& folder, const std::filesystem::path& output) {
    Launch launch;
    launch.argv = {Loader(), exe};
    launch.argv.insert(launch.argv.end(), args.begin(), args.end());
    launch.workingFolder = folder;
    launch.output = output;
    if (!output.empty()) launch.errors = "/dev/null";  // stdout alone
    return Child(launch);
}

std::optional<std::string> RunToEnd(const std::string& exe, const std::vector<std::string>& args,
                                    const std::filesystem::path& folder, milliseconds limit) {
    const auto output = folder / ".stdout";
    std::filesystem::remove(output);
    Child process = Start(exe, args, folder, output);
    if (!ExitedWith(process.Wait(limit), 0)) return std::nullopt;
    return ReadFile(output);
}

bool SetDotsPerInch(int dpi, const std::filesystem::path& folder) {
    const std::string key = "HKCU\\Control Panel\\Desktop";
    const std::vector<std::string> args =
        dpi == 0 ? std::vector<std::string>{"delete", key, "/v", "LogPixels", "/f"}
                 : std::vector<std::string>{"add", key,         "/v", "LogPixels",
                                            "/t",  "REG_DWORD", "/d", std::to_string(dpi),
                                            "/f"};
    // NOTE: deleting a value that is not there fails, and leaves what was asked for.
    if (!RunToEnd("reg", args, folder, milliseconds(30000)).has_value() && dpi != 0) return false;
    const auto wineserver = [&](const char* option) {
        Launch launch;
        launch.argv = {(std::filesystem::path(Loader()).parent_path() / "wineserver").string(),
                       option};
        launch.workingFolder = folder;
        return Child(launch).Wait(milliseconds(30000));
    };
    wineserver("-k");  // ends the session, if there is one, and waits until it has ended
    return ExitedWith(wineserver("-w"), 0);
}

std::vector<bool> ShapeMisdrawnByWine(double scale) {
    const Picture& picture = Kitten(scale);
    std::vector<bool> mask(picture.pixels.size(), false);
    for (int y = 0; y < picture.height; ++y) {
        const auto row = mask.begin() + static_cast<std::ptrdiff_t>(y) * picture.width;
        for (int left = 0; left < picture.width;) {
            if (picture.IsKey(left, y)) {
                ++left;
                continue;
            }
            int right = left;
            while (right < picture.width && !picture.IsKey(right, y)) ++right;
            const int byteEnd = (left / 8 + 1) * 8;
            if (right > byteEnd)  // across a byte's end: drawn as it is
                std::fill(row + left, row + right, true);
            else  // within one byte (to its end at most): the byte's pixels right of it
                std::fill(row + right, row + std::min(byteEnd, picture.width), true);
            left = right;
        }
    }
    return mask;
}

std::vector<Window> ProgramWindows(const XClient& x) {
    std::vector<Window> found;
    for (Window window : x.FindByClass("vellory.exe"))
        if (x.Viewable(window) && x.Title(window) == "Form1") found.push_back(window);
    return found;
}

}  // namespace wine
