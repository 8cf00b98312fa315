// UTF-16LE settings files to 8-bit text and back.
#include "platform/posix/ProfileEncoding.h"

namespace profile {
namespace {
constexpr std::string_view Utf16LeMark = "\xFF\xFE";
constexpr std::string_view Utf16BeMark = "\xFE\xFF";
}  // namespace

Text Decode(std::string file) {
    Text text;
    if (file.starts_with(Utf16BeMark)) {
        text.writable = false;
        text.bytes = std::move(file);
        return text;
    }
    if (!file.starts_with(Utf16LeMark)) {
        text.bytes = std::move(file);
        return text;
    }
    text.utf16 = true;
    // An odd last byte is half a character: it reads as nothing and cannot be kept.
    text.writable = file.size() % 2 == 0;
    text.bytes.reserve(file.size() / 2);
    for (std::size_t i = Utf16LeMark.size(); i + 1 < file.size(); i += 2) {
        const unsigned low = static_cast<unsigned char>(file[i]);
        const unsigned high = static_cast<unsigned char>(file[i + 1]);
        if (high != 0) text.writable = false;
        text.bytes += high == 0 ? static_cast<char>(low) : '?';
    }
    return text;
}

std::string Encode(const Text& text) {
    if (!text.utf16) return text.bytes;
    std::string file(Utf16LeMark);
    file.reserve(2 + 2 * text.bytes.size());
    for (char c : text.bytes) {
        file += c;
        file += '\0';
    }
    return file;
}

}  // namespace profile
