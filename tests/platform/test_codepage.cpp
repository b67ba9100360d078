#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(CodePage, everyByteDecodesAndEncodesBack)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(utf8ToCp1251(cp1251ToUtf8(all)), all);
}

TEST(CodePage, bulgarianLettersAndMissingCharacters)
{
    EXPECT_EQ(cp1251ToUtf8("\xc4\xee\xe1\xf0\xe5"), "Добре");
    EXPECT_EQ(utf8ToCp1251("Ъъ №"), "\xda\xfa \xb9");
    EXPECT_EQ(utf8ToCp1251("a\xe2\x86\x92z"), "a?z"); // an arrow is not in the code page
    EXPECT_FALSE(isDefinedCp1251("a\x98"));
    EXPECT_TRUE(isDefinedCp1251("\xc0\xff"));
}

} // namespace
} // namespace corvane
