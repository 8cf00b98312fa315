// Reading the XSETTINGS format: the bytes of the _XSETTINGS_SETTINGS property that a
// desktop's settings manager publishes, and the double-click limits taken from them.
// Needs no display, so that the unit tests can feed it any bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/DoubleClick.h"

namespace x11 {

using XSettingsIntegers = std::map<std::string, std::int32_t>;

// The integer settings by name; nullopt when the bytes break the format anywhere (a
// header, then exactly the settings it counts, each of a known type and within the bytes).
std::optional<XSettingsIntegers> ParseXSettingsIntegers(const unsigned char* bytes,
                                                        std::size_t size);

using native::DoubleClickLimits;

// Net/DoubleClickTime and Net/DoubleClickDistance where the desktop publishes sensible
// values, else the defaults, each on its own.
DoubleClickLimits DoubleClickLimitsFrom(const std::optional<XSettingsIntegers>& settings);

}  // namespace x11
