// Fuzzes the XSETTINGS reader with any bytes, as another program may publish them: it
// must stay within them (the sanitizers watch) and the double-click limits it yields
// must stay within their bounds.
#include <cstdint>
#include <cstdlib>

#include "platform/x11/XSettingsFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto settings = x11::ParseXSettingsIntegers(data, size);
    const x11::DoubleClickLimits limits = x11::DoubleClickLimitsFrom(settings);
    if (limits.timeMs < 1 || limits.timeMs > 5000 || limits.distance < 0 || limits.distance > 100)
        std::abort();
    return 0;
}
