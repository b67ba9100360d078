#include "librarytool/findings.h"

#include "librarytool/escape.h"

#include "platform/codepage.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

namespace corvane::librarytool {

namespace {

// Text as a JSON string, quotes included. Bytes that are not UTF-8 are taken as Windows-1251.
std::string jsonString(const std::string& text)
{
    const auto escape = [](char c, char* buffer) -> std::string_view {
        switch (c) {
        case '"': return "\\\"";
        case '\\': return "\\\\";
        case '\n': return "\\n";
        case '\r': return "\\r";
        case '\t': return "\\t";
        default:
            if (static_cast<unsigned char>(c) >= 0x20)
                return {};
            std::snprintf(buffer, 8, "\\u%04x", static_cast<unsigned>(c));
            return {buffer, 6};
        }
    };
    return '"' + escapedEach(displayName(text), escape) + '"';
}

} // namespace

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
        out +=
            forTerminal(shortened(displayName(f.path)) + ": " + f.kind + ": "
                        + (f.line > 0 ? "line " + std::to_string(f.line) + ": " : std::string()) + f.message)
            + "\n";
    return out;
}

std::string findingsAsJson(const std::vector<Finding>& findings)
{
    if (findings.empty())
        return "[]\n";
    std::string out = "[\n";
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const auto& f = findings[i];
        out += "  {\"path\": " + jsonString(f.path)
               + ", \"line\": " + (f.line > 0 ? std::to_string(f.line) : std::string("null"))
               + ", \"kind\": " + jsonString(f.kind) + ", \"message\": " + jsonString(f.message) + "}";
        out += i + 1 < findings.size() ? ",\n" : "\n";
    }
    out += "]\n";
    return out;
}

std::string displayName(const std::string& bytes)
{
    return isValidUtf8(bytes) ? bytes : cp1251ToUtf8(bytes);
}

std::string forTerminal(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        // C1 controls are U+0080 to U+009F: C2 80 to C2 9F.
        const bool c1 = b == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) <= 0x9F
                        && static_cast<unsigned char>(utf8[i + 1]) >= 0x80;
        if (b < 0x20 || b == 0x7F || c1) {
            const unsigned code = c1 ? static_cast<unsigned char>(utf8[++i]) : b;
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", code);
            out += escaped;
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

std::string shortened(std::string_view utf8, std::size_t maxBytes)
{
    if (utf8.size() <= maxBytes)
        return std::string(utf8);
    const auto isContinuation = [&](std::size_t at) {
        return (static_cast<unsigned char>(utf8[at]) & 0xC0) == 0x80;
    };
    // Two thirds from the start, one from the end, each on a character's boundary.
    std::size_t head = maxBytes * 2 / 3;
    while (head > 0 && isContinuation(head))
        --head;
    std::size_t tail = utf8.size() - maxBytes / 3;
    while (tail < utf8.size() && isContinuation(tail))
        ++tail;
    return std::string(utf8.substr(0, head)) + "[… " + std::to_string(tail - head) + " bytes …]"
           + std::string(utf8.substr(tail));
}

} // namespace corvane::librarytool
