#include "syntax/compatscript.h"

#include <array>

namespace corvane::embedded {
extern const std::string_view pageChannel;      // browser/scripts/channel.js
extern const std::string_view compatPrelude;    // browser/scripts/compat/prelude.js
extern const std::string_view compatStandalone; // browser/scripts/compat/standalone.js
// browser/scripts/compat/<part>.js in the order of CompatPart; empty for a part not written.
extern const std::array<std::string_view, 11> compatParts;
} // namespace corvane::embedded

namespace corvane::syntax {
namespace {

static_assert(std::tuple_size_v<decltype(embedded::compatParts)> == kCompatPartCount);

const char* identityName(PageIdentity identity)
{
    switch (identity) {
    case PageIdentity::InternetExplorer: return "ie";
    case PageIdentity::Netscape4: return "ns4";
    case PageIdentity::Today: break;
    }
    return "";
}

} // namespace

std::string javaScriptString(std::string_view text)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            static const char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xf];
        } else if (c == 0xe2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80
                   && (static_cast<unsigned char>(text[i + 2]) == 0xa8
                       || static_cast<unsigned char>(text[i + 2]) == 0xa9)) {
            // Line and paragraph separators end a string literal in older engines.
            out += static_cast<unsigned char>(text[i + 2]) == 0xa8 ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

bool hasCompatPart(CompatPart part)
{
    return !embedded::compatParts[static_cast<std::size_t>(part)].empty();
}

std::string_view programChannelScript()
{
    return embedded::pageChannel;
}

std::string composeCompatScript(const CompatNeeds& needs, const CompatSetup& setup)
{
    CompatNeeds parts = needs;
    if (setup.dialog)
        parts.add(CompatPart::ModalDialog);
    if (parts.empty())
        return {};
    const bool standalone = setup.host == CompatHost::Standalone;
    std::string script;
    script.reserve(std::size_t{64} * 1024);
    script += "(function () {\nvar channel = (function () {\n";
    script += standalone ? embedded::compatStandalone : embedded::pageChannel;
    script += "\n})();\nvar setup = {identity: \"";
    script += identityName(parts.identity);
    script += "\", options: {asToday: false, standalone: ";
    script += standalone ? "true" : "false";
    script += ", files: {";
    for (std::size_t i = 0; i < setup.files.size(); ++i) {
        script += i ? ",\n" : "\n";
        script += javaScriptString(setup.files[i].first);
        script += ": ";
        script += javaScriptString(setup.files[i].second);
    }
    script += "}}, dialog: ";
    script += setup.dialog ? "true" : "false";
    script += ", dialogArguments: ";
    script += javaScriptString(setup.dialogArguments);
    script += "};\nvar compat = (function () {\n";
    script += embedded::compatPrelude;
    script += "\n})();\n";
    for (std::size_t i = 0; i < kCompatPartCount; ++i) {
        if (!parts.has(static_cast<CompatPart>(i)) || embedded::compatParts[i].empty())
            continue;
        script += embedded::compatParts[i];
        script += '\n';
    }
    script += "})();\n";
    return script;
}

} // namespace corvane::syntax
