// Fuzzes the leading-number rule and the value text of a float. Val must end in a finite
// number or an Overflow error; a float's value text must read back within its 7 digits.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "runtime/Errors.h"
#include "runtime/Text.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        Check(std::isfinite(runtime::Val(text)));
    } catch (const runtime::RuntimeError& error) {
        Check(error.Number() == runtime::ErrorNumber::Overflow);
    }

    if (size < sizeof(float)) return 0;
    float value = 0;
    std::memcpy(&value, data, sizeof value);
    if (!std::isfinite(value)) return 0;
    const std::string written = runtime::FormatSingle(value, ".");
    // At most 7 significant digits: count from the first nonzero one up to the exponent.
    const std::string_view mantissa = std::string_view(written).substr(0, written.find('E'));
    std::size_t digits = 0;
    bool significant = false;
    for (char c : mantissa) {
        significant = significant || (c >= '1' && c <= '9');
        digits += significant && c >= '0' && c <= '9';
    }
    Check(digits <= 7 && (digits >= 1 || value == 0));
    const double back = runtime::Val(written);
    Check(std::fabs(back - value) <= std::fabs(value) * 5e-7 + 1e-45);
    Check(runtime::FormatSingle(value, ",").find('.') == std::string::npos);
    return 0;
}
