#include "pages/recode.h"

#include "pages/pagescan.h"
#include "platform/codepage.h"

#include <algorithm>

namespace corvane::pages {
namespace {

const char kUtf8Bom[] = "\xEF\xBB\xBF";

std::string lineBreakOf(std::string_view text)
{
    return text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
}

} // namespace

std::string applyEdits(std::string text, std::vector<TextEdit> edits)
{
    std::sort(edits.begin(), edits.end(),
              [](const TextEdit& a, const TextEdit& b) { return a.offset > b.offset; });
    for (const auto& edit : edits)
        text.replace(edit.offset, edit.length, edit.replacement);
    return text;
}

std::string decodeLibraryText(const std::string& bytes)
{
    if (bytes.compare(0, 3, kUtf8Bom) == 0 && isValidUtf8(bytes))
        return bytes.substr(3);
    return cp1251ToUtf8(bytes);
}

std::string declareCharset(const std::string& text, std::string_view charset)
{
    const PageScan scan = scanPage(text);
    std::vector<TextEdit> edits;
    bool declared = false;
    for (const auto& declaration : scan.charsets) {
        edits.push_back({declaration.offset, declaration.length, std::string(charset)});
        declared = declared || declaration.ofDocument;
    }
    if (!declared) {
        const std::string meta = "<meta charset=\"" + std::string(charset) + "\">";
        const std::size_t at = scan.declarationInsertAt;
        edits.push_back({at, 0, at == 0 ? meta + lineBreakOf(text) : lineBreakOf(text) + meta});
    }
    return applyEdits(text, std::move(edits));
}

std::string recodePage(const std::string& bytes)
{
    return declareCharset(decodeLibraryText(bytes), "utf-8");
}

std::string declareStyleCharset(std::string text, std::string_view charset)
{
    // Only a rule at the very start counts; its value is quoted.
    if (text.compare(0, 10, "@charset \"") == 0) {
        const std::size_t end = text.find('"', 10);
        if (end != std::string::npos)
            text.replace(10, end - 10, charset);
    }
    return text;
}

std::string recodeStyle(const std::string& bytes)
{
    return declareStyleCharset(decodeLibraryText(bytes), "utf-8");
}

} // namespace corvane::pages
