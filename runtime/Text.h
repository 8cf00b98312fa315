// The runtime's text services: the leading-number rule (Val), the value text of a 32-bit
// float (FormatSingle, CStr) and ASCII case mapping (UCase, LCase). Texts are byte strings
// in the platform's 8-bit character set.
#pragma once

#include <string>
#include <string_view>

namespace runtime {

// The leading number of a text. Blanks, tabs and line feeds are skipped wherever they
// stand; then an optional sign, digits with at most one ".", and an optional exponent
// (E or e, optional sign, digits). Anything else ends the number; no digit gives 0.
// A number beyond the range of a 64-bit float raises Overflow; one too small for it
// gives 0. Radix prefixes (&H, &O) are not recognised: "&" ends the number.
double Val(std::string_view text);

// The decimal form of a 32-bit float with at most 7 significant digits: a leading "-"
// when negative, no thousands separators, the separator given only before a fraction
// (1500 -> "1500", -12.5 -> "-12.5" or "-12,5"). Magnitudes from 1E+07 up and below
// 1E-04 are written in exponent form, mantissa then "E", sign and at least two digits:
// 12345678 -> "1.234568E+07", 0.00001 -> "1E-05". Infinity and NaN raise Overflow.
std::string FormatSingle(float value, std::string_view decimalSeparator);

// FormatSingle with the user's locale's decimal separator.
std::string CStr(float value);

// Upper- and lower-case forms. Only the ASCII letters change; every byte from 0x80 up is
// kept as it is, so UTF-8 sequences and other 8-bit texts pass through unharmed.
std::string UCase(std::string_view text);
std::string LCase(std::string_view text);

}  // namespace runtime
