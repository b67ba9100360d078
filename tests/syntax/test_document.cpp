#include "platform/codepage.h"
#include "syntax/document.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace corvane::syntax {
namespace {

namespace fs = std::filesystem;

std::string lower(std::string_view ascii)
{
    std::string out(ascii);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// UTF-8 as the UTF-16 a QString holds.
std::u16string utf16(std::string_view utf8)
{
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        const int extra = b < 0x80 ? 0 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
        char32_t c = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < utf8.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += extra + 1;
    }
    return out;
}

std::string ascii(std::u16string_view text)
{
    std::string out;
    for (const char16_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

// "line: <name attribute ..." for every tag, as the code box colours them: UTF-16, line by line,
// each line starting in the state the line before ended in.
std::vector<std::string> colouredTags(const std::string& utf8)
{
    std::vector<std::string> tags;
    LexState state = kDocumentStart;
    int lineNumber = 1;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = start;
        while (end < utf8.size() && utf8[end] != '\r' && utf8[end] != '\n')
            ++end;
        const std::u16string line = utf16(std::string_view(utf8).substr(start, end - start));
        std::vector<Token> tokens;
        state = lexLine(line, state, tokens);
        for (const Token& token : tokens) {
            const std::string run = ascii(std::u16string_view(line).substr(token.start, token.length));
            if (token.kind == TokenKind::Tag && run[0] == '<')
                tags.push_back(std::to_string(lineNumber) + ": " + lower(run));
            else if (token.kind == TokenKind::AttributeName && !tags.empty())
                tags.back() += " " + lower(run);
        }
        if (end == utf8.size())
            return tags;
        start = end + (utf8[end] == '\r' && end + 1 < utf8.size() && utf8[end + 1] == '\n' ? 2 : 1);
        ++lineNumber;
    }
}

// The same, as the page scan reads them: the whole text's tags.
std::vector<std::string> scannedTags(const std::string& utf8)
{
    std::vector<std::string> tags;
    for (const TagSpan& tag : lexDocument(utf8).tags) {
        int lineNumber = 1;
        for (std::size_t i = 0; i < tag.start; ++i)
            if (utf8[i] == '\r' || (utf8[i] == '\n' && (i == 0 || utf8[i - 1] != '\r')))
                ++lineNumber;
        std::string entry = std::to_string(lineNumber) + ": " + (tag.endTag ? "</" : "<")
                            + lower(std::string_view(utf8).substr(tag.nameStart, tag.nameLength));
        for (const TagAttribute& attribute : tag.attributes)
            entry += " " + lower(std::string_view(utf8).substr(attribute.nameStart, attribute.nameLength));
        tags.push_back(entry);
    }
    return tags;
}

std::vector<fs::path> pages()
{
    std::vector<fs::path> found;
    for (const char* root : {CORVANE_DEFAULT_LIBRARY, CORVANE_LEXER_CORPUS})
        for (const auto& entry : fs::recursive_directory_iterator(root))
            if (entry.is_regular_file()
                && (entry.path().extension() == ".html" || entry.path().extension() == ".htm"))
                found.push_back(entry.path());
    return found;
}

TEST(Document, theColouringAndTheScanSeeTheSameTagsOverTheLibraryAndTheCorpus)
{
    const std::vector<fs::path> files = pages();
    ASSERT_GT(files.size(), 20u);
    std::size_t tags = 0;
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        const std::string text = cp1251ToUtf8(bytes.str());
        const std::vector<std::string> scanned = scannedTags(text);
        EXPECT_EQ(colouredTags(text), scanned) << file;
        tags += scanned.size();
    }
    EXPECT_GT(tags, files.size() * 10);
}

TEST(Document, attributeValuesLoseTheirQuotesAndKeepTheirLinesAndRawTextHoldsNoTags)
{
    const std::string text = "<img src='a.gif' alt=\"two\r\nlines\" hidden width=5><title><b>x</b></title>"
                             "<textarea><p></textarea><p title='never closed";
    const LexedDocument document = lexDocument(text);
    ASSERT_EQ(document.tags.size(), 6u);
    auto value = [&](const TagAttribute& a) { return text.substr(a.valueStart, a.valueLength); };
    const auto& img = document.tags[0].attributes;
    ASSERT_EQ(img.size(), 4u);
    EXPECT_EQ(value(img[0]), "a.gif");
    EXPECT_EQ(value(img[1]), "two\r\nlines");
    EXPECT_FALSE(img[2].hasValue);
    EXPECT_EQ(value(img[3]), "5");
    EXPECT_EQ(text.substr(document.tags[1].nameStart, document.tags[1].nameLength), "title");
    EXPECT_TRUE(document.tags[2].endTag) << "the <b> inside the title is text";
    EXPECT_TRUE(document.tags[4].endTag) << "the <p> inside the textarea is text";
    EXPECT_EQ(document.tags[5].end, text.size());
    EXPECT_EQ(value(document.tags[5].attributes[0]), "never closed");
}

TEST(Document, aLeadingDoctypeEndsWhereItClosesAndOnlyThere)
{
    EXPECT_EQ(leadingDoctypeEnd("<!DOCTYPE html><p>"), 15u);
    EXPECT_EQ(leadingDoctypeEnd(" \r\n<!doctype html\r\n public \"x\">\r\n<p>"), 31u);
    EXPECT_EQ(leadingDoctypeEnd("<p><!DOCTYPE html>"), 0u);
    EXPECT_EQ(leadingDoctypeEnd("<!-- <!DOCTYPE html> -->"), 0u);
    EXPECT_EQ(leadingDoctypeEnd(""), 0u);
}

} // namespace
} // namespace corvane::syntax
