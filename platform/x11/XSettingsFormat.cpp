// The XSETTINGS format, read with every length checked against the bytes that are there:
// the property comes from another program and may be anything. See XSettingsFormat.h.
#include "platform/x11/XSettingsFormat.h"

namespace x11 {
namespace {

enum SettingType : std::uint32_t { Integer = 0, String = 1, Colour = 2 };
constexpr std::size_t SmallestSetting = 12;  // type, pad, name length, serial, an integer
// Beyond these a desktop's value is a mistake: Windows caps its double-click time the same.
constexpr std::int32_t LongestDoubleClickMs = 5000, WidestDoubleClick = 100;

class Reader {
  public:
    Reader(const unsigned char* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

    std::size_t Left() const { return size_ - at_; }
    void SetMostSignificantFirst(bool first) { msbFirst_ = first; }

    bool Skip(std::size_t count) {
        if (count > Left()) return false;
        at_ += count;
        return true;
    }
    // `count` bytes and the padding that brings them to a multiple of 4.
    bool SkipPadded(std::size_t count, std::string* text = nullptr) {
        const std::size_t padding = (4 - count % 4) % 4;
        if (count > Left() || padding > Left() - count) return false;
        if (text != nullptr) text->assign(reinterpret_cast<const char*>(bytes_ + at_), count);
        at_ += count + padding;
        return true;
    }
    bool Card(std::size_t size, std::uint32_t& value) {
        if (size > Left()) return false;
        value = 0;
        for (std::size_t i = 0; i < size; ++i) {
            const std::uint32_t byte = bytes_[at_ + (msbFirst_ ? i : size - 1 - i)];
            value = value << 8 | byte;
        }
        at_ += size;
        return true;
    }

  private:
    const unsigned char* bytes_;
    std::size_t size_;
    std::size_t at_ = 0;
    bool msbFirst_ = false;
};

}  // namespace

std::optional<XSettingsIntegers> ParseXSettingsIntegers(const unsigned char* bytes,
                                                        std::size_t size) {
    if (bytes == nullptr) return std::nullopt;
    Reader in(bytes, size);
    std::uint32_t order = 0, serial = 0, count = 0;
    if (!in.Card(1, order) || order > 1) return std::nullopt;  // LSBFirst 0, MSBFirst 1
    in.SetMostSignificantFirst(order == 1);
    if (!in.Skip(3) || !in.Card(4, serial) || !in.Card(4, count)) return std::nullopt;
    // A count that the bytes cannot hold is refused before any work.
    if (count > in.Left() / SmallestSetting) return std::nullopt;
    XSettingsIntegers integers;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t type = 0, nameLength = 0, changed = 0, value = 0;
        std::string name;
        if (!in.Card(1, type) || !in.Skip(1) || !in.Card(2, nameLength) ||
            !in.SkipPadded(nameLength, &name) || !in.Card(4, changed))
            return std::nullopt;
        switch (type) {
            case Integer:
                if (!in.Card(4, value)) return std::nullopt;
                integers[name] = static_cast<std::int32_t>(value);
                break;
            case String:
                if (!in.Card(4, value) || !in.SkipPadded(value)) return std::nullopt;
                break;
            case Colour:  // red, blue, green, alpha: 16 bits each
                if (!in.Skip(8)) return std::nullopt;
                break;
            default:
                return std::nullopt;
        }
    }
    return integers;
}

DoubleClickLimits DoubleClickLimitsFrom(const std::optional<XSettingsIntegers>& settings) {
    DoubleClickLimits limits;
    if (!settings) return limits;
    if (const auto time = settings->find("Net/DoubleClickTime");
        time != settings->end() && time->second > 0 && time->second <= LongestDoubleClickMs)
        limits.timeMs = static_cast<std::uint32_t>(time->second);
    if (const auto distance = settings->find("Net/DoubleClickDistance");
        distance != settings->end() && distance->second >= 0 &&
        distance->second <= WidestDoubleClick)
        limits.distance = distance->second;
    return limits;
}

}  // namespace x11
