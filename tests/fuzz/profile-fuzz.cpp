// Fuzzes the profile format: any bytes as a file, with a section and a key taken from the
// input's head. Reading must not crash; setting an entry must read back as written, keep
// every other entry's value, and drop no byte outside the one line it edits.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/posix/ProfileText.h"

namespace {

constexpr std::string_view Value = "-12.5";

void Check(bool condition) {
    if (!condition) std::abort();
}

// Takes a length byte, then that many bytes (mod 16), off the front of the input.
std::string_view TakeName(std::string_view& input) {
    if (input.empty()) return {};
    const std::size_t length = static_cast<unsigned char>(input[0]) % 16;
    input.remove_prefix(1);
    const std::string_view name = input.substr(0, length);
    input.remove_prefix(name.size());
    return name;
}

std::string Read(std::string_view file, std::string_view section, std::string_view key) {
    const auto value = profile::FindValue(file, section, key);
    return value ? "=" + std::string(*value) : "missing";
}

// The format read the plain way, line by line, as the reader's oracle.
std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool Same(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string ReferenceRead(std::string_view file, std::string_view section, std::string_view key) {
    if (file.starts_with("\xEF\xBB\xBF")) file.remove_prefix(3);
    bool inSection = false, sectionSeen = false;
    while (!file.empty()) {
        // LF, CR LF and a lone CR end a line.
        const std::size_t lineBreak = file.find_first_of("\r\n");
        std::string_view line = file.substr(0, lineBreak);
        std::size_t skip = lineBreak == std::string_view::npos ? file.size() : lineBreak + 1;
        if (lineBreak != std::string_view::npos && file[lineBreak] == '\r' && skip < file.size() &&
            file[skip] == '\n')
            ++skip;
        file.remove_prefix(skip);
        line = Trim(line);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[' && line.rfind(']') != std::string_view::npos) {
            if (sectionSeen) return "missing";  // only the first section of the name counts
            inSection = Same(Trim(line.substr(1, line.rfind(']') - 1)), Trim(section));
            sectionSeen = inSection;
        } else if (inSection && Same(Trim(line.substr(0, line.find('='))), Trim(key))) {
            if (line.find('=') == std::string_view::npos) return "=";
            std::string_view value = Trim(line.substr(line.find('=') + 1));
            if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') &&
                value.back() == value[0])
                value = value.substr(1, value.size() - 2);
            return "=" + std::string(value);
        }
    }
    return "missing";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view section = TakeName(input);
    const std::string_view key = TakeName(input);
    const std::string_view otherKey = TakeName(input);
    const std::string_view file = input;

    Check(Read(file, section, key) == ReferenceRead(file, section, key));
    if (!profile::CanWrite(section, key, Value)) return 0;
    const std::string otherBefore = Read(file, section, otherKey);

    const std::string after = profile::SetValue(file, section, key, Value);
    Check(Read(after, section, key) == "=" + std::string(Value));
    // Another key of the same section keeps its value, unless it names the same entry.
    const bool sameEntry =
        profile::FindValue("[s]\n" + std::string(key) + "=1", "s", otherKey).has_value();
    if (!sameEntry) Check(Read(after, section, otherKey) == otherBefore);

    // Only bytes inside one line of the old file may be gone.
    std::size_t prefix = 0;
    while (prefix < file.size() && prefix < after.size() && file[prefix] == after[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < file.size() - prefix && suffix < after.size() - prefix &&
           file[file.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    Check(file.substr(prefix, file.size() - prefix - suffix).find_first_of("\r\n") ==
          std::string_view::npos);
    return 0;
}
