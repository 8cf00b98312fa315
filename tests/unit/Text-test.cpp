// The text services: Val's leading-number rule, the value text of a float, case mapping,
// and the locale's decimal separator.
#include "runtime/Text.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cmath>
#include <limits>
#include <string>

#include "TempFolder.h"
#include "platform/Native.h"
#include "runtime/Errors.h"

using runtime::Val;

TEST(Val, ReadsTheLeadingNumber) {
    EXPECT_EQ(Val("1500"), 1500);
    EXPECT_EQ(Val("1 500"), 1500);
    EXPECT_EQ(Val("12,5"), 12);  // a comma ends the number
    EXPECT_EQ(Val("1.5E3"), 1500);
    EXPECT_EQ(Val("-45"), -45);
    EXPECT_EQ(Val("abc"), 0);
    EXPECT_EQ(Val(""), 0);
    // Blanks, tabs and line feeds count nowhere, not even inside a sign or an exponent.
    EXPECT_EQ(Val(" \t\n- 4\t5 "), -45);
    EXPECT_EQ(Val("2 e\n- 1"), 0.2);
    EXPECT_EQ(Val("+.5"), 0.5);
    EXPECT_EQ(Val("5."), 5);
    EXPECT_EQ(Val("1.2.3"), 1.2);  // a second point ends it
    EXPECT_EQ(Val("7e"), 7);       // "e" without digits ends it before the "e"
    EXPECT_EQ(Val("7E+x"), 7);
    EXPECT_EQ(Val("3e2e1"), 300);
    EXPECT_EQ(Val("12\r34"), 12);  // a carriage return is not skipped
    EXPECT_EQ(Val("&H10"), 0);
    // No digit before the end: 0, whatever follows.
    EXPECT_EQ(Val("-"), 0);
    EXPECT_EQ(Val("."), 0);
    EXPECT_EQ(Val(".E5"), 0);
    EXPECT_FALSE(std::signbit(Val("-0")));
}

TEST(Val, GivesTheNearestDoubleForLongAndExtremeTexts) {
    EXPECT_EQ(Val("0.1"), 0.1);
    EXPECT_EQ(Val("000000000000000000000000000012.50000000000000000000000000"), 12.5);
    EXPECT_EQ(Val("1.7976931348623157e308"), std::numeric_limits<double>::max());
    EXPECT_EQ(Val("4.9406564584124654e-324"), std::numeric_limits<double>::denorm_min());
    // 2000 digits: the leading digits decide, the rest only scale.
    EXPECT_EQ(Val("1" + std::string(2000, '0') + "e-2000"), 1);
    EXPECT_EQ(Val("0." + std::string(2000, '0') + "3e2001"), 3);
    // 2^53 + 1 lies halfway between two doubles; a nonzero digit far beyond the kept
    // ones must still round it up.
    EXPECT_EQ(Val("9007199254740993" + std::string(900, '0') + "1e-901"), 9007199254740994.0);
}

TEST(Val, OverflowRaisesAndUnderflowGivesZero) {
    for (const char* text : {"1e309", "-1e400", "1e99999999999999999999999",
                             "9"
                             "e308"}) {
        try {
            Val(text);
            ADD_FAILURE() << text << " did not raise";
        } catch (const runtime::RuntimeError& error) {
            EXPECT_EQ(error.Number(), runtime::ErrorNumber::Overflow) << text;
        }
    }
    EXPECT_EQ(Val("1e-400"), 0);
    EXPECT_EQ(Val("-1e-99999999999999999999"), 0);
    EXPECT_EQ(Val(std::string(5000, '9') + "e-4700"), 1e300);
}

TEST(FormatSingle, WritesWholeNumbersAndFractions) {
    using runtime::FormatSingle;
    EXPECT_EQ(FormatSingle(1500, "."), "1500");
    EXPECT_EQ(FormatSingle(-45, "."), "-45");
    EXPECT_EQ(FormatSingle(0, "."), "0");
    EXPECT_EQ(FormatSingle(-0.0f, "."), "0");
    EXPECT_EQ(FormatSingle(12.5f, "."), "12.5");
    EXPECT_EQ(FormatSingle(-12.5f, ","), "-12,5");
    EXPECT_EQ(FormatSingle(0.1f, "."), "0.1");
    EXPECT_EQ(FormatSingle(0.0001f, "."), "0.0001");
    EXPECT_EQ(FormatSingle(9999999, "."), "9999999");
    // Seven significant digits, rounded.
    EXPECT_EQ(FormatSingle(1234.5678f, "."), "1234.568");
    EXPECT_EQ(FormatSingle(2.0f / 3.0f, ","), "0,6666667");
    EXPECT_EQ(FormatSingle(1.9999999f, "."), "2");  // 1.99999988 rounds up to 2.000000
    // From ten million up, and below 0.0001: exponent form.
    EXPECT_EQ(FormatSingle(1e7f, "."), "1E+07");
    EXPECT_EQ(FormatSingle(-12345678, "."), "-1.234568E+07");
    EXPECT_EQ(FormatSingle(0.00001f, ","), "1E-05");
    EXPECT_EQ(FormatSingle(3.4028235e38f, "."), "3.402823E+38");
    EXPECT_EQ(FormatSingle(1.5e-45f, "."), "1.401298E-45");
    EXPECT_THROW(FormatSingle(std::numeric_limits<float>::infinity(), "."), runtime::RuntimeError);
    EXPECT_THROW(FormatSingle(std::nanf(""), "."), runtime::RuntimeError);
}

// A float of at most 7 significant digits reads back by Val as itself when the separator
// is "."; whole twips positions read back with any separator.
TEST(FormatSingle, ReadsBackThroughVal) {
    for (float value : {1.0f, -1.0f, 1500.0f, -45.0f, 1e7f, 0.3f, 123.456f, -98765.43f, 2e-5f}) {
        const std::string text = runtime::FormatSingle(value, ".");
        EXPECT_EQ(static_cast<float>(Val(text)), value) << text;
    }
    for (int twips = -300000; twips <= 300000; twips += 7)
        ASSERT_EQ(Val(runtime::FormatSingle(static_cast<float>(twips), ",")), twips);
}

TEST(CaseMapping, ChangesOnlyAsciiLetters) {
    EXPECT_EQ(runtime::UCase("Varnhold Quimbrel 1-z@[`{"), "VARNHOLD QUIMBREL 1-Z@[`{");
    EXPECT_EQ(runtime::LCase("TOP Left_Z@[`{"), "top left_z@[`{");
    EXPECT_EQ(runtime::UCase("gr\xC3\xBC\xC3\x9F\xE9"), "GR\xC3\xBC\xC3\x9F\xE9");
    EXPECT_EQ(runtime::LCase(std::string("A\0B", 3)), std::string("a\0b", 3));
}

#ifndef _WIN32
// NOTE: POSIX only (fork, localedef); Windows' decimal separator is tested in
// tests/unit/win32/.
// What CStr and DecimalSeparator give under a locale, asked in a child process so that
// the environment of this one stays as it is.
std::string InLocale(const std::string& locales, const char* name) {
    int channel[2];
    if (pipe(channel) != 0) return "<pipe>";
    const pid_t child = fork();
    if (child == 0) {
        setenv("LOCPATH", locales.c_str(), 1);
        setenv("LC_ALL", name, 1);
        const std::string answer = native::DecimalSeparator() + " " + runtime::CStr(-12.5f);
        if (write(channel[1], answer.data(), answer.size()) < 0) _exit(1);
        _exit(0);  // NOTE: _exit: glibc's newlocale keeps a LOCPATH copy that leak checks flag
    }
    close(channel[1]);
    char answer[64] = {};
    const ssize_t got = read(channel[0], answer, sizeof answer - 1);
    close(channel[0]);
    waitpid(child, nullptr, 0);
    return got > 0 ? std::string(answer, static_cast<std::size_t>(got)) : "<none>";
}

// A locale with a decimal comma, built for this test with localedef; skipped where the
// locale's sources are not installed.
TEST(CStr, UsesTheUsersDecimalSeparator) {
    TempFolder locales;
    const std::string build =
        "localedef -i de_DE -f UTF-8 " + (locales / "de_DE.UTF-8") + " >/dev/null 2>&1";
    if (std::system(build.c_str()) != 0) GTEST_SKIP() << "cannot build a de_DE locale";
    EXPECT_EQ(InLocale(locales.Path(), "de_DE.UTF-8"), ", -12,5");
    EXPECT_EQ(InLocale(locales.Path(), "C"), ". -12.5");
    EXPECT_EQ(InLocale(locales.Path(), "xx_NOWHERE"), ". -12.5");
    EXPECT_EQ(Val("-12,5"), -12);  // what the settings file then gives back
}
#endif
