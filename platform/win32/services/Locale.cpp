// The user's decimal separator on Windows: the locale's LOCALE_SDECIMAL.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

#include "platform/Native.h"

namespace native {

std::string DecimalSeparator() {
    char separator[8] = {};  // at most three characters and the NUL
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator) <= 1)
        return ".";
    return separator;
}

}  // namespace native
