#include "librarytool/gallery.h"

#include "pages/pagenames.h"

#include <cstdio>

namespace corvane::librarytool {

using pages::isWebPageName;

namespace {

// A script as the gallery names it: without the extension every page has.
std::string shownName(const std::string& name)
{
    const std::size_t dot = name.rfind('.');
    return dot != std::string::npos && dot > 0 && isWebPageName(std::string_view(name).substr(dot)) ? name.substr(0, dot) : name;
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
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string pathToUrl(std::string_view relative)
{
    std::string out;
    for (const char ch : relative) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
            || c == '_' || c == '.' || c == '~' || c == '/';
        if (plain) {
            out += ch;
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            out += escaped;
        }
    }
    return out;
}

std::string indexPage(const std::vector<GalleryCategory>& categories)
{
    std::size_t total = 0;
    for (const auto& category : categories)
        total += category.scripts.size();

    std::string html = kPageHead;
    html += "<title>Corvane Scripts – галерия</title>\n<link rel=\"stylesheet\" href=\"gallery.css\">\n</head>\n";
    html += "<body class=\"index\">\n<header>\n<h1>Corvane Scripts</h1>\n";
    html += "<p class=\"summary\">" + scriptsWord(total) + " в " + std::to_string(categories.size())
        + (categories.size() == 1 ? " категория" : " категории") + "</p>\n";
    html += "<input type=\"search\" id=\"search\" placeholder=\"Търсене на скрипт или категория\" "
            "aria-label=\"Търсене\" autocomplete=\"off\" autofocus>\n";
    html += "<p id=\"shown\" class=\"shown\" aria-live=\"polite\"></p>\n</header>\n<main id=\"gallery\">\n";
    for (const auto& category : categories) {
        html += "<section class=\"category\" data-name=\"" + escapeHtml(category.name) + "\">\n";
        html += "<h2>" + escapeHtml(category.name) + " <span class=\"count\">" + std::to_string(category.scripts.size())
            + "</span></h2>\n<ul>\n";
        for (const auto& script : category.scripts) {
            html += "<li data-name=\"" + escapeHtml(script.name) + "\">";
            if (script.page.empty())
                html += "<span class=\"missing\" title=\"Скриптът липсва в библиотеката\">" + escapeHtml(shownName(script.name)) + "</span>";
            else
                html += "<a href=\"" + escapeHtml(pathToUrl(script.page)) + "\">" + escapeHtml(shownName(script.name)) + "</a>";
            html += "</li>\n";
        }
        html += "</ul>\n</section>\n";
    }
    html += "</main>\n<p id=\"nothing\" class=\"nothing\" hidden>Няма скриптове, които отговарят на търсенето.</p>\n";
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
    html += "</nav>\n<p class=\"category-name\">" + escapeHtml(page.category) + "</p>\n<h1>" + name + "</h1>\n</header>\n";
    const std::string copy = escapeHtml(pathToUrl(page.copyUrl));
    // No top navigation: a script that redirects its window stays inside the frame.
    html += "<section class=\"preview\">\n<h2>Преглед</h2>\n<iframe src=\"" + copy + "\" title=\"Преглед: " + name
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
    return R"(body { margin: 0; font-family: Verdana, "DejaVu Sans", Arial, sans-serif; font-size: 14px;
       color: #1d2733; background: #eef1f5; }
header { background: #1f3b5c; color: #fff; padding: 16px 24px; }
header h1 { margin: 0; font-size: 24px; }
header a { color: #cfe3ff; }
.summary, .category-name { margin: 4px 0 0; color: #b9cbe0; }
#search { margin-top: 12px; width: 100%; max-width: 520px; box-sizing: border-box; padding: 8px 10px;
          font: inherit; border: 1px solid #8aa2bf; border-radius: 4px; }
.shown { margin: 6px 0 0; min-height: 1em; color: #b9cbe0; font-size: 12px; }
#gallery { display: grid; grid-template-columns: repeat(auto-fill, minmax(280px, 1fr)); gap: 16px; padding: 20px 24px; }
.category { background: #fff; border: 1px solid #d3dae3; border-radius: 6px; padding: 12px 16px; }
.category h2 { margin: 0 0 8px; font-size: 16px; color: #1f3b5c; }
.count { float: right; font-size: 12px; font-weight: normal; color: #fff; background: #6d86a5;
         border-radius: 9px; padding: 1px 8px; }
.category ul { list-style: none; margin: 0; padding: 0; }
.category li { padding: 3px 0; border-top: 1px solid #eef1f5; }
.category a { color: #1b5fae; text-decoration: none; }
.category a:hover { text-decoration: underline; }
.missing { color: #9a9a9a; text-decoration: line-through; }
.nothing { padding: 0 24px; color: #6b7785; }
nav a { margin-right: 16px; }
section.preview, section.source { margin: 16px 24px; }
h2 { font-size: 16px; }
iframe { width: 100%; height: 460px; border: 1px solid #b8c3d1; background: #fff; }
#copy { margin-left: 12px; font: inherit; font-size: 13px; padding: 4px 12px; cursor: pointer; }
.copied { font-weight: normal; font-size: 13px; color: #2b7a3d; }
pre { background: #fff; border: 1px solid #b8c3d1; padding: 10px 12px; overflow: auto; max-height: 70vh;
      font: 13px/1.45 "Courier New", "DejaVu Sans Mono", monospace; tab-size: 4; }
)" + tokenStyles();
}

std::string galleryScript()
{
    return R"JS((function () {
  'use strict';

  // Index: show only the scripts whose name or category holds the text typed so far.
  var search = document.getElementById('search');
  if (search) {
    // Names are lowered once; the filter then only compares.
    var categories = Array.prototype.map.call(document.querySelectorAll('.category'), function (section) {
      return {
        section: section,
        name: section.getAttribute('data-name').toLowerCase(),
        count: section.querySelector('.count'),
        items: Array.prototype.map.call(section.querySelectorAll('li'), function (item) {
          return { item: item, name: item.getAttribute('data-name').toLowerCase() };
        })
      };
    });
    var shown = document.getElementById('shown');
    var nothing = document.getElementById('nothing');
    var total = document.querySelectorAll('.category li').length;
    var filter = function () {
      var query = search.value.trim().toLowerCase();
      var count = 0;
      categories.forEach(function (category) {
        var categoryMatches = category.name.indexOf(query) !== -1;
        var inCategory = 0;
        category.items.forEach(function (entry) {
          var match = categoryMatches || entry.name.indexOf(query) !== -1;
          entry.item.hidden = !match;
          if (match) inCategory++;
        });
        category.section.hidden = inCategory === 0;
        category.count.textContent = inCategory;
        count += inCategory;
      });
      nothing.hidden = count !== 0;
      shown.textContent = query ? 'Показани: ' + count + ' от ' + total : '';
    };
    search.addEventListener('input', filter);
    filter();
  }

  // Script page: copy the source as the code box holds it.
  var copy = document.getElementById('copy');
  if (copy) {
    var code = document.getElementById('code');
    var copied = document.getElementById('copied');
    var say = function (text) {
      copied.textContent = text;
      window.setTimeout(function () { copied.textContent = ''; }, 2500);
    };
    var fallback = function (text) {
      var area = document.createElement('textarea');
      area.value = text;
      area.setAttribute('readonly', '');
      area.style.position = 'fixed';
      area.style.opacity = '0';
      document.body.appendChild(area);
      area.select();
      var done = false;
      try { done = document.execCommand('copy'); } catch (e) { done = false; }
      document.body.removeChild(area);
      say(done ? 'Кодът е копиран.' : 'Копирането не успя: изберете кода и натиснете Ctrl+C.');
    };
    copy.addEventListener('click', function () {
      var text = code.textContent;
      if (navigator.clipboard && navigator.clipboard.writeText) {
        navigator.clipboard.writeText(text).then(function () { say('Кодът е копиран.'); },
                                                 function () { fallback(text); });
      } else {
        fallback(text);
      }
    });
  }
})();
)JS";
}

} // namespace corvane::librarytool
