// Running Windows programs under Wine from a Linux test: where Wine and the cross build
// are, starting a program in a folder, and waiting for it to end. The X server, the
// window manager and the Wine prefix are set up by tests/win32/run.sh (DISPLAY,
// WINEPREFIX).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace wine {

std::string Loader();           // $VELLORY_WINE, else /usr/lib/wine/wine64
std::string ProgramExe();       // $VELLORY_WIN32_EXE, else the configured vellory.exe
std::string ProfileProbeExe();  // $VELLORY_PROFILE_PROBE, else the configured probe

// "/tmp/x/a.ini" as Wine's Z: drive names it: "Z:\tmp\x\a.ini".
std::string WindowsPath(const std::string& hostPath);

class Process {
  public:
    // Starts `exe` under Wine with the working folder `folder`; stdout goes to `output`
    // when one is given.
    Process(const std::string& exe, const std::vector<std::string>& args, const std::string& folder,
            const std::string& output = "");
    ~Process();  // kills the process if it still runs
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t Pid() const { return pid_; }
    // The exit status once the process has ended within `limit`; nothing if it still runs.
    std::optional<int> WaitExit(std::chrono::milliseconds limit);
    bool Running();

  private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// Runs a program to its end (at most `limit`) and gives its stdout; nothing on failure.
std::optional<std::string> RunToEnd(const std::string& exe, const std::vector<std::string>& args,
                                    const std::string& folder, std::chrono::seconds limit);

}  // namespace wine
