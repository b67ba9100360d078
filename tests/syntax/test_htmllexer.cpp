#include "syntax/htmllexer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace corvane::syntax {
namespace {

// Tokens as "kind:text" joined by " | ", so a row reads like what the box shows.
std::string describe(std::string_view text, const std::vector<Token>& tokens)
{
    std::string out;
    for (const Token& token : tokens) {
        if (!out.empty())
            out += " | ";
        out += tokenKindName(token.kind);
        out += ':';
        out += text.substr(token.start, token.length);
    }
    return out;
}

// The same text lexed as UTF-16, line by line, each byte widened to one code unit.
std::string describeWide(std::string_view text)
{
    std::string out;
    LexState state = kDocumentStart;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        std::u16string wide;
        for (const char c : line)
            wide += static_cast<char16_t>(static_cast<unsigned char>(c));
        std::vector<Token> tokens;
        state = lexLine(wide, state, tokens);
        const std::string part = describe(line, tokens);
        if (!out.empty() && !part.empty())
            out += " | ";
        out += part;
        if (end == text.size())
            return out;
        start = end + 1;
    }
}

struct LexCase {
    const char* name;
    std::string text;
    std::string tokens;
};

class LexHtml : public ::testing::TestWithParam<LexCase> {};

TEST_P(LexHtml, givesTheKindsOfEachRun)
{
    const LexCase& row = GetParam();
    EXPECT_EQ(describe(row.text, lexText(row.text)), row.tokens);
    EXPECT_EQ(describeWide(row.text), row.tokens);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LexHtml,
    ::testing::Values(
        // Tags and attributes
        LexCase{"tags_startAndEnd", "<p>Hi</p>", "tag:<p | tag:> | tag:</p | tag:>"},
        LexCase{"tags_selfClosing", "a<br/>b", "tag:<br | tag:/>"},
        LexCase{"tags_lessThanAloneIsText", "a < b and 1<2", ""},
        LexCase{"attributes_quotedBareAndEmpty", "<a href=\"x.html\" class='c d' hidden data-n=5>",
                "tag:<a | attribute-name:href | attribute-value:\"x.html\" | attribute-name:class"
                " | attribute-value:'c d' | attribute-name:hidden | attribute-name:data-n"
                " | attribute-value:5 | tag:>"},
        LexCase{"attributes_spacesAroundEquals", "<img src = 'a.gif' >",
                "tag:<img | attribute-name:src | attribute-value:'a.gif' | tag:>"},
        LexCase{"attributes_eventHandlerStaysAValue", "<b onclick=\"if(x) go()\">",
                "tag:<b | attribute-name:onclick | attribute-value:\"if(x) go()\" | tag:>"},
        LexCase{"attributes_cyrillicText", "<p title=\"Здравей\">Здравей &amp; сбогом</p>",
                "tag:<p | attribute-name:title | attribute-value:\"Здравей\" | tag:> | entity:&amp;"
                " | tag:</p | tag:>"},
        LexCase{"entities_namedAndNumericOnly", "a &amp; &#1234; & &b c", "entity:&amp; | entity:&#1234;"},
        // Comments and declarations
        LexCase{"comments_oneLine", "<!-- x --><b>", "comment:<!-- x --> | tag:<b | tag:>"},
        LexCase{"comments_tagsInsideAreComment", "<!-- <b>x</b> -->", "comment:<!-- <b>x</b> -->"},
        LexCase{"doctype", "<!DOCTYPE html><html>", "doctype:<!DOCTYPE html> | tag:<html | tag:>"},
        // Script bodies
        LexCase{"script_keywordsNumbersStringsComments",
                "<script>var x = 0x1F + 1.5e-3; // note\nif (x) { s = 'a'; }</script>",
                "tag:<script | tag:> | script-keyword:var | script-number:0x1F | script-number:1.5e-3"
                " | script-comment:// note | script-keyword:if | script-string:'a' | tag:</script | tag:>"},
        LexCase{"script_endTagEndsAString", "<script>s = \"</script><b>",
                "tag:<script | tag:> | script-string:\" | tag:</script | tag:> | tag:<b | tag:>"},
        LexCase{"script_endTagAnyCase", "<SCRIPT>VAR if</ScRiPt>x",
                "tag:<SCRIPT | tag:> | script-keyword:if | tag:</ScRiPt | tag:>"},
        LexCase{"script_blockCommentAcrossLines", "<script>/* a\nb */ var",
                "tag:<script | tag:> | script-comment:/* a | script-comment:b */ | script-keyword:var"},
        LexCase{"script_regexWithQuoteIsNoString", "<script>t = s.replace(/\"/g, '');",
                "tag:<script | tag:> | script-string:/\"/g | script-string:''"},
        LexCase{"script_divisionIsNoRegex", "<script>a = b / c / 2;",
                "tag:<script | tag:> | script-number:2"},
        LexCase{"script_templateAcrossLines", "<script>t = `a\nb` + 1",
                "tag:<script | tag:> | script-string:`a | script-string:b` | script-number:1"},
        LexCase{"script_tagSpreadOverLines", "<script\n type=\"text/javascript\"\n>\nnew",
                "tag:<script | attribute-name:type | attribute-value:\"text/javascript\" | tag:>"
                " | script-keyword:new"},
        LexCase{"script_htmlAfterEndTag", "<script>x</script><!-- c -->",
                "tag:<script | tag:> | tag:</script | tag:> | comment:<!-- c -->"},
        // Style bodies
        LexCase{"style_propertiesNumbersColours",
                "<style>body { color: #fff; margin: 0 10px; width:50% }</style>",
                "tag:<style | tag:> | style-property:color | style-number:#fff | style-property:margin"
                " | style-number:0 | style-number:10px | style-property:width | style-number:50%"
                " | tag:</style | tag:>"},
        LexCase{"style_selectorsAreNoProperties", "<style>#top a:hover, h1 { }", "tag:<style | tag:>"},
        LexCase{
            "style_atRuleStringComment", "<style>@import \"a.css\"; /* c */",
            "tag:<style | tag:> | style-at-rule:@import | style-string:\"a.css\" | style-comment:/* c */"},
        LexCase{"style_urlAddressesQuotedOrBare", "<style>a { background: url( 'x.gif' ) url(y z.png ) }",
                "tag:<style | tag:> | style-property:background | style-url:'x.gif' | style-url:y z.png"},
        LexCase{
            "rawText_tagsInsideAreText", "<title>a <b>\nc</TITLE><xmp><i></xmp><b>",
            "tag:<title | tag:> | tag:</TITLE | tag:> | tag:<xmp | tag:> | tag:</xmp | tag:> | tag:<b | tag:>"},
        LexCase{"rawText_plaintextNeverEnds", "<plaintext><b></plaintext>", "tag:<plaintext | tag:>"},
        LexCase{"style_propertyOnTheNextLine", "<style>p {\n  font-size: 12pt\n}",
                "tag:<style | tag:> | style-property:font-size | style-number:12pt"},
        // Unterminated runs
        LexCase{"unterminated_commentRunsOn", "<!-- never closed\n<p>\n",
                "comment:<!-- never closed | comment:<p>"},
        LexCase{"unterminated_scriptStringEndsAtTheLine", "<script>s = \"abc\nvar y",
                "tag:<script | tag:> | script-string:\"abc | script-keyword:var"},
        LexCase{"unterminated_scriptStringGoesOnAfterBackslash", "<script>s = 'ab\\\ncd'; var",
                "tag:<script | tag:> | script-string:'ab\\ | script-string:cd' | script-keyword:var"},
        LexCase{"unterminated_styleCommentRunsOn", "<style>/* a\n{ color: red }",
                "tag:<style | tag:> | style-comment:/* a | style-comment:{ color: red }"},
        LexCase{"unterminated_attributeValueAcrossLines", "<div title=\"a\nb\">x<i>",
                "tag:<div | attribute-name:title | attribute-value:\"a | attribute-value:b\" | tag:>"
                " | tag:<i | tag:>"},
        LexCase{"unterminated_tagAtTheEnd", "<a href=", "tag:<a | attribute-name:href"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LexText, crLfCrAndLfAllBreakLinesAndOffsetsPointIntoTheText)
{
    const std::string text = "<!-- a\r\nb -->\r<i>\n<b>";
    EXPECT_EQ(describe(text, lexText(text)),
              "comment:<!-- a | comment:b --> | tag:<i | tag:> | tag:<b | tag:>");
}

TEST(LexLine, aStateFromElsewhereIsTreatedAsTheDocumentStart)
{
    std::vector<Token> fromGarbage, fromStart;
    lexLine(std::string_view("<b>x"), 0x7fffffff, fromGarbage);
    lexLine(std::string_view("<b>x"), kDocumentStart, fromStart);
    EXPECT_EQ(describe("<b>x", fromGarbage), describe("<b>x", fromStart));
}

TEST(TokenKindName, everyKindHasItsOwnName)
{
    std::vector<std::string> names;
    for (std::size_t k = 0; k < kTokenKindCount; ++k) {
        const std::string name = tokenKindName(static_cast<TokenKind>(k));
        EXPECT_EQ(std::find(names.begin(), names.end(), name), names.end()) << name;
        names.push_back(name);
    }
}

// A page of every construct, ending back in page text so that copies can follow each other.
const std::string kSamplePage =
    "<!DOCTYPE html>\r\n<html><head><title>Часовник</title>\r\n"
    "<style>\r\nbody { color: #333; margin: 0 4px }\r\n/* a\r\n comment */\r\n</style>\r\n"
    "<script type=\"text/javascript\">\r\nvar n = 10; /* x\r\n y */ s = 'a\\\r\nb';\r\n"
    "t = `m\r\nn`; r = /'/g;\r\n</script></head>\r\n"
    "<body onload=\"go()\"><!-- c\r\n --><p class='x\r\ny'>&nbsp;Текст</p></body></html>\r\n";

TEST(LexText, aMebibyteGivesTheSampleTokensOverAndOver)
{
    const std::vector<Token> one = lexText(kSamplePage);
    ASSERT_FALSE(one.empty());
    std::string big;
    while (big.size() < (1u << 20))
        big += kSamplePage;
    const std::size_t copies = big.size() / kSamplePage.size();

    const std::vector<Token> all = lexText(big);
    ASSERT_EQ(all.size(), one.size() * copies);
    for (std::size_t c = 0; c < copies; ++c) {
        for (std::size_t i = 0; i < one.size(); ++i) {
            const Token& got = all[c * one.size() + i];
            ASSERT_EQ(got.start, one[i].start + c * kSamplePage.size()) << "copy " << c << " token " << i;
            ASSERT_EQ(got.length, one[i].length);
            ASSERT_EQ(got.kind, one[i].kind);
        }
    }
}

struct LongLineCase {
    const char* name;
    std::string prefix;
    std::string unit;
    TokenKind firstKind;
};

class LexLongLine : public ::testing::TestWithParam<LongLineCase> {};

// One line of a mebibyte must finish in linear time and keep its runs inside the line.
TEST_P(LexLongLine, mebibyteLineStaysInOrderAndInBounds)
{
    std::string line = GetParam().prefix;
    while (line.size() < (1u << 20))
        line += GetParam().unit;
    std::vector<Token> tokens;
    lexLine(std::string_view(line), kDocumentStart, tokens);
    ASSERT_FALSE(tokens.empty());
    EXPECT_EQ(tokens.front().kind, GetParam().firstKind);
    std::size_t end = 0;
    for (const Token& token : tokens) {
        ASSERT_GE(token.start, end);
        ASSERT_GT(token.length, 0u);
        end = token.start + token.length;
    }
    EXPECT_LE(end, line.size());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LexLongLine,
    ::testing::Values(LongLineCase{"openComment", "<!--", "- ", TokenKind::Comment},
                      LongLineCase{"manyTags", "", "<a b='c'>", TokenKind::Tag},
                      LongLineCase{"regexThatNeverCloses", "<script>", "(/[", TokenKind::Tag},
                      LongLineCase{"almostEndTags", "<script>", "</scrip", TokenKind::Tag},
                      LongLineCase{"entitiesWithoutSemicolon", "<b>", "&amp", TokenKind::Tag},
                      LongLineCase{"styleWords", "<style>p{", "a b ", TokenKind::Tag}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace corvane::syntax
