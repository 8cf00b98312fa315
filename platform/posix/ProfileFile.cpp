// One entry of a settings file per call, the file named in the program's "\" notation:
// the work behind GetPrivateProfileStringA and WritePrivateProfileStringA on POSIX
// (platform/posix/Kernel32.cpp). The format is platform/posix/ProfileText.h; which file, and the
// disk side: platform/posix/ProfileAccess.h.
#include "platform/posix/ProfileFile.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/posix/HostPath.h"
#include "platform/posix/ProfileAccess.h"
#include "platform/posix/ProfileEncoding.h"
#include "platform/posix/ProfileText.h"

namespace profile {
namespace {

bool NamesAFile(const char* fileName) {
    return fileName != nullptr && *fileName != '\0';
}

}  // namespace

// The value of the entry, or the default when the file, the section or the key is
// missing, the value is empty, or the file cannot be read; cut to bufferSize - 1
// characters (and at a NUL inside the value) and followed by a NUL. Returns the number of
// characters copied. A null section or key reads as a missing entry (Windows would list
// the names instead; the program never asks for that).
std::uint32_t ReadEntry(const char* section, const char* key, const char* defaultValue,
                        char* buffer, std::uint32_t bufferSize, const char* fileName) {
    if (buffer == nullptr || bufferSize == 0) return 0;
    std::string_view result = defaultValue != nullptr ? defaultValue : "";
    std::string bytes;
    if (section != nullptr && key != nullptr && NamesAFile(fileName) &&
        profile::ReadSettings(hostpath::ToHost(fileName), bytes) == profile::ReadOutcome::Read) {
        bytes = profile::Decode(std::move(bytes)).bytes;
        const auto value = profile::FindValue(bytes, section, key);
        if (value && !value->empty()) result = *value;
    }
    result = result.substr(0, std::min(result.find('\0'), std::size_t{bufferSize} - 1));
    std::memcpy(buffer, result.data(), result.size());
    buffer[result.size()] = '\0';
    return static_cast<std::uint32_t>(result.size());
}

// Sets one entry; nonzero on success. Fails, leaving the file exactly as it was, when the
// file cannot be read or replaced, and when the entry could not be read back as written
// (a line break in any of the texts, a key holding "="), and when the file's encoding
// cannot hold it unchanged (see ProfileEncoding.h). A null key or value would delete
// entries on Windows; here it fails and deletes nothing.
int WriteEntry(const char* section, const char* key, const char* value, const char* fileName) {
    if (section == nullptr || key == nullptr || value == nullptr || !NamesAFile(fileName)) return 0;
    if (!profile::CanWrite(section, key, value)) return 0;
    std::string path, file;
    if (profile::BeginWrite(hostpath::ToHost(fileName), path, file) == profile::ReadOutcome::Failed)
        return 0;
    profile::Text text = profile::Decode(std::move(file));
    if (!text.writable) return 0;  // writing would change characters it holds
    std::string updated = profile::SetValue(text.bytes, section, key, value);
    if (updated == text.bytes) return 1;  // the entry holds this value already
    text.bytes = std::move(updated);
    return profile::ReplaceWhole(path, profile::Encode(text)) ? 1 : 0;
}

}  // namespace profile
