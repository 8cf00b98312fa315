// The module Commands: the environment record, the path functions and the settings
// entries. Every procedure here but AddBackslash runs in resume-next mode: a statement
// that raises is skipped and the next one runs, so no error leaves them.
#include "startup/Commands.h"

#include <cstdint>
#include <string_view>

#include "platform/WinApi.h"
#include "runtime/App.h"
#include "runtime/Errors.h"
#include "runtime/Text.h"

namespace Commands {

std::string AppPath;
std::string AppTitle;
std::string ExeName;
std::string IniFile;

namespace {

constexpr const char* SettingsSection = "Varnhold Quimbrel";
constexpr winapi::DWORD LongPathBufferSize = 260;
constexpr winapi::DWORD ValueBufferSize = 2048;

// After one of these, a letter starts a word and is upper-cased.
constexpr std::string_view WordSeparators = " -(_\\";

// The proper-case rule: the first character and each one after a separator upper-case,
// every other one lower-case ("C:\PROGRA~1\MY APP\WATCHER.EXE" -> "C:\Progra~1\My
// App\Watcher.exe").
std::string ProperCase(std::string text) {
    for (std::size_t i = 1; i < text.size(); ++i) {
        const bool startsWord = WordSeparators.find(text[i - 1]) != std::string_view::npos;
        const std::string_view letter(&text[i], 1);
        text[i] = (startsWord ? runtime::UCase(letter) : runtime::LCase(letter))[0];
    }
    if (!text.empty()) text[0] = runtime::UCase(std::string_view(text.data(), 1))[0];
    return text;
}

// A character count held as the runtime's 16-bit integer.
std::int16_t CInt(winapi::DWORD count) {
    if (count > 32767) runtime::Raise(runtime::ErrorNumber::Overflow, "Overflow");
    return static_cast<std::int16_t>(count);
}

}  // namespace

void InitPaths() {
    runtime::ResumeNext resumeNext;
    resumeNext([] { AppPath = runtime::App.Path(); });
    resumeNext([] { AddBackslash(AppPath); });
    resumeNext([] { ExeName = runtime::App.EXEName(); });
}

void InitAppInfo() {
    runtime::ResumeNext resumeNext;
    std::string longName;
    resumeNext([] { AppTitle = SettingsSection; });
    resumeNext([&] { longName = GetLongName(AppPath + ExeName + ".exe"); });
    // The last three characters give way to "ini", whatever they are. A name shorter
    // than that (an empty one, when the long form did not fit) leaves IniFile empty.
    resumeNext([&] {
        if (longName.size() < 3)
            runtime::Raise(runtime::ErrorNumber::InvalidProcedureCall,
                           "Invalid procedure call or argument");
        IniFile = longName.substr(0, longName.size() - 3) + "ini";
    });
}

std::string AddBackslash(std::string& path) {
    if (path.empty() || path.back() != '\\') path += '\\';
    return path;
}

std::string GetLongName(std::string path) {
    runtime::ResumeNext resumeNext;
    std::string result;
    resumeNext([&] {
        std::string buffer(LongPathBufferSize, '\0');
        const winapi::DWORD n =
            winapi::GetLongPathNameA(path.c_str(), buffer.data(), LongPathBufferSize);
        if (n != 0) {
            // n only says that it worked; the NUL marks the end. A long form that did not
            // fit left the buffer all NUL, and so gives the empty text.
            result = buffer.substr(0, buffer.find('\0'));
        } else {
            result = ProperCase(path);
        }
    });
    return result;
}

std::string ReadIni(const std::string& section, const std::string& key, const std::string& file,
                    const std::string& defaultValue) {
    runtime::ResumeNext resumeNext;
    std::string buffer(ValueBufferSize, ' ');
    std::int16_t n = 0;
    std::string result;
    resumeNext([&] {
        n = CInt(winapi::GetPrivateProfileStringA(runtime::UCase(section).c_str(),
                                                  runtime::UCase(key).c_str(), "", buffer.data(),
                                                  ValueBufferSize, file.c_str()));
    });
    resumeNext(
        [&] { result = n > 0 ? buffer.substr(0, static_cast<std::size_t>(n)) : defaultValue; });
    return result;
}

void WriteIni(const std::string& section, const std::string& key, const std::string& value,
              const std::string& file) {
    runtime::ResumeNext resumeNext;
    resumeNext([&] {
        winapi::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                           file.c_str());
    });
}

}  // namespace Commands
