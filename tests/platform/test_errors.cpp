#include "platform/errors.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(ErrorDisplayText, fullStopAddedOnlyAfterCharactersAboveIt)
{
    const struct {
        std::string message, shown;
    } cases[] = {
        {"", ""},
        {"done.", "done."},
        {"stop!", "stop!"},
        {"(x)", "(x)"},
        {"say \"", "say \""},
        {"trailing ", "trailing "},
        {"letter", "letter."},
        {"digit 7", "digit 7."},
        {"why?", "why?."},
        {"colon:", "colon:."},
        {"Кирилица", "Кирилица."},
        {"comma,", "comma,"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(errorDisplayText(c.message), c.shown) << c.message;
}

TEST(ApplicationErrorText, namesTheErrorAndAddsAFullStopUnlessPresent)
{
    const std::string text = applicationErrorText("BrowserError", "corvane-scripts", nullptr, "broken");
    EXPECT_EQ(text.rfind("Exception BrowserError in module corvane-scripts at ", 0), 0u);
    EXPECT_NE(text.find(".\r\nbroken.\r\n"), std::string::npos);
    EXPECT_NE(applicationErrorText("E", "m", nullptr, "ends.").find("ends.\r\n"), std::string::npos);
    EXPECT_EQ(applicationErrorText("E", "m", nullptr, "ends.").find("ends.."), std::string::npos);
}

} // namespace
} // namespace corvane
