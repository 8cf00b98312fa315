// The profile format over bytes: what the reader accepts, and that setting one entry
// changes nothing else.
#include "platform/posix/ProfileText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempFolder.h"

using profile::FindValue;
using profile::SetValue;

namespace {

std::string Value(std::string_view file, std::string_view section, std::string_view key) {
    const auto value = FindValue(file, section, key);
    return value ? std::string(*value) : "<none>";
}

// The bytes of `before` that `after` does not keep: they must lie within one line, so
// that an edit touches one entry and nothing else.
std::string_view DroppedBytes(std::string_view before, std::string_view after) {
    std::size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    return before.substr(prefix, before.size() - prefix - suffix);
}

}  // namespace

TEST(ProfileReader, AcceptsWindowsFiles) {
    const std::string file =
        "\xEF\xBB\xBF[Varnhold Quimbrel]\r\n"
        "  top  =  1500  \r\n"
        "; Left=1\r\n"
        "\tLEFT\t=\t\"-45\"\r\n"
        "Quoted='a b'\r\n"
        "Half=\"x\r\n"
        "Bare\r\n"
        "Empty=\r\n"
        "[ Other ]\r\n"
        "Top=9";
    EXPECT_EQ(Value(file, "VARNHOLD QUIMBREL", "TOP"), "1500");
    EXPECT_EQ(Value(file, "varnhold quimbrel", "Left"), "-45");
    EXPECT_EQ(Value(file, "Varnhold Quimbrel", "quoted"), "a b");
    EXPECT_EQ(Value(file, "Varnhold Quimbrel", "Half"), "\"x");
    EXPECT_EQ(Value(file, "Varnhold Quimbrel", "Bare"), "");
    EXPECT_EQ(Value(file, "Varnhold Quimbrel", "Empty"), "");
    EXPECT_EQ(Value(file, "Varnhold Quimbrel", "Missing"), "<none>");
    EXPECT_EQ(Value(file, "other", "TOP"), "9");
    EXPECT_EQ(Value(file, "Varnhold", "TOP"), "<none>");
    EXPECT_EQ(Value("Top=1\n[A]\n", "", "Top"), "<none>");  // lines before any header
    EXPECT_EQ(Value("[A\nTop=1\n[B]x\nTop=2", "B", "Top"), "2");
    // The section's name elsewhere than in its header does not open it.
    const std::string decoys =
        "x=[Varnhold Quimbrel]\n; [Varnhold Quimbrel]\nVarnhold Quimbrel]\nTop=0\n"
        "=[Varnhold Quimbrel]\nTop=0\n[Varnhold Quimbrel Two]\nTop=1\n"
        " \t[ \tvARNHOLD QUIMBREL\t]  \nTop=2\n";
    EXPECT_EQ(Value(decoys, "Varnhold Quimbrel", "Top"), "2");
    EXPECT_EQ(Value("[x]\nk=0\n[ ]\nk=1\n", "", "K"), "1");
}

TEST(ProfileReader, FirstOfDuplicatesWinsAndJunkIsHarmless) {
    const std::string duplicates = "[A]\nx=1\n[a]\ny=2\nx=3\n[A]\ny=4\n";
    EXPECT_EQ(Value(duplicates, "A", "x"), "1");
    EXPECT_EQ(Value(duplicates, "A", "y"), "<none>");  // only the first [A] counts
    const std::string junk = Bytes("\0\xFF[\x01]\n[S]\0\nk=v\0w\n\x80\x81=\n]]]\n[");
    EXPECT_EQ(Value(junk, "S", "k"), std::string("v\0w", 3));
    EXPECT_EQ(Value(junk, std::string("S]\0", 3), "k"), "<none>");
}

TEST(ProfileEditor, AddsWhatIsMissingWhereItBelongs) {
    EXPECT_EQ(SetValue("", "Varnhold Quimbrel", "Top", "1500"), "[Varnhold Quimbrel]\nTop=1500\n");
    EXPECT_EQ(SetValue("[Varnhold Quimbrel]\nTop=1500\n", "Varnhold Quimbrel", "Left", "-45"),
              "[Varnhold Quimbrel]\nTop=1500\nLeft=-45\n");
    // After the section's last entry, before the comments and blank lines that follow it.
    EXPECT_EQ(SetValue("[a]\r\nx=1\r\n\r\n; about b\r\n[b]\r\ny=2", "A", "z", "3"),
              "[a]\r\nx=1\r\nz=3\r\n\r\n; about b\r\n[b]\r\ny=2");
    EXPECT_EQ(SetValue("[a]", "a", "k", "v"), "[a]\nk=v\n");
    EXPECT_EQ(SetValue("[a]\r\nx=1", "a", "k", "v"), "[a]\r\nx=1\r\nk=v\r\n");
    EXPECT_EQ(SetValue("; c\r\n[a]\r\nx=1", " B ", " K ", "v"),
              "; c\r\n[a]\r\nx=1\r\n\r\n[B]\r\nK=v\r\n");
    EXPECT_EQ(SetValue("\xEF\xBB\xBF", "a", "k", "v"), "\xEF\xBB\xBF[a]\nk=v\n");
}

TEST(ProfileEditor, ReplacesTheValueThatIsRead) {
    EXPECT_EQ(SetValue("[A]\r\n  TOP = \"1\"  \r\n", "a", "Top", "2"), "[A]\r\n  TOP = 2  \r\n");
    EXPECT_EQ(SetValue("[A]\nx\n", "A", "X", "5"), "[A]\nx=5\n");
    EXPECT_EQ(SetValue("[A]\ny=1\n[a]\nx=1\nx=2\n", "A", "x", "9"),
              "[A]\ny=1\nx=9\n[a]\nx=1\nx=2\n");
}

TEST(ProfileText, ALoneCarriageReturnEndsALine) {
    const std::string mac = "[a]\rx=1\ry=2\r[b]\rz=3";
    EXPECT_EQ(Value(mac, "A", "Y"), "2");
    EXPECT_EQ(Value(mac, "b", "z"), "3");
    EXPECT_EQ(SetValue(mac, "a", "k", "v"), "[a]\rx=1\ry=2\rk=v\r[b]\rz=3");
    EXPECT_EQ(SetValue("[a]\rx=1\r", "c", "k", "v"), "[a]\rx=1\r\r[c]\rk=v\r");
}

// Over a range of files and names: the entry reads back as written, every other entry
// reads as before, and the only bytes dropped lie inside one line.
TEST(ProfileEditor, ChangesOneEntryAndKeepsEveryOtherByte) {
    const std::vector<std::string> files = {
        "",
        "\xEF\xBB\xBF[Varnhold Quimbrel]\r\nTop=1\r\nLeft=2\r\n",
        "[Other]\nTop=7\n\n; keep me\n[VARNHOLD QUIMBREL]\ntop = 3\n[Last]\nLeft=4",
        "no header\n[x]\r\nmixed=1\n\n\n[Varnhold Quimbrel]\r\n",
        "[Varnhold Quimbrel]\r\nLeft=5\r",  // a last line cut between CR and LF
        Bytes("[\0]\n\xFF\xFE=\0\n[Varnhold Quimbrel]\nTop\n"),
    };
    const std::vector<std::pair<std::string, std::string>> names = {{"Varnhold Quimbrel", "Top"},
                                                                    {"Varnhold Quimbrel", "Left"},
                                                                    {"Other", "Top"},
                                                                    {"Last", "Left"},
                                                                    {"New", "Key"},
                                                                    {"x", "MIXED"}};
    for (const std::string& file : files) {
        for (const auto& [section, key] : names) {
            const std::string after = SetValue(file, section, key, "-12.5");
            SCOPED_TRACE(testing::Message() << "file: " << file << "\nset " << section << "/" << key
                                            << "\nafter: " << after);
            EXPECT_EQ(Value(after, section, key), "-12.5");
            for (const auto& [otherSection, otherKey] : names) {
                if (otherSection != section || otherKey != key) {
                    EXPECT_EQ(Value(after, otherSection, otherKey),
                              Value(file, otherSection, otherKey));
                }
            }
            EXPECT_EQ(DroppedBytes(file, after).find('\n'), std::string_view::npos);
        }
    }
}

TEST(ProfileEditor, RefusesEntriesThatWouldNotReadBack) {
    EXPECT_TRUE(profile::CanWrite("Varnhold Quimbrel", "Top", "-1.5E+07"));
    EXPECT_TRUE(profile::CanWrite("a]b", "k", "x=y;[z]"));
    EXPECT_EQ(Value(SetValue("", "a]b", "k", "x=y;[z]"), "A]B", "K"), "x=y;[z]");
    for (const auto& [section, key, value] :
         std::vector<std::tuple<std::string, std::string, std::string>>{
             {"s", "k", "1\n[s]\nk=2"},
             {"s\r", "k", "1"},
             {"s", "k\n", "1"},
             {"s", "a=b", "1"},
             {"s", " [k]", "1"},
             {"s", ";k", "1"},
             {"s", "k", std::string("1\0", 2)}})
        EXPECT_FALSE(profile::CanWrite(section, key, value)) << section << "/" << key;
}
