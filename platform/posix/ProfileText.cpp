// The profile format's reader and one-entry editor, over a file's bytes. Both rest on
// Locate, which walks the file's lines once.
#include "platform/posix/ProfileText.h"

#include <algorithm>

namespace profile {
namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

constexpr bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

constexpr char FoldCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

// LF, CR LF, and a lone CR as old Mac files have it, each end a line.
constexpr bool IsLineBreak(char c) {
    return c == '\n' || c == '\r';
}
constexpr std::string_view LineBreaks = "\r\n";

std::size_t BodyStart(std::string_view file) {
    return file.starts_with(ByteOrderMark) ? ByteOrderMark.size() : 0;
}

// Where an entry stands in the file, or where a new one would go.
struct Location {
    bool sectionFound = false;
    std::size_t insertAt = 0;       // after the last entry (or the header) of the first section
    bool insertNeedsBreak = false;  // the line before insertAt has no line break
    bool entryFound = false;
    bool bareKey = false;                      // the entry's line has no "="
    std::size_t valueBegin = 0, valueEnd = 0;  // the value, blanks around it excluded
};

// Finds the lines that may be the header of one section: a "[" first (blanks aside), then
// the section's name (blanks aside). Outside the sections asked for only their headers
// matter, so Locate jumps from one such line to the next instead of walking every line.
// The jumps go to the name's first letter, in either case, found with memchr: a letter
// that starts few lines is passed over at memory speed.
class HeaderFinder {
  public:
    HeaderFinder(std::string_view file, std::size_t bodyStart, std::string_view section)
        : file_(file), bodyStart_(bodyStart), section_(section) {
        const char first = section.empty() ? '[' : section.front();
        anchors_[0] = first >= 'a' && first <= 'z' ? static_cast<char>(first - 32) : first;
        anchors_[1] = FoldCase(first);
    }

    // The start of the first such line at or after `from`, a line start; or npos.
    std::size_t Next(std::size_t from) {
        for (;;) {
            for (int i = 0; i < 2; ++i)
                if (!searched_[i] || next_[i] < from) {
                    next_[i] = file_.find(anchors_[i], from);
                    searched_[i] = true;
                }
            const std::size_t anchor = std::min(next_[0], next_[1]);
            if (anchor == std::string_view::npos) return anchor;
            from = anchor + 1;
            std::size_t bracket = anchor;
            if (!section_.empty()) {
                while (bracket > bodyStart_ && IsBlank(file_[bracket - 1])) --bracket;
                if (bracket == bodyStart_) continue;
                --bracket;
                if (file_[bracket] != '[') continue;
            }
            std::size_t start = bracket;
            while (start > bodyStart_ && IsBlank(file_[start - 1])) --start;
            if (start != bodyStart_ && !IsLineBreak(file_[start - 1])) continue;
            if (SameName(file_.substr(anchor, section_.size()), section_)) return start;
        }
    }

  private:
    std::string_view file_;
    std::size_t bodyStart_;
    std::string_view section_;
    char anchors_[2];
    std::size_t next_[2] = {0, 0};  // the next place of each anchor, once searched
    bool searched_[2] = {false, false};
};

// section and key are trimmed already.
Location Locate(std::string_view file, std::string_view section, std::string_view key) {
    Location found;
    bool inMatching = false, inFirstMatching = false;
    const std::size_t bodyStart = BodyStart(file);
    HeaderFinder headers(file, bodyStart, section);
    for (std::size_t pos = bodyStart; pos < file.size();) {
        if (!inMatching) {
            pos = headers.Next(pos);
            if (pos == std::string_view::npos) break;
        }
        const std::size_t lineBreak = file.find_first_of(LineBreaks, pos);
        const bool lastLine = lineBreak == std::string_view::npos;
        const std::size_t end = lastLine ? file.size() : lineBreak;
        std::size_t next = lastLine ? file.size() : lineBreak + 1;
        if (!lastLine && file[lineBreak] == '\r' && next < file.size() && file[next] == '\n')
            ++next;
        const std::string_view content = Trim(file.substr(pos, end - pos));
        const auto offset = static_cast<std::size_t>(content.data() - file.data());

        if (content.empty() || content.front() == ';') {
            // a blank line or a comment
        } else if (content.front() == '[' && content.rfind(']') != std::string_view::npos) {
            // Only the first section of a name counts, as on Windows: once it has ended,
            // nothing later can hold the entry.
            if (found.sectionFound) return found;
            const std::string_view name = Trim(content.substr(1, content.rfind(']') - 1));
            inMatching = SameName(name, section);
            inFirstMatching = inMatching && !found.sectionFound;
            if (inFirstMatching) {
                found.sectionFound = true;
                found.insertAt = next;
                found.insertNeedsBreak = lastLine;
            }
        } else if (inMatching) {
            const std::size_t equals = content.find('=');
            if (SameName(Trim(content.substr(0, equals)), key)) {
                found.entryFound = true;
                found.bareKey = equals == std::string_view::npos;
                found.valueEnd = offset + content.size();
                found.valueBegin = found.valueEnd;
                if (!found.bareKey) {
                    found.valueBegin = offset + equals + 1;
                    while (found.valueBegin < found.valueEnd && IsBlank(file[found.valueBegin]))
                        ++found.valueBegin;
                }
                return found;
            }
            if (inFirstMatching) {
                found.insertAt = next;
                found.insertNeedsBreak = lastLine;
            }
        }
        pos = next;
    }
    return found;
}

// The file's own line break, taken from its first line: LF, CR LF or a lone CR.
std::string_view LineBreakOf(std::string_view file) {
    const std::size_t at = file.find_first_of(LineBreaks);
    if (at == std::string_view::npos || file[at] == '\n') return "\n";
    return at + 1 < file.size() && file[at + 1] == '\n' ? "\r\n" : "\r";
}

bool LastLineIsBlank(std::string_view body) {
    if (body.ends_with('\n')) body.remove_suffix(1);
    if (body.ends_with('\r')) body.remove_suffix(1);
    const std::size_t lineBreak = body.find_last_of(LineBreaks);
    const std::string_view last =
        lineBreak == std::string_view::npos ? body : body.substr(lineBreak + 1);
    return Trim(last).empty();
}

bool HasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

}  // namespace

std::optional<std::string_view> FindValue(std::string_view file, std::string_view section,
                                          std::string_view key) {
    const Location found = Locate(file, Trim(section), Trim(key));
    if (!found.entryFound) return std::nullopt;
    std::string_view value = file.substr(found.valueBegin, found.valueEnd - found.valueBegin);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

bool CanWrite(std::string_view section, std::string_view key, std::string_view value) {
    if (HasLineBreakOrNul(section) || HasLineBreakOrNul(key) || HasLineBreakOrNul(value))
        return false;
    const std::string_view name = Trim(key);
    if (name.find('=') != std::string_view::npos) return false;
    return name.empty() || (name.front() != '[' && name.front() != ';');
}

std::string SetValue(std::string_view file, std::string_view section, std::string_view key,
                     std::string_view value) {
    section = Trim(section);
    key = Trim(key);
    const Location found = Locate(file, section, key);
    std::string result;
    result.reserve(file.size() + section.size() + key.size() + value.size() + 16);
    if (found.entryFound) {
        result.append(file.substr(0, found.valueBegin));
        if (found.bareKey) result += '=';
        result.append(value);
        result.append(file.substr(found.valueEnd));
        return result;
    }

    const std::string_view lineBreak = LineBreakOf(file);
    std::string entry;
    entry.append(key).append("=").append(value).append(lineBreak);
    if (found.sectionFound) {
        result.append(file.substr(0, found.insertAt));
        if (found.insertNeedsBreak) result.append(lineBreak);
        result.append(entry);
        result.append(file.substr(found.insertAt));
        return result;
    }

    // A new section at the end, after a blank line when the file has lines.
    result.append(file);
    const std::string_view body = file.substr(BodyStart(file));
    if (!body.empty()) {
        if (!IsLineBreak(body.back())) result.append(lineBreak);
        if (!LastLineIsBlank(body)) result.append(lineBreak);
    }
    result.append("[").append(section).append("]").append(lineBreak).append(entry);
    return result;
}

}  // namespace profile
