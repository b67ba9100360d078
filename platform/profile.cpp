#include "platform/profile.h"

#include "platform/codepage.h"
#include "platform/lines.h"

namespace corvane {
namespace {

bool isProfileSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isProfileSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isProfileSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::vector<std::string> parseSectionNames(std::string_view text, size_t budget)
{
    bool utf8 = false;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        utf8 = true;
        text.remove_prefix(3);
    }
    // The platform reads UTF-16 files too, either byte order.
    std::string decoded;
    if (text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == "\xFE\xFF") {
        decoded = utf16ToUtf8(text.substr(2), text[0] == '\xFE');
        text = decoded;
        utf8 = true;
    }

    std::vector<std::string> names;
    size_t used = 0;
    for (size_t pos = 0; pos < text.size();) {
        const LineView row = lineAt(text, pos);
        pos = row.next;
        const std::string_view line = trim(row.text);
        if (line.empty() || line.front() != '[')
            continue;
        const size_t close = line.rfind(']');
        if (close == std::string_view::npos)
            continue;
        std::string_view raw = trim(line.substr(1, close - 1));
        // The platform keeps names as C strings: a NUL byte ends one.
        raw = raw.substr(0, raw.find('\0'));
        if (raw.empty())
            continue;
        // The budget counts the platform's bytes: the name in the code page plus its NUL. The
        // platform keeps two places free (the list's final NUL and one more): a name that
        // would fill them counts as cut, and we drop it.
        const size_t cost = (utf8 ? utf8ToCp1251(raw).size() : raw.size()) + 1;
        if (used + cost + 2 > budget)
            break;
        used += cost;
        names.push_back(utf8 ? std::string(raw) : cp1251ToUtf8(raw));
    }
    return names;
}

} // namespace corvane
