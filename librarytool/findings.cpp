#include "librarytool/findings.h"

#include "platform/codepage.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

namespace corvane::librarytool {

void sortFindings(std::vector<Finding>& findings)
{
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return std::tie(a.path, a.line, a.kind) < std::tie(b.path, b.line, b.kind);
    });
}

std::string findingsAsText(const std::vector<Finding>& findings)
{
    std::string out;
    for (const auto& f : findings)
        out += displayName(f.path) + ": " + f.kind + ": "
            + (f.line > 0 ? "line " + std::to_string(f.line) + ": " : std::string()) + f.message + "\n";
    return out;
}

std::string findingsAsJson(const std::vector<Finding>& findings)
{
    if (findings.empty())
        return "[]\n";
    std::string out = "[\n";
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const auto& f = findings[i];
        out += "  {\"path\": " + jsonString(f.path) + ", \"line\": "
            + (f.line > 0 ? std::to_string(f.line) : std::string("null")) + ", \"kind\": " + jsonString(f.kind)
            + ", \"message\": " + jsonString(f.message) + "}";
        out += i + 1 < findings.size() ? ",\n" : "\n";
    }
    out += "]\n";
    return out;
}

std::string displayName(const std::string& bytes)
{
    return isValidUtf8(bytes) ? bytes : cp1251ToUtf8(bytes);
}

std::string jsonString(const std::string& text)
{
    const std::string utf8 = displayName(text);
    std::string out = "\"";
    for (const char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

} // namespace corvane::librarytool
