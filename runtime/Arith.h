// 32-bit integer arithmetic with overflow detection and the runtime's numeric
// conversions. Each raises Overflow where the result does not fit.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "runtime/Errors.h"

namespace runtime {

inline std::int32_t AddLong(std::int32_t a, std::int32_t b) {
    std::int32_t sum;
    if (__builtin_add_overflow(a, b, &sum)) Raise(ErrorNumber::Overflow, "Overflow");
    return sum;
}

inline std::int32_t SubLong(std::int32_t a, std::int32_t b) {
    std::int32_t difference;
    if (__builtin_sub_overflow(a, b, &difference)) Raise(ErrorNumber::Overflow, "Overflow");
    return difference;
}

// A floating-point result that is infinite or not a number is an overflow.
inline double CheckedDouble(double value) {
    if (!std::isfinite(value)) Raise(ErrorNumber::Overflow, "Overflow");
    return value;
}

// Nearest 32-bit integer, halves to the even neighbour.
inline std::int32_t CLng(double value) {
    if (value >= -2147483648.0 && value <= 2147483647.0) {
        const auto whole = static_cast<std::int32_t>(value);
        if (whole == value) return whole;  // already whole: the common case, and cheap
    }
    if (std::isnan(value)) Raise(ErrorNumber::Overflow, "Overflow");
    // NOTE: adding and taking away 1.5 * 2^52 leaves the nearest whole number, halves to
    // even, in the default rounding mode (IEEE doubles have no bits for a fraction there);
    // beyond 2^51 every double is whole already. This keeps the math library out.
    constexpr double Shift = 6755399441055744.0;
    const double rounded = std::fabs(value) < 2251799813685248.0 ? (value + Shift) - Shift : value;
    if (rounded < -2147483648.0 || rounded > 2147483647.0) Raise(ErrorNumber::Overflow, "Overflow");
    return static_cast<std::int32_t>(rounded);
}

// Nearest 32-bit float; a finite value beyond its range is an overflow.
inline float CSng(double value) {
    if (std::isnan(value)) Raise(ErrorNumber::Overflow, "Overflow");
    const float single = static_cast<float>(value);
    if (std::isinf(single)) Raise(ErrorNumber::Overflow, "Overflow");
    return single;
}

}  // namespace runtime
