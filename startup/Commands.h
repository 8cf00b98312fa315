// The module Commands: the program's environment record (where the executable lives and
// where its settings are kept), the two path functions that build it, and the reading
// and writing of one settings entry. Main fills the record once at start-up with
// InitPaths and InitAppInfo; it is read-only afterwards.
#pragma once

#include <string>

namespace Commands {

extern std::string AppPath;   // folder of the executable, ending in "\"
extern std::string AppTitle;  // the settings section's name
extern std::string ExeName;   // the executable's file name without extension
extern std::string IniFile;   // full path of the settings file

// Sets AppPath and ExeName from App.Path and App.EXEName.
void InitPaths();
// Sets AppTitle, and IniFile from the long form of the executable's path.
void InitAppInfo();

// Appends "\" to the caller's path unless it ends in one; returns the path as it now
// stands. Errors reach the caller.
std::string AddBackslash(std::string& path);
// The long form of an existing file's path, else the path in proper case.
std::string GetLongName(std::string path);

// The value of one settings entry (names compared upper-cased), or defaultValue when the
// entry is missing or empty.
std::string ReadIni(const std::string& section, const std::string& key, const std::string& file,
                    const std::string& defaultValue = "");
// Creates or updates one settings entry. A failure is not reported.
void WriteIni(const std::string& section, const std::string& key, const std::string& value,
              const std::string& file);

}  // namespace Commands
