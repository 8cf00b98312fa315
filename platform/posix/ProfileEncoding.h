// Settings files that Windows' Notepad saved as "Unicode" (UTF-16LE with a byte-order
// mark) are read and written by Windows' own profile functions; ours take them as 8-bit
// text and give them back in their own encoding.
#pragma once

#include <string>
#include <string_view>

namespace profile {

struct Text {
    std::string bytes;     // 8-bit text, as ProfileText.h reads it
    bool utf16 = false;    // the file was UTF-16LE with a byte-order mark
    bool writable = true;  // false: writing it back would change characters
};

// The file's text. A UTF-16LE character above 0xFF reads as "?", and such a file is not
// written back; so is a UTF-16 big-endian one, which Windows does not read either.
Text Decode(std::string file);
// The text in the file's encoding again.
std::string Encode(const Text& text);

}  // namespace profile
