#include "syntax/compatscript.h"
#include "syntax/oldpages.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace corvane::syntax {
namespace {

// Files a page loads, by the address it writes; each one's key is its address.
using Files = std::map<std::string, std::string>;

LoadedFileReader reader(const Files& files)
{
    return [&files](std::string_view address, const std::string&, LoadedKind) -> std::optional<LoadedText> {
        const auto found = files.find(std::string(address));
        if (found == files.end())
            return std::nullopt;
        return LoadedText{found->second, found->first, found->first};
    };
}

struct ScanCase {
    const char* name;
    const char* page;
    Files files;
    const char* parts; // CompatNeeds::partNames()
    PageIdentity identity;
    const char* embedded; // the keys of the files the parts read for themselves, comma separated
};

std::ostream& operator<<(std::ostream& out, const ScanCase& c)
{
    return out << c.name;
}

class CompatScanCases : public ::testing::TestWithParam<ScanCase> {};

// Every sniffing page gets one of the two identities and a page that does not sniff none; a
// modern page gets nothing, so it loads exactly as today.
TEST_P(CompatScanCases, decidesThePartsBeforeTheLoad)
{
    const ScanCase& c = GetParam();
    const CompatScan scan = scanCompatPage(c.page, reader(c.files));
    EXPECT_EQ(scan.needs.partNames(), c.parts);
    EXPECT_EQ(scan.needs.identity, c.identity);
    std::string keys;
    for (const auto& [key, text] : scan.files)
        keys += (keys.empty() ? "" : ",") + key;
    EXPECT_EQ(keys, c.embedded);
}

const ScanCase kScanCases[] = {
    {"modern page: today's filters, gradients, elements and copy, the browser's name only shown",
     "<style>img { filter: blur(0.6px) drop-shadow(0 0 2px red) }</style>"
     "<script>document.getElementById('a').textContent = navigator.userAgent;\n"
     "var sky = 'linear-gradient(red, blue)'; document.body.appendChild(document.createElement('div'));\n"
     "document.execCommand('copy');</script>",
     {},
     "",
     PageIdentity::Today,
     ""},
    {"document.all test takes Internet Explorer's identity with its events and style",
     "<script>var ie4 = document.all ? 1 : 0;</script>",
     {},
     "ie, ieevents, iestyle",
     PageIdentity::InternetExplorer,
     ""},
    {"a browser's name in a variable compared later is a sniff",
     "<script>var agent = navigator.userAgent; if (agent.indexOf('MSIE') > 0) go();</script>",
     {},
     "ie, ieevents, iestyle",
     PageIdentity::InternetExplorer,
     ""},
    {"Netscape 4 path alone takes Netscape 4's identity",
     "<script>if (document.layers) document.layers.ball.left = 10;</script>",
     {},
     "ns4",
     PageIdentity::Netscape4,
     ""},
    {"both paths take Internet Explorer's",
     "<script>if (document.layers) a(); else if (document.all) document.all.ball.style.pixelLeft = 1;</script>",
     {},
     "ie, ieevents, iestyle",
     PageIdentity::InternetExplorer,
     ""},
    {"attachEvent without a sniff keeps today's identity",
     "<body onload=\"document.body.attachEvent('onclick', f)\">",
     {},
     "ieevents",
     PageIdentity::Today,
     ""},
    {"an IE filter in a linked style sheet: its file goes along",
     "<link rel=stylesheet href=\"s/look.css\">",
     {{"s/look.css", ".a { filter: alpha(opacity=50); cursor: hand }"}},
     "iestyle, filters",
     PageIdentity::Today,
     "s/look.css"},
    {"a plain imported style sheet is read but not carried",
     "<style>@import url('plain.css');</style><script src=\"x.js\"></script>",
     {{"plain.css", "p { color: red }"},
      {"x.js", "el.style.filter = 'progid:DXImageTransform.Microsoft.Alpha(opacity=5)';"}},
     "iestyle, filters",
     PageIdentity::Today,
     ""},
    {"a behavior's component is read for its own triggers and carried",
     "<div style=\"behavior: url(files/menu.htc)\">x</div>",
     {{"files/menu.htc", "<public:attach event=\"onmouseover\" onevent=\"f()\"/><script>function f() { "
                         "element.runtimeStyle.color = 'red'; }</script>"}},
     "iestyle, behaviors",
     PageIdentity::Today,
     "files/menu.htc"},
    {"VBScript from a file, and what its handlers read",
     "<script language=\"VBScript\" src=\"lib/tools.vbs\"></script>",
     {{"lib/tools.vbs", "Sub Btn_OnClick\r\n  MsgBox Window.Event.SrcElement.Id\r\nEnd Sub"}},
     "ieevents, vbscript",
     PageIdentity::Today,
     "lib/tools.vbs"},
    {"a layer's page, bgsound and the clipboard",
     "<layer src=\"inner.html\"></layer><bgsound src=\"a.mid\"><script>window.clipboardData.setData('Text', "
     "'x');</script>",
     {{"inner.html", "<b>inside</b>"}},
     "ns4, bgsound, clipboard",
     PageIdentity::Netscape4,
     "inner.html"},
};

INSTANTIATE_TEST_SUITE_P(Pages, CompatScanCases, ::testing::ValuesIn(kScanCases), [](const auto& info) {
    std::string name;
    for (const char* p = info.param.name; *p; ++p)
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
});

TEST(OldBrowserConstructs, aSniffIsAFindingOnlyWithoutAStandardWayBesideIt)
{
    const auto lines = [](const char* page) { return findOldBrowserConstructs(page).size(); };
    // Two tests on one line are one finding; a feature test beside them is today's way.
    EXPECT_EQ(
        lines(
            "<script>\nif (document.all && navigator.appName == 'x') a();\nie = (document.all) ? 1 : 0;\n</script>"),
        2u);
    EXPECT_EQ(lines("<script>if (document.all) a(); else if (document.getElementById) b();</script>"), 0u);
    // Reading document.all as a collection, or showing the browser's name, tests nothing.
    EXPECT_EQ(
        lines("<script>var all = document.all, x = all.item(0); p.innerHTML = navigator.appName;</script>"),
        0u);
}

TEST(CompatScript, theLayerIsPutTogetherInItsOrderWithTheFilesAsStrings)
{
    CompatNeeds needs;
    needs.add(CompatPart::Filters);
    needs.add(CompatPart::Ie);
    needs.identity = PageIdentity::InternetExplorer;
    CompatSetup setup;
    setup.files = {{"a \"b\".css", "line\u2028two\n"}};
    const std::string script = composeCompatScript(needs, setup);
    const auto at = [&](const char* text) { return script.find(text); };
    ASSERT_NE(at("var compat = (function"), std::string::npos);
    EXPECT_LT(at("var channel"), at("var compat"));
    ASSERT_TRUE(hasCompatPart(CompatPart::Ie) && hasCompatPart(CompatPart::Filters));
    EXPECT_LT(at("compat.part('ie'"), at("compat.part('filters'"));
    EXPECT_NE(at("identity: \"ie\""), std::string::npos);
    EXPECT_NE(at("\"a \\\"b\\\".css\": \"line\\u2028two\\u000a\""), std::string::npos);
    EXPECT_TRUE(composeCompatScript(CompatNeeds{}).empty());
}

} // namespace
} // namespace corvane::syntax
