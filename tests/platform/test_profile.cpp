#include "platform/codepage.h"
#include "platform/profile.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Names = std::vector<std::string>;

// Text as UTF-16 with its byte-order mark, little- or big-endian.
std::string utf16(const std::u16string& text, bool bigEndian = false)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t c : text) {
        const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

struct IniCase {
    const char* name;
    std::string bytes;
    Names names;
    size_t budget = kSectionNamesBudget;
};

void PrintTo(const IniCase& c, std::ostream* out)
{
    *out << c.name;
}

class SectionNames : public ::testing::TestWithParam<IniCase> {};

// The same files go through the system's profile reader on Windows and through ours here.
TEST_P(SectionNames, areThoseOfThePlatformsReader)
{
    test::TempDir dir;
    const std::string path = dir.write("categories.ini", GetParam().bytes);
    EXPECT_EQ(readSectionNames(path, GetParam().budget), GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SectionNames,
    ::testing::Values(
        IniCase{"empty", "", {}}, IniCase{"keysOnly", "a=1\r\nb=2\r\n", {}},
        IniCase{"fileOrderWithKeylessSections", "k=before\r\n[b]\r\n[a]\r\nx=1\r\n[c]\r\n", {"b", "a", "c"}},
        IniCase{"duplicatesTwice", "[a]\r\n[b]\r\n[a]\r\n", {"a", "b", "a"}},
        IniCase{"namesTrimmed",
                "[ first ]\r\n\t[ second\t] tail\r\n \x1a[third]\x1a\r\n",
                {"first", "second", "third"}},
        IniCase{"nameRunsToTheLastBracket", "[a]b]\r\n[c] d]\r\n", {"a]b", "c] d"}},
        IniCase{"notHeaders", "[]\r\n[ ]\r\n[no close\r\n;[comment]\r\nx[y]\r\n[z]\r\n", {"z"}},
        IniCase{"crLfAndCrLfBreaks", "[a]\n[b]\r\n[c]\r[d]", {"a", "b", "c", "d"}},
        IniCase{"nulEndsAName", std::string("[a]\r\n[b\0c]\r\n[\0x]\r\n[d]\r\n", 23), {"a", "b", "d"}},
        IniCase{"windows1251", "[\xD4\xEE\xED\xEE\xE2\xE5]\r\n[\xC8\xE3\xF0\xE8]\r\n", {"Фонове", "Игри"}},
        IniCase{"utf8ByteOrderMark", "\xEF\xBB\xBF[Фонове]\r\n[Игри]\r\n", {"Фонове", "Игри"}},
        IniCase{"utf16ByteOrderMark", utf16(u"[Фонове]\r\n[Игри]\r\n"), {"Фонове", "Игри"}},
        IniCase{"utf16BigEndianByteOrderMark", utf16(u"[Фонове]\r\n[Игри]\r\n", true), {"Фонове", "Игри"}},
        IniCase{"utf16SurrogatePair", utf16(u"[a\U0001F600]\r\n"), {"a\U0001F600"}},
        // The names with their NULs must leave two places free; a name that does not fit is
        // dropped whole instead of cut short.
        IniCase{"budgetFitsWithTwoToSpare", "[abc]\r\n[de]\r\n", {"abc", "de"}, 9},
        IniCase{"budgetOneShort", "[abc]\r\n[de]\r\n[f]\r\n", {"abc"}, 8},
        IniCase{"budgetCountsLettersNotUtf8Bytes", "\xEF\xBB\xBF[ф]\r\n", {"ф"}, 4},
        IniCase{"longestNameThatFits",
                "[" + std::string(kSectionNamesBudget - 3, 'x') + "]\r\n",
                {std::string(kSectionNamesBudget - 3, 'x')}},
        IniCase{"nameTooLongIsDropped",
                "[a]\r\n[" + std::string(kSectionNamesBudget - 3, 'x') + "]\r\n[b]\r\n",
                {"a"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SectionNames, missingFileHasNone)
{
    test::TempDir dir;
    EXPECT_TRUE(readSectionNames(dir.dir() + "categories.ini").empty());
}

} // namespace
} // namespace corvane
