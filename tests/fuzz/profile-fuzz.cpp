// Fuzzes the profile format: any bytes as a file, with a section and a key taken from the
// input's head. Reading must not crash; setting an entry must read back as written, keep
// every other entry's value, and drop no byte outside the one line it edits.
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view section = TakeName(input);
    const std::string_view key = TakeName(input);
    const std::string_view otherKey = TakeName(input);
    const std::string_view file = input;

    Read(file, section, key);
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
    Check(file.substr(prefix, file.size() - prefix - suffix).find('\n') == std::string_view::npos);
    return 0;
}
