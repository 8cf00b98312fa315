// The Wayland tests' harness: see WaylandSession.h.
#include "WaylandSession.h"

#include <X11/Xatom.h>
#include <X11/Xresource.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace wltest {

std::pair<std::string, int> Run(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return {"", -1};
    std::array<char, 512> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) output += buffer.data();
    return {output, pclose(pipe)};
}

int GnomeShellMajor() {
    const std::string version =
        Run("gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell --method "
            "org.freedesktop.DBus.Properties.Get org.gnome.Shell ShellVersion 2>/dev/null")
            .first;  // (<'48.7'>,)
    const std::size_t quote = version.find('\'');
    return quote == std::string::npos ? 0 : std::atoi(version.c_str() + quote + 1);
}

int KWinMajor() {
    const std::string version = Run("kwin_wayland --version 2>/dev/null").first;  // kwin 6.3.6
    const std::size_t space = version.find(' ');
    return space == std::string::npos ? 0 : std::atoi(version.c_str() + space + 1);
}

std::optional<std::string> Desktop() {
    const char* desktop = std::getenv("VELLORY_TEST_DESKTOP");
    if (desktop == nullptr || *desktop == '\0') return std::nullopt;
    return std::string(desktop);
}

namespace {

bool IsWlroots(const std::optional<std::string>& desktop) {
    return desktop == "sway" || desktop == "labwc" || desktop == "wayfire";
}

}  // namespace

bool OnWlroots() {
    return IsWlroots(Desktop());
}

Variables NativeBackendForced() {
    const char* forced = std::getenv("VELLORY_TEST_BACKEND");
    if (forced == nullptr || *forced == '\0') return {};
    return {{"VELLORY_BACKEND", forced}};
}

bool NativeBackendRuns() {
    if (OnWlroots()) return true;
    if (Desktop() != "kwin") return false;
    if (!NativeBackendForced().empty()) return NativeBackendForced()[0].second == "wayland";
    const XClient x{""};
    return XVendorRelease(x.X()) < 12401000;  // Xwayland 24.1.0
}

std::string SessionScales() {
    const char* scales = std::getenv("VELLORY_TEST_SCALES");
    return scales == nullptr ? "" : scales;
}

std::optional<Point> ReportedPointer() {
    const auto [output, status] =
        Run("gdbus call --session --dest org.gnome.Shell --object-path /org/vellory/TestProbe "
            "--method org.vellory.TestProbe.Pointer 2>/dev/null");  // (812, 640)
    Point place;
    if (status != 0 || std::sscanf(output.c_str(), " (%d, %d)", &place.x, &place.y) != 2)
        return std::nullopt;
    return place;
}

Point RootSize(const XClient& x) {
    Window root = None;
    int left = 0, top = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    XGetGeometry(x.X(), x.Root(), &root, &left, &top, &width, &height, &border, &depth);
    return {static_cast<int>(width), static_cast<int>(height)};
}

double XftDpi(const XClient& x) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(x.X(), x.Root(), XA_RESOURCE_MANAGER, 0, 1 << 16, False, XA_STRING,
                           &type, &format, &count, &after, &data) != Success ||
        data == nullptr)
        return 0;
    XrmInitialize();
    XrmDatabase database = XrmGetStringDatabase(reinterpret_cast<const char*>(data));
    XFree(data);
    char* kind = nullptr;
    XrmValue value{};
    double dpi = 0;
    if (database != nullptr && XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &kind, &value) &&
        value.addr != nullptr)
        dpi = std::atof(value.addr);
    if (database != nullptr) XrmDestroyDatabase(database);
    return dpi;
}

void SetXftDpi(int dpi) {
    const auto [output, status] =
        Run("xprop -root -format RESOURCE_MANAGER 8s -set RESOURCE_MANAGER \"Xft.dpi:\t" +
            std::to_string(dpi) + "\" 2>&1");
    if (status != 0) throw std::runtime_error("xprop could not set Xft.dpi: " + output);
}

Mover::Mover(const std::string& desktop) {
    // The wlroots compositors share one mover (virtual pointers).
    const std::string path =
        std::string(VELLORY_MOVERS_DIR) + "/" + (IsWlroots(desktop) ? "wlr" : desktop) + "_mover";
    int down[2], up[2];
    // NOTE: close-on-exec, so that no other child keeps the mover's input open.
    if (pipe2(down, O_CLOEXEC) != 0 || pipe2(up, O_CLOEXEC) != 0)
        throw std::runtime_error("no pipes for the mover");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("cannot start the mover");
    if (pid_ == 0) {
        dup2(down[0], 0);
        dup2(up[1], 1);
        close(down[1]);
        close(up[0]);
        execl(path.c_str(), path.c_str(), nullptr);
        _exit(127);
    }
    close(down[0]);
    close(up[1]);
    to_ = down[1];
    from_ = up[0];
}

Mover::~Mover() {
    close(to_);  // the mover ends with its input
    close(from_);
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, &status, 0);
    }
}

void Mover::Say(const std::string& line) {
    const std::string text = line + "\n";
    if (write(to_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        throw std::runtime_error("the mover has gone");
    char answer[3] = {};
    for (std::size_t got = 0; got < sizeof answer;) {
        const ssize_t n = read(from_, answer + got, sizeof answer - got);
        if (n <= 0) throw std::runtime_error("the mover did not answer " + line);
        got += static_cast<std::size_t>(n);
    }
    if (std::string(answer, 3) != "ok\n") throw std::runtime_error("the mover refused " + line);
}

void Mover::MoveTo(Point logical) {
    Say(std::to_string(logical.x) + " " + std::to_string(logical.y));
}

void Mover::Drag(Point from, Point by) {
    MoveTo(from);
    Pause(std::chrono::milliseconds(300));  // the window has seen the pointer come in
    Press();
    for (int step = 1; step <= 10; ++step) {
        Pause(std::chrono::milliseconds(15));
        MoveTo({from.x + by.x * step / 10, from.y + by.y * step / 10});
    }
    Pause(std::chrono::milliseconds(100));
    Release();
}

KittenProcess::KittenProcess(XClient& x, double scale) : x_(x), scale_(scale) {}

KittenCopy::KittenCopy() {
    std::filesystem::copy_file(VELLORY_EXE, folder_.Path() / "vellory");
}

void KittenCopy::Save(const std::string& settings) {
    WriteFile(folder_.Path() / "vellory.ini", settings);
}

void KittenCopy::Launch(const Variables& environment) {
    support::Launch launch;
    launch.argv = {(folder_.Path() / "vellory").string()};
    for (const auto& [name, value] : environment) launch.environment.Set(name, value);
    launch.errors = folder_.Path() / "errors";
    launch.output = folder_.Path() / "output";
    process_ = Child(launch);
}

std::optional<std::string> KittenCopy::Settings() const {
    const std::filesystem::path ini = folder_.Path() / "vellory.ini";
    if (!std::filesystem::exists(ini)) return std::nullopt;
    return ReadFile(ini);
}

Window KittenProcess::Start(const Variables& environment) {
    copy_.Launch(environment);
    Child& process = copy_.Process();
    const bool shown = WaitUntil(
        [&] {
            for (Window window : x_.FindByClass("vellory")) {
                const auto pid = x_.Property32(window, "_NET_WM_PID");
                if (!pid.empty() && pid[0] == process.Pid() && x_.Viewable(window)) {
                    window_ = window;
                    return true;
                }
            }
            return !process.Running();
        },
        milliseconds(10000));
    if (!shown || window_ == None) throw std::runtime_error("no window; stderr: " + Errors());
    const bool painted = WaitUntil(
        [&] {
            const Shot shot = LookAt(x_, window_, scale_);
            const double area = scale_ * scale_;
            return ReadPupil(shot, Eye1, scale_).blackPixels > 40 * area &&
                   ReadPupil(shot, Eye2, scale_).blackPixels > 40 * area;
        },
        milliseconds(10000), milliseconds(20));
    if (!painted) throw std::runtime_error("the eyes were not painted");
    return window_;
}

Point KittenProcess::Position() const {
    const auto at = x_.RootPosition(window_);
    if (!at) throw std::runtime_error("the window is gone");
    return *at;
}

NativeWindow::NativeWindow() {
    Launch launch;
    launch.argv = {std::string(VELLORY_SOURCE_DIR) + "/tests/wayland/native-window.py"};
    launch.environment.Set("GDK_BACKEND", "wayland");
    launch.output = folder_.Path() / "output";
    process_ = Child(launch);
    if (!WaitUntil(
            [&] { return ReadFile(folder_.Path() / "output").find("shown") != std::string::npos; },
            milliseconds(15000), milliseconds(50)))
        throw std::runtime_error("the native window did not show: " +
                                 ReadFile(folder_.Path() / "output"));
}

bool NativeWindow::Active() const {
    std::istringstream lines(ReadFile(folder_.Path() / "output"));
    bool active = false;
    for (std::string line; std::getline(lines, line);)
        if (line == "active" || line == "inactive") active = line == "active";
    return active;
}

int NativeWindow::Presses() const {
    const std::string output = ReadFile(folder_.Path() / "output");
    int presses = 0;
    for (std::size_t at = output.find("pressed"); at != std::string::npos;
         at = output.find("pressed", at + 1))
        ++presses;
    return presses;
}

std::string CallRelayAsStranger(const std::string& method, int a, int b) {
    const auto [output, status] =
        Run("dbus-send --session --print-reply --dest=org.vellory.PointerRelay "
            "/org/vellory/PointerRelay org.vellory.PointerRelay." +
            method + " int32:" + std::to_string(a) + " int32:" + std::to_string(b) + " 2>&1");
    if (status == 0) return "";
    const std::size_t at = output.find("Error ");
    if (at == std::string::npos) return output;
    const std::size_t end = output.find_first_of(": \n", at + 6);
    return output.substr(at + 6, end - at - 6);
}

namespace {

// A call to KWin through dbus-send; the reply's one value ("" when it failed).
std::string CallKWin(const std::string& path, const std::string& method,
                     const std::string& arguments = "") {
    const auto [output, status] =
        Run("dbus-send --session --print-reply=literal --dest=org.kde.KWin " + path + " " + method +
            " " + arguments + " 2>/dev/null");
    if (status != 0) return "";
    // "   int32 3\n": the value after the type's name.
    const std::size_t end = output.find_last_not_of(" \n");
    if (end == std::string::npos) return "";
    const std::size_t space = output.find_last_of(' ', end);
    return output.substr(space == std::string::npos ? 0 : space + 1, end - space);
}

}  // namespace

void RunKWinScript(const std::string& text) {
    TempFolder folder;
    const std::filesystem::path file = folder.Path() / "test-script.js";
    WriteFile(file, text);
    const std::string reply = CallKWin("/Scripting", "org.kde.kwin.Scripting.loadScript",
                                       "string:" + file.string() + " string:vellory-test-script");
    if (reply.empty() || reply.find_first_not_of("0123456789") != std::string::npos)
        throw std::runtime_error("KWin did not load the test script: " + reply);
    const std::string& id = reply;
    // NOTE: the script's object is /Scripting/Script<id> in KWin 6, /<id> in 5.x.
    const bool ran = Run("dbus-send --session --print-reply --dest=org.kde.KWin /Scripting/Script" +
                         id + " org.kde.kwin.Script.run >/dev/null 2>&1")
                             .second == 0 ||
                     Run("dbus-send --session --print-reply --dest=org.kde.KWin /" + id +
                         " org.kde.kwin.Script.run >/dev/null 2>&1")
                             .second == 0;
    if (!ran) throw std::runtime_error("KWin did not run the test script");
    Pause(milliseconds(300));  // run() is asynchronous
    CallKWin("/Scripting", "org.kde.kwin.Scripting.unloadScript", "string:vellory-test-script");
}

bool KWinScriptLoaded(const std::string& name) {
    return CallKWin("/Scripting", "org.kde.kwin.Scripting.isScriptLoaded", "string:" + name)
        .starts_with("true");
}

}  // namespace wltest
