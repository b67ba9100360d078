#include "countdown/welcomepages.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(WelcomePages, welcomePageBytesAreWindows1251WithCrLfAfterEveryLine)
{
    const std::string bytes = pageBytes(welcomePageLines(-1));
    const std::string expectedStart =
        utf8ToCp1251("<HEAD>\r\n</HEAD>\r\n<BODY BGCOLOR=White Background=\"cvlogo.bmp\" Height=370>\r\n"
                     "<Font Face=\"Verdana\" size=\"4\"><CENTER>Добре дошли !</CENTER>\r\n"
                     "<hr width=100% Color=Blue Width=0.1>\r\n"
                     "<Font size=1>Остават ви още -1 стартирания , докато бъдете \r\n"
                     "пренасочен към сайта ни !\r\n");
    EXPECT_EQ(bytes.substr(0, expectedStart.size()), expectedStart);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    EXPECT_EQ(welcomePageLines(7).size(), 12u);
    EXPECT_EQ(welcomePageLines(7)[10].rfind("<font size=1 color=blue>", 0), 0u);
    EXPECT_EQ(bytes.find("\xEF\xBB\xBF"), std::string::npos);
    EXPECT_EQ(bytes.find("charset"), std::string::npos);
}

TEST(WelcomePages, redirectPageAndFirstStartMessage)
{
    const std::string bytes = pageBytes(redirectPageLines());
    EXPECT_EQ(bytes.substr(0, 10), "<HEAD>\r\n <");
    EXPECT_NE(bytes.find(utf8ToCp1251(
                  "Моля имайте търпение сайта да се зареди !<br><br><br><br>\r\n<font size=1 color=blue>")),
              std::string::npos);
    EXPECT_EQ(redirectPageLines().size(), 5u);

    const std::string message = firstStartMessage();
    EXPECT_EQ(message.find('\n'), std::string::npos);
    EXPECT_EQ(message.rfind("Програмата се регистрира успешно !\r\rНаслаждавайте й се !\r", 0), 0u);
    const std::string tail = "в главното меню.";
    EXPECT_EQ(message.substr(message.size() - tail.size()), tail);
}

} // namespace
} // namespace corvane
