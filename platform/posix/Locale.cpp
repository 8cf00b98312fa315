// The user's decimal separator on POSIX: the radix character of the LC_NUMERIC locale
// that the environment names (LC_ALL, LC_NUMERIC, LANG).
#include <langinfo.h>
#include <locale.h>

#include <string>

#include "platform/Native.h"

namespace native {

std::string DecimalSeparator() {
    // NOTE: newlocale reads the environment's choice without touching the process's
    // global locale (setlocale), which would change how every C library call formats
    // and parses numbers.
    const locale_t numeric = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (numeric == static_cast<locale_t>(nullptr)) return ".";
    const char* radix = nl_langinfo_l(RADIXCHAR, numeric);
    std::string separator = radix != nullptr && *radix != '\0' ? radix : ".";
    freelocale(numeric);
    return separator;
}

}  // namespace native
