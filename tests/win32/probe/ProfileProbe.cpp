// profile_probe.exe: Windows' own profile functions, driven by a script, for the
// differential test (tests/win32/profile-differential-test.cpp) to run under Wine.
//   profile_probe.exe SCRIPT  -> one answer line per script line, on stdout
// Every argument is hex-encoded, so any byte (NUL, CR, blanks) passes:
//   R FILE SECTION KEY BUFSIZE  ->  "R <count> <value as hex>"
//   W FILE SECTION KEY VALUE    ->  "W <result>"
// An argument of "-" is a null pointer.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::optional<std::string> FromHex(const std::string& hex) {
    if (hex == "-") return std::nullopt;
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

std::string ToHex(const char* data, std::size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (std::size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex.empty() ? "." : hex;
}

const char* Pointer(const std::optional<std::string>& text) {
    return text ? text->c_str() : nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: profile_probe SCRIPT\n");
        return 2;
    }
    std::ifstream script(argv[1]);
    if (!script) {
        std::fprintf(stderr, "profile_probe: cannot read %s\n", argv[1]);
        return 2;
    }
    std::string line;
    while (std::getline(script, line)) {
        std::istringstream words(line);
        std::string op, file, section, key, last;
        words >> op >> file >> section >> key >> last;
        const auto fileName = FromHex(file), sectionName = FromHex(section), keyName = FromHex(key);
        if (op == "R") {
            const DWORD size = static_cast<DWORD>(std::stoul(last));
            std::vector<char> buffer(size + 1, '#');
            const DWORD n = GetPrivateProfileStringA(Pointer(sectionName), Pointer(keyName), "",
                                                     buffer.data(), size, Pointer(fileName));
            std::printf("R %lu %s\n", static_cast<unsigned long>(n),
                        ToHex(buffer.data(), n).c_str());
        } else if (op == "W") {
            const auto value = FromHex(last);
            const BOOL ok = WritePrivateProfileStringA(Pointer(sectionName), Pointer(keyName),
                                                       Pointer(value), Pointer(fileName));
            std::printf("W %d\n", ok ? 1 : 0);
        } else {
            std::printf("? %s\n", op.c_str());
        }
    }
    return 0;
}
