// The bytes of an _XSETTINGS_SETTINGS property as a desktop's settings manager publishes
// them (the XSETTINGS format: a header, then each setting's type, name, serial and value,
// padded to 4 bytes), in either byte order. For the parser's unit tests and for a test
// client that plays the settings manager.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace support {

class XSettingsBytes {
  public:
    explicit XSettingsBytes(bool mostSignificantFirst = false) : msbFirst_(mostSignificantFirst) {}

    XSettingsBytes& Integer(const std::string& name, std::int32_t value) {
        Head(0, name);
        Card32(static_cast<std::uint32_t>(value));
        return Count();
    }
    XSettingsBytes& String(const std::string& name, const std::string& value) {
        Head(1, name);
        Card32(static_cast<std::uint32_t>(value.size()));
        Padded(value);
        return Count();
    }
    XSettingsBytes& Colour(const std::string& name, std::uint16_t red, std::uint16_t green,
                           std::uint16_t blue, std::uint16_t alpha) {
        Head(2, name);
        for (std::uint16_t channel : {red, blue, green, alpha}) Card16(channel);
        return Count();
    }

    // The whole property; `claimed` overrides the number of settings that the header states.
    std::vector<unsigned char> Bytes(std::int64_t claimed = -1) const {
        XSettingsBytes header(msbFirst_);
        header.body_.push_back(msbFirst_ ? 1 : 0);
        header.body_.insert(header.body_.end(), 3, 0);
        header.Card32(7);  // the manager's serial
        header.Card32(static_cast<std::uint32_t>(claimed >= 0 ? claimed : count_));
        std::vector<unsigned char> bytes = header.body_;
        bytes.insert(bytes.end(), body_.begin(), body_.end());
        return bytes;
    }

  private:
    void Head(unsigned char type, const std::string& name) {
        body_.push_back(type);
        body_.push_back(0);
        Card16(static_cast<std::uint16_t>(name.size()));
        Padded(name);
        Card32(1);  // the setting's last-change serial
    }
    XSettingsBytes& Count() {
        ++count_;
        return *this;
    }
    void Card16(std::uint16_t value) { Put(value, 2); }
    void Card32(std::uint32_t value) { Put(value, 4); }
    void Put(std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            const int shift = 8 * (msbFirst_ ? size - 1 - i : i);
            body_.push_back(static_cast<unsigned char>(value >> shift));
        }
    }
    void Padded(const std::string& text) {
        body_.insert(body_.end(), text.begin(), text.end());
        body_.insert(body_.end(), (4 - text.size() % 4) % 4, 0);
    }

    bool msbFirst_;
    std::uint32_t count_ = 0;
    std::vector<unsigned char> body_;
};

}  // namespace support
