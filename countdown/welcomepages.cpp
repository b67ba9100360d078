#include "countdown/welcomepages.h"

#include "platform/codepage.h"

namespace corvane {

std::vector<std::string> welcomePageLines(std::int32_t startsLeft)
{
    return {
        "<HEAD>",
        "</HEAD>",
        "<BODY BGCOLOR=White Background=\"cvlogo.bmp\" Height=370>",
        "<Font Face=\"Verdana\" size=\"4\"><CENTER>Добре дошли !</CENTER>",
        "<hr width=100% Color=Blue Width=0.1>",
        "<Font size=1>Остават ви още " + std::to_string(startsLeft) + " стартирания , докато бъдете ",
        "пренасочен към сайта ни !",
        "<BR><BR><Font size=2 Color=Red>Регистрирайте се ! Не е задължително, но така ще ни покажете че се интересувате от нашия труд.",
        "Това е скромната отплата от вас, за да виждаме че има хора, които използват продуктите ни.",
        "<BR><BR><BR>Благодаря ви предварително !<BR><BR><BR><BR><BR>",
        "<font size=1 color=blue>Copyright (C) 2026 Мирослав Кованов<BR>",
        "Corvane Scripts - всички права запазени.",
    };
}

std::vector<std::string> redirectPageLines()
{
    return {
        "<HEAD>",
        " <Body>",
        " <font face=\"Verdana\" size=3>Пренасочване към сайта ни...<font size=2><br>",
        "Моля имайте търпение сайта да се зареди !<br><br><br><br>",
        "<font size=1 color=blue>Copyright (C) 2026 Corvane<Br>Всички права запазени.",
    };
}

std::string pageBytes(const std::vector<std::string>& lines)
{
    std::string bytes;
    for (const auto& line : lines) {
        bytes += utf8ToCp1251(line);
        bytes += "\r\n";
    }
    return bytes;
}

std::string firstStartMessage()
{
    return "Програмата се регистрира успешно !\r"
           "\r"
           "Наслаждавайте й се !\r"
           "На всеки 20 стартирания програмата ще се опитва да зареди сайта на нашата организация.\r"
           "Моля изчаквайте за да спомогнете нашето развитие.\r"
           "\r"
           "Ако искате можете да станете член, за да давате идеи и коментари относно всяка от нашите програми !\r"
           "\r"
           "ЗА ДА ИЗПОЛЗВАТЕ ПРОГРАМАТА ЛЕГАЛНО ТРЯБВА ДА СТЕ ПРОЧЕЛИ И ДА СТЕ СЪГЛАСНИ С ПРАВИЛАТА ЗА ПОЛЗВАНЕ "
           "(\"Документация -> Правила за използване\" в главното меню.";
}

} // namespace corvane
