#include "library/textlist.h"
#include "platform/errors.h"
#include "support/testfiles.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

#include <gtest/gtest.h>

namespace corvane {
namespace {

struct SplitCase {
    const char* name;
    std::string bytes;
    TextList lines;
};

class SplitTextList : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTextList, followsTheLineRule)
{
    EXPECT_EQ(splitTextList(GetParam().bytes), GetParam().lines);
    EXPECT_EQ(countTextListLines(GetParam().bytes), GetParam().lines.size());
    // Read in pieces, a break or a NUL can fall on any seam.
    const std::string& bytes = GetParam().bytes;
    for (size_t seam = 0; seam <= bytes.size(); ++seam) {
        TextListLineCounter counter;
        if (counter.feed(std::string_view(bytes).substr(0, seam)))
            counter.feed(std::string_view(bytes).substr(seam));
        EXPECT_EQ(counter.lines(), GetParam().lines.size()) << "seam " << seam;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Breaks, SplitTextList,
    ::testing::Values(SplitCase{"empty", "", {}}, SplitCase{"noFinalBreak", "a\r\nb", {"a", "b"}},
                      SplitCase{"crlfIsOneBreak", "a\r\nb\r\n", {"a", "b"}},
                      SplitCase{"lfCrIsTwoBreaks", "a\n\rb", {"a", "", "b"}},
                      SplitCase{"crCr", "a\r\rb", {"a", "", "b"}},
                      SplitCase{"lfLf", "a\n\nb", {"a", "", "b"}}, SplitCase{"loneCr", "a\rb", {"a", "b"}},
                      SplitCase{"twoFinalBreaks", "a\r\n\r\n", {"a", ""}},
                      SplitCase{"onlyCrLf", "\r\n", {""}},
                      SplitCase{"nulEndsText", std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}},
                      SplitCase{"nulFirst", std::string("\0a", 2), {}},
                      SplitCase{"nothingTrimmed", " a \t\r\n\t", {" a \t", "\t"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoadScriptText, everyBreakBecomesOneNewlineAndNulEndsTheText)
{
    test::TempDir dir;
    const auto path = dir.write("s.html", std::string("a\r\nb\rc\nd\n\r\xe0\0tail", 15));
    EXPECT_EQ(loadScriptText(path), "a\nb\nc\nd\n\nа");
}

TEST(LoadScriptText, aTextBeyondTheCodeBoxCapacityIsRefused)
{
    const struct {
        const char* name;
        std::string bytes;
        size_t capacity;
        bool fits;
    } rows[] = {
        {"exactly full", "abc\r\nd", 6, true},
        {"file larger", "abc\r\nde", 6, false},
        {"bare LFs grow into CR LF", "ab\ncd\n", 7, false},
        {"bare CRs grow too", "ab\rcd\r", 8, true},
        {"text before a NUL fits though the file does not", std::string("ab\0cdefgh", 9), 6, false},
    };
    test::TempDir dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto path = dir.write("s.html", row.bytes);
        if (row.fits) {
            EXPECT_NO_THROW(loadScriptText(path, row.capacity));
            continue;
        }
        try {
            loadScriptText(path, row.capacity);
            ADD_FAILURE() << "loaded";
        } catch (const TextCapacityError& e) {
            EXPECT_EQ(std::string(e.what()), "Text exceeds memo capacity");
        }
    }
}

TEST(LoadTextList, decodesWindows1251AndReportsAMissingFile)
{
    test::TempDir dir;
    const auto path = dir.writeCp1251("l.txt", "Часовник.html\r\nДруг.html\r\n");
    EXPECT_EQ(loadTextList(path), (TextList{"Часовник.html", "Друг.html"}));
    try {
        loadTextList(dir.dir() + "none.txt");
        FAIL() << "no error";
    } catch (const FileOpenError& e) {
#ifdef _WIN32
        const std::string reason = systemErrorText(ERROR_FILE_NOT_FOUND);
#else
        const std::string reason = systemErrorText(ENOENT);
#endif
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + dir.dir() + "none.txt\". " + reason);
    }
    EXPECT_THROW(loadTextList(dir.dir()), FileOpenError); // a directory is no file
}

} // namespace
} // namespace corvane
