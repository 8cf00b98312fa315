// The profile format over a file's bytes, with no file I/O: finding one entry's value and
// setting one entry while every other byte stays as it was. platform/posix/ProfileFile.cpp
// reads and writes the file's entries with these, for GetPrivateProfileStringA and
// WritePrivateProfileStringA (platform/posix/Kernel32.cpp).
//
// The format as read: an optional UTF-8 byte-order mark; lines ending in LF, CR LF or a
// lone CR (or at the end of the file); "[name]" opens a section (blanks around the line and the
// name do not count); "key=value" is an entry (blanks around the key and the value do not count,
// nor one pair of matching quotes around the value); a line with no "=" is a key with an empty
// value; a line starting with ";" is a comment. Names compare without regard to ASCII letter case.
// Of duplicate sections only the first counts, and of duplicate keys in it the first, for reading
// and for writing alike (as on Windows).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace profile {

// The value of an entry, or nothing when the section or the key is missing.
std::optional<std::string_view> FindValue(std::string_view file, std::string_view section,
                                          std::string_view key);

// Whether an entry can be written so that it reads back as itself: no line break or NUL
// anywhere, and a key that neither holds "=" nor starts like a header or a comment.
bool CanWrite(std::string_view section, std::string_view key, std::string_view value);

// The file with one entry set. An entry that exists gets the new value in place of its
// old one; a new entry goes after the last entry of its section; a new section goes to
// the end of the file. Added lines end like the file's first line (LF when it has none).
// The text is 8-bit; platform/posix/ProfileEncoding.h turns UTF-16 files into it and back.
// Requires CanWrite(section, key, value).
std::string SetValue(std::string_view file, std::string_view section, std::string_view key,
                     std::string_view value);

}  // namespace profile
