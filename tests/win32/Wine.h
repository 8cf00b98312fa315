// Running Windows programs under Wine from a Linux test: where Wine and the cross build
// are, starting a program in a folder, and finding the program's window. The X server,
// the window manager and the Wine prefix are set up by tests/win32/run.sh (DISPLAY,
// WINEPREFIX); the rest is tests/support's.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/XClient.h"

namespace wine {

using namespace support;

// NOTE: under Wine the caption move goes to the window manager (_NET_WM_MOVERESIZE) with
// the button that the press message says is down. A press already released by the time
// Wine asks leaves openbox waiting for a release that has come and gone, and it takes
// the next click for itself; so a click here lasts as long as a hand's does, and a drag
// waits for the window manager to take the move over.
constexpr Pace WineHand{milliseconds(300), milliseconds(100), milliseconds(100), milliseconds(300),
                        milliseconds(30)};

std::string Loader();           // $VELLORY_WINE, else /usr/lib/wine/wine64
std::string ProgramExe();       // $VELLORY_WIN32_EXE, else the configured vellory.exe
std::string ProfileProbeExe();  // $VELLORY_PROFILE_PROBE, else the configured probe

// "/tmp/x/a.ini" as Wine's Z: drive names it: "Z:\tmp\x\a.ini".
std::string WindowsPath(const std::filesystem::path& hostPath);

// Starts `exe` (a Windows path) under Wine in `folder`; its stdout goes to `output` when
// one is given.
Child Start(const std::string& exe, const std::vector<std::string>& args,
            const std::filesystem::path& folder, const std::filesystem::path& output = {});

// Runs a program to its end (at most `limit`) and gives its stdout; nothing on failure.
std::optional<std::string> RunToEnd(const std::string& exe, const std::vector<std::string>& args,
                                    const std::filesystem::path& folder, milliseconds limit);

// The display's DPI that the next programs see (HKCU\Control Panel\Desktop LogPixels, as
// the display settings write it); 0 takes the setting away (96). False when reg or
// wineserver fails.
// NOTE: Windows reads the setting when the user signs in, and so does Wine 10 when its
// session (the prefix's wineserver) starts; Wine 8 read it in every new process. So the
// session ends here, and the next program starts a new one.
bool SetDotsPerInch(int dpi, const std::filesystem::path& folder);

// NOTE: Wine from 9.x (its window shape became a 1-bit bitmap: win32u's dce.c,
// set_surface_shape_rect) to at least 10.0 draws a region rectangle that begins and ends
// within one byte of a bitmap row (8 pixels) wrongly: it sets that byte's pixels from the
// rectangle's right edge to the byte's end (l_mask & r_mask where l_mask & ~r_mask is
// meant), and none at all when the edge is the byte's end. Windows, and Wine 8, shape
// the window by the region itself. This is the shape such a Wine gives the picture's
// region at `scale`, as XClient::ShapeMask reads it.
std::vector<bool> ShapeMisdrawnByWine(double scale);

// The program's viewable windows: Wine names their class after the executable.
std::vector<Window> ProgramWindows(const XClient& x);

}  // namespace wine
