#include "librarytool/gallery.h"

#include "librarytool/embedded.h"
#include "librarytool/escape.h"
#include "pages/pagenames.h"

namespace corvane::librarytool {

using pages::isWebPageName;

namespace {

// A script as the gallery names it: without the extension every page has.
std::string shownName(const std::string& name)
{
    const std::size_t dot = name.rfind('.');
    return dot != std::string::npos && dot > 0 && isWebPageName(std::string_view(name).substr(dot))
               ? name.substr(0, dot)
               : name;
}

// Bulgarian plural of "скрипт" after a number.
std::string scriptsWord(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " скрипт" : " скрипта");
}

const char kPageHead[] = R"(<!DOCTYPE html>
<html lang="bg">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
)";

} // namespace

std::string escapeHtml(std::string_view text)
{
    return escapedEach(text, [](char c, char*) -> std::string_view {
        switch (c) {
        case '&': return "&amp;";
        case '<': return "&lt;";
        case '>': return "&gt;";
        case '"': return "&quot;";
        default: return {};
        }
    });
}

std::string indexPage(const std::vector<GalleryCategory>& categories)
{
    std::size_t total = 0;
    for (const auto& category : categories)
        total += category.scripts.size();

    std::string html = kPageHead;
    html +=
        "<title>Corvane Scripts – галерия</title>\n<link rel=\"stylesheet\" href=\"gallery.css\">\n</head>\n";
    html += "<body class=\"index\">\n<header>\n<h1>Corvane Scripts</h1>\n";
    html += "<p class=\"summary\">" + scriptsWord(total) + " в " + std::to_string(categories.size())
            + (categories.size() == 1 ? " категория" : " категории") + "</p>\n";
    html += "<input type=\"search\" id=\"search\" placeholder=\"Търсене на скрипт или категория\" "
            "aria-label=\"Търсене\" autocomplete=\"off\" autofocus>\n";
    html += "<p id=\"shown\" class=\"shown\" aria-live=\"polite\"></p>\n</header>\n<main id=\"gallery\">\n";
    for (const auto& category : categories) {
        html += "<section class=\"category\" data-name=\"" + escapeHtml(category.name) + "\">\n";
        html += "<h2>" + escapeHtml(category.name) + " <span class=\"count\">"
                + std::to_string(category.scripts.size()) + "</span></h2>\n<ul>\n";
        for (const auto& script : category.scripts) {
            html += "<li data-name=\"" + escapeHtml(script.name) + "\">";
            if (script.page.empty())
                html += "<span class=\"missing\" title=\"Скриптът липсва в библиотеката\">"
                        + escapeHtml(shownName(script.name)) + "</span>";
            else
                html += "<a href=\"" + escapeHtml(pathToUrl(script.page)) + "\">"
                        + escapeHtml(shownName(script.name)) + "</a>";
            html += "</li>\n";
        }
        html += "</ul>\n</section>\n";
    }
    html +=
        "</main>\n<p id=\"nothing\" class=\"nothing\" hidden>Няма скриптове, които отговарят на търсенето.</p>\n";
    html += "<script src=\"gallery.js\"></script>\n</body>\n</html>\n";
    return html;
}

std::string scriptPage(const ScriptPage& page)
{
    const std::string name = escapeHtml(shownName(page.name));
    std::string html = kPageHead;
    html += "<title>" + name + " – " + escapeHtml(page.category) + "</title>\n";
    html += "<link rel=\"stylesheet\" href=\"../gallery.css\">\n</head>\n<body class=\"script\">\n<header>\n";
    html += "<nav><a href=\"../index.html\">Всички скриптове</a>";
    if (!page.previousUrl.empty())
        html += "<a href=\"" + escapeHtml(pathToUrl(page.previousUrl)) + "\" rel=\"prev\">Предишен</a>";
    if (!page.nextUrl.empty())
        html += "<a href=\"" + escapeHtml(pathToUrl(page.nextUrl)) + "\" rel=\"next\">Следващ</a>";
    html += "</nav>\n<p class=\"category-name\">" + escapeHtml(page.category) + "</p>\n<h1>" + name
            + "</h1>\n</header>\n";
    const std::string copy = escapeHtml(pathToUrl(page.copyUrl));
    // No top navigation: a script that redirects its window stays inside the frame.
    html +=
        "<section class=\"preview\">\n<h2>Преглед</h2>\n<iframe src=\"" + copy + "\" title=\"Преглед: " + name
        + "\" sandbox=\"allow-scripts allow-same-origin allow-forms allow-modals allow-popups\"></iframe>\n";
    html += "<p><a href=\"" + copy + "\" target=\"_blank\">Отваряне в нов прозорец</a></p>\n</section>\n";
    html += "<section class=\"source\">\n<h2>Код <button type=\"button\" id=\"copy\">Копирай кода</button>"
            " <span id=\"copied\" class=\"copied\" aria-live=\"polite\"></span></h2>\n";
    html += "<pre id=\"code\"><code>" + colourSource(page.source) + "</code></pre>\n</section>\n";
    html += "<script src=\"../gallery.js\"></script>\n</body>\n</html>\n";
    return html;
}

std::string galleryStyle()
{
    return std::string(embedded::galleryCss) + tokenStyles();
}

std::string galleryScript()
{
    return std::string(embedded::galleryJs);
}

} // namespace corvane::librarytool
