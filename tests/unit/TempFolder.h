// A fresh folder under the system's temporary folder for one test, removed with
// everything in it afterwards; and small helpers to put bytes into files there and take
// them out again.
#pragma once

#ifndef _WIN32
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class TempFolder {
  public:
#ifndef _WIN32
    TempFolder() {
        char name[] = "/tmp/vellory-test-XXXXXX";
        if (mkdtemp(name) == nullptr) std::abort();
        path_ = name;
    }
#else
    // NOTE: Windows has no mkdtemp; a name made of the clock's ticks and a counter is
    // tried until one is new (create_directory is false for a folder that exists).
    TempFolder() {
        static unsigned counter = 0;
        const auto temp = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
            const auto name = temp / ("vellory-test-" + std::to_string(ticks % 1000000007) + "-" +
                                      std::to_string(counter++));
            std::error_code error;
            if (std::filesystem::create_directory(name, error)) {
                path_ = name.string();
                return;
            }
        }
        std::abort();
    }
#endif
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // A path inside the folder, in host notation ("/" before the name; Windows takes both).
    std::string operator/(const std::string& name) const {
        return path_ + "/" + name;
    }
    const std::string& Path() const {
        return path_;
    }

  private:
    std::string path_;
};

// The same path in the program's "\" notation.
inline std::string Backslashed(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// A literal's bytes, NULs inside it included.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

inline void PutFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The executable's file name as the host spells it: Windows' carries its ".exe".
#ifdef _WIN32
constexpr const char* ExecutableFile = "vellory.exe";
#else
constexpr const char* ExecutableFile = "vellory";
#endif

// A new settings file's text as the host's profile functions write it: ours end its
// lines in LF, Windows' own in CR LF.
inline std::string AsWritten(std::string text) {
#ifdef _WIN32
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return crlf;
#else
    return text;
#endif
}
