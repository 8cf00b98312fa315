// The XSETTINGS reader: integer settings found among the other kinds in either byte
// order, anything malformed refused whole, and the double-click limits taken from it.
#include <gtest/gtest.h>

#include "platform/x11/XSettingsFormat.h"
#include "tests/support/XSettingsBytes.h"

using support::XSettingsBytes;
using x11::DoubleClickLimits;
using x11::DoubleClickLimitsFrom;
using x11::XSettingsIntegers;

namespace {

std::optional<XSettingsIntegers> Parse(const std::vector<unsigned char>& bytes) {
    return x11::ParseXSettingsIntegers(bytes.data(), bytes.size());
}

XSettingsBytes Desktop(bool msbFirst) {
    XSettingsBytes settings(msbFirst);
    settings.String("Net/ThemeName", "Adwaita")
        .Integer("Net/DoubleClickTime", 150)
        .Colour("Gtk/Colour", 0xFFFF, 0x8000, 0, 0xFFFF)
        .String("Gtk/Empty", "")
        .Integer("Net/DoubleClickDistance", -3);
    return settings;
}

}  // namespace

TEST(XSettings, ReadsTheIntegersAmongOtherKindsInEitherByteOrder) {
    const XSettingsIntegers expected{{"Net/DoubleClickTime", 150}, {"Net/DoubleClickDistance", -3}};
    for (bool msbFirst : {false, true}) {
        EXPECT_EQ(Parse(Desktop(msbFirst).Bytes()), expected) << "msbFirst " << msbFirst;
    }
    EXPECT_EQ(Parse(XSettingsBytes().Bytes()), XSettingsIntegers{});  // a manager with none
}

TEST(XSettings, RefusesMalformedBytesWhole) {
    const std::vector<unsigned char> good = Desktop(false).Bytes();
    const auto patched = [&](std::size_t at, std::initializer_list<unsigned char> with) {
        std::vector<unsigned char> bytes = good;
        for (const unsigned char byte : with) bytes.at(at++) = byte;
        return bytes;
    };
    // Offsets: the header is 12 bytes; the first setting, "Net/ThemeName" (13 bytes,
    // padded to 16), has its type at 12 and its value's length at 12 + 4 + 16 + 4.
    const struct {
        const char* what;
        std::vector<unsigned char> bytes;
    } cases[] = {
        {"no bytes", {}},
        {"an unknown byte order", patched(0, {2})},
        {"one setting more than there are", Desktop(false).Bytes(6)},
        {"a count of 2^32 - 1", Desktop(false).Bytes(0xFFFFFFFF)},
        {"an unknown type", patched(12, {3})},
        {"a name running past the end", patched(14, {0xFF, 0xFF})},
        {"a string of 2^32 - 1 bytes", patched(36, {0xFF, 0xFF, 0xFF, 0xFF})},
    };
    ASSERT_TRUE(Parse(good).has_value());
    for (const auto& c : cases) EXPECT_EQ(Parse(c.bytes), std::nullopt) << c.what;
    // Cut anywhere, the settings are refused: each part stays within the bytes.
    for (std::size_t size = 0; size < good.size(); ++size)
        EXPECT_EQ(x11::ParseXSettingsIntegers(good.data(), size), std::nullopt) << size;
}

TEST(XSettings, DoubleClickLimitsComeFromSensibleValuesEachOnItsOwn) {
    const DoubleClickLimits defaults{500, 4};
    const struct {
        std::optional<XSettingsIntegers> settings;
        DoubleClickLimits expected;
    } cases[] = {
        {std::nullopt, defaults},
        {XSettingsIntegers{}, defaults},
        {XSettingsIntegers{{"Net/DoubleClickTime", 150}, {"Net/DoubleClickDistance", 10}},
         {150, 10}},
        {XSettingsIntegers{{"Net/DoubleClickTime", 250}}, {250, 4}},
        {XSettingsIntegers{{"Net/DoubleClickDistance", 0}}, {500, 0}},
        {XSettingsIntegers{{"Net/DoubleClickTime", 0}, {"Net/DoubleClickDistance", -1}}, defaults},
        {XSettingsIntegers{{"Net/DoubleClickTime", -400}, {"Net/DoubleClickDistance", 7}},
         {500, 7}},
        {XSettingsIntegers{{"Net/DoubleClickTime", 60000}, {"Net/DoubleClickDistance", 1000}},
         defaults},
        {XSettingsIntegers{{"Gtk/DoubleClickTime", 150}}, defaults},
    };
    for (const auto& c : cases) {
        const DoubleClickLimits limits = DoubleClickLimitsFrom(c.settings);
        EXPECT_EQ(limits, c.expected) << limits.timeMs << " ms, " << limits.distance << " px";
    }
}
