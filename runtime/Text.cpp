// The text services: Val's leading-number scan, the value text of a 32-bit float, and
// ASCII case mapping. Start at Val.
#include "runtime/Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "platform/Native.h"
#include "runtime/Errors.h"

namespace runtime {
namespace {

// Blanks, tabs and line feeds do not count anywhere in a number ("1 500" is 1500).
constexpr bool IsSkipped(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
constexpr bool IsDigit(int c) {
    return c >= '0' && c <= '9';
}

// A 64-bit float has at most 767 significant decimal digits that can matter for its
// nearest value; digits beyond this many are folded into one sticky digit.
constexpr std::size_t MaxSignificantDigits = 780;
// Exponents are saturated here while they are read; far beyond any finite double.
constexpr std::int64_t ExponentLimit = 1'000'000'000;
// Decimal magnitudes outside these bounds are surely beyond or below a 64-bit float.
constexpr std::int64_t OverflowMagnitude = 310;
constexpr std::int64_t UnderflowMagnitude = -330;

// Reads Val's text one significant character at a time.
class Scanner {
  public:
    explicit Scanner(std::string_view text) : text_(text) {}
    int Peek() {
        while (pos_ < text_.size() && IsSkipped(text_[pos_])) ++pos_;
        return pos_ < text_.size() ? static_cast<unsigned char>(text_[pos_]) : -1;
    }
    void Advance() { ++pos_; }
    std::size_t Position() const { return pos_; }
    void Rewind(std::size_t position) { pos_ = position; }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

std::int64_t Saturated(std::int64_t value) {
    return std::clamp(value, -ExponentLimit, ExponentLimit);
}

// The exponent after the mantissa, or 0 with the scanner untouched when no "E" followed
// by digits stands there ("1E" and "1E+" end the number before the "E").
std::int64_t ScanExponent(Scanner& scan) {
    const std::size_t start = scan.Position();
    if (scan.Peek() != 'E' && scan.Peek() != 'e') return 0;
    scan.Advance();
    bool negative = false;
    if (scan.Peek() == '+' || scan.Peek() == '-') {
        negative = scan.Peek() == '-';
        scan.Advance();
    }
    if (!IsDigit(scan.Peek())) {
        scan.Rewind(start);
        return 0;
    }
    std::int64_t exponent = 0;
    for (int c = scan.Peek(); IsDigit(c); c = scan.Peek()) {
        exponent = Saturated(exponent * 10 + (c - '0'));
        scan.Advance();
    }
    return negative ? -exponent : exponent;
}

}  // namespace

double Val(std::string_view text) {
    Scanner scan(text);
    bool negative = false;
    if (scan.Peek() == '+' || scan.Peek() == '-') {
        negative = scan.Peek() == '-';
        scan.Advance();
    }
    // The mantissa's significant digits (no leading zeros) and the power of ten that
    // scales them: value = digits * 10^scale.
    std::string digits;
    std::int64_t scale = 0;
    bool sticky = false, seenPoint = false;
    for (int c = scan.Peek();; c = scan.Peek()) {
        if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else if (IsDigit(c)) {
            if (digits.size() < MaxSignificantDigits) {
                if (!digits.empty() || c != '0') digits.push_back(static_cast<char>(c));
                if (seenPoint) scale = Saturated(scale - 1);
            } else {
                sticky = sticky || c != '0';
                if (!seenPoint) scale = Saturated(scale + 1);
            }
        } else {
            break;
        }
        scan.Advance();
    }
    // "1.5E3" has an exponent; ".E3" has no digit and is 0 whatever follows.
    scale = Saturated(scale + ScanExponent(scan));
    if (digits.empty()) return 0.0;
    if (sticky) {
        digits.push_back('1');
        scale = Saturated(scale - 1);
    }

    const std::int64_t magnitude = static_cast<std::int64_t>(digits.size()) + scale;
    if (magnitude > OverflowMagnitude) Raise(ErrorNumber::Overflow, "Overflow");
    if (magnitude < UnderflowMagnitude) return 0.0;
    digits += 'e';
    digits += std::to_string(scale);
    double value = 0.0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc::result_out_of_range) {
        if (magnitude > 0) Raise(ErrorNumber::Overflow, "Overflow");
        return 0.0;
    }
    if (error != std::errc() || std::isinf(value)) Raise(ErrorNumber::Overflow, "Overflow");
    return negative ? -value : value;
}

std::string FormatSingle(float value, std::string_view decimalSeparator) {
    if (!std::isfinite(value)) Raise(ErrorNumber::Overflow, "Overflow");
    if (value == 0.0f) return "0";  // -0 included: it is not negative

    // Seven significant digits, rounded from the float's exact value: "d.dddddde+XX".
    char scientific[32];
    const auto result = std::to_chars(scientific, scientific + sizeof scientific, std::fabs(value),
                                      std::chars_format::scientific, 6);
    const std::string_view form(scientific, static_cast<std::size_t>(result.ptr - scientific));
    std::string digits(1, form[0]);
    digits.append(form.substr(2, 6));
    const int exponent = std::atoi(std::string(form.substr(form.find('e') + 1)).c_str());
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string text = value < 0 ? "-" : "";
    if (exponent >= 7 || exponent < -4) {
        text += digits[0];
        if (digits.size() > 1) text.append(decimalSeparator).append(digits, 1);
        const int magnitude = std::abs(exponent);
        text += exponent < 0 ? "E-" : "E+";
        if (magnitude < 10) text += '0';
        text += std::to_string(magnitude);
    } else if (exponent >= 0) {
        const auto whole = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= whole) {
            text += digits;
            text.append(whole - digits.size(), '0');
        } else {
            text.append(digits, 0, whole).append(decimalSeparator).append(digits, whole);
        }
    } else {
        text += '0';
        text.append(decimalSeparator);
        text.append(static_cast<std::size_t>(-exponent - 1), '0');
        text += digits;
    }
    return text;
}

std::string CStr(float value) {
    return FormatSingle(value, native::DecimalSeparator());
}

std::string UCase(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return result;
}

std::string LCase(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return result;
}

}  // namespace runtime
