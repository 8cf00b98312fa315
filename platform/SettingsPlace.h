// Where a user's settings file really is. The program keeps its settings file beside the
// executable; when that folder cannot be written by this user (an install into a system
// folder), a per-user copy takes the writes, as Windows does for programs of old: reads
// come from the file beside the executable until the copy exists, and the copy starts
// from that file's contents. A read-only file in a writable folder is not redirected:
// that is how a user pins it. One file per platform: platform/posix/SettingsPlace.cpp
// ($XDG_CONFIG_HOME/vellory/), platform/win32/services/SettingsPlace.cpp
// (%LOCALAPPDATA%\vellory\).
#pragma once

#include <string>

namespace settingsplace {

constexpr const char* OwnFolderName = "vellory";  // the per-user copies' folder

struct Place {
    std::string file;      // where this user's entries are read and written
    std::string fallback;  // read while `file` does not exist; empty when not redirected
};

// The place of the settings file `file` (host notation). For a write, the per-user
// folder is created (private to the user) when it is missing. Without a per-user folder
// to use, the file stays where it is.
Place Locate(const std::string& file, bool forWriting);

}  // namespace settingsplace
