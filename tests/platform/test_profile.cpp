#include "platform/codepage.h"
#include "platform/profile.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Names = std::vector<std::string>;

TEST(SectionNames, fileOrderTrimmingCommentsAndDuplicates)
{
    const std::string text = "key=before\r\n[ first ]\r\na=1\n;[comment]\n[second] tail\r[]\n[no close\n"
                             "\t[third]\r\n[first]\n[a]b]\n";
    EXPECT_EQ(parseSectionNames(text), (Names{"first", "second", "third", "first", "a]b"}));
}

TEST(SectionNames, windows1251AndUtf8WithBom)
{
    EXPECT_EQ(parseSectionNames(utf8ToCp1251("[Фонове]\r\n")), (Names{"Фонове"}));
    EXPECT_EQ(parseSectionNames("\xEF\xBB\xBF[Фонове]\r\n"), (Names{"Фонове"}));
}

TEST(SectionNames, nameThatDoesNotFitTheBudgetIsDroppedWhole)
{
    // "abc" + NUL and "de" + NUL fill 7 bytes exactly; the third does not fit.
    EXPECT_EQ(parseSectionNames("[abc]\n[de]\n[f]\n", 7), (Names{"abc", "de"}));
    EXPECT_EQ(parseSectionNames("[abc]\n[defg]\n", 8), (Names{"abc"}));
    const std::string longName(kSectionNamesBudget, 'x');
    EXPECT_EQ(parseSectionNames("[a]\n[" + longName + "]\n"), (Names{"a"}));
    // The budget counts code-page bytes: a Cyrillic letter is one.
    EXPECT_EQ(parseSectionNames("\xEF\xBB\xBF[ф]\n", 2), (Names{"ф"}));
}

TEST(SectionNames, missingFileHasNone)
{
    EXPECT_TRUE(readSectionNames("/nonexistent/categories.ini").empty());
}

} // namespace
} // namespace corvane
