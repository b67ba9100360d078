#include "platform/casefold.h"
#include "platform/codepage.h"
#include "search/librarysearch.h"
#include "search/searchrunner.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <cwctype>
#include <future>
#include <map>
#include <mutex>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace corvane {
namespace {

struct Found {
    std::vector<SearchHit> hits;
    SearchReport report;
};

Found search(const test::TempDir& dir, const std::string& query, const SearchLimits& limits = {})
{
    Found found;
    SearchCancel cancel;
    found.report = searchLibrary(
        dir.dir(), query, cancel,
        [&](std::vector<SearchHit>&& batch) {
            for (auto& hit : batch)
                found.hits.push_back(std::move(hit));
        },
        SearchScope::NamesAndText, limits);
    return found;
}

// "category/script" for name hits, "category/script:line:column" for text hits.
std::vector<std::string> where(const std::vector<SearchHit>& hits)
{
    std::vector<std::string> out;
    for (const auto& hit : hits) {
        std::string w = hit.category + "/" + hit.script;
        if (hit.kind == SearchHit::Kind::Text)
            w += ":" + std::to_string(hit.line) + ":" + std::to_string(hit.column);
        out.push_back(w);
    }
    return out;
}

TEST(LibrarySearch, namesComeFirstInLibraryOrderThenTextLineByLine)
{
    test::TempDir dir;
    dir.writeLibrary({
        // Lines end in CR LF, a lone LF and a lone CR; the second match on one line adds no hit.
        {"Часовници", "Стрелки.html", "<html>\r\nняма\nчасовник и пак часовник\rкрай"},
        {"Часовници", "Цифров часовник.html", "<b>часовник</b>"},
        {"Игри", "Часовник на шах.html", "\r\n\r\n  Часовник"},
    });

    const Found found = search(dir, "часовник");
    EXPECT_EQ(where(found.hits), (std::vector<std::string>{
                                     "Часовници/Цифров часовник.html",
                                     "Игри/Часовник на шах.html",
                                     "Часовници/Стрелки.html:2:0",
                                     "Часовници/Цифров часовник.html:0:3",
                                     "Игри/Часовник на шах.html:2:2",
                                 }));
    EXPECT_EQ(found.hits[0].column, 7u); // "Цифров " before the match, in characters
    EXPECT_EQ(found.hits[0].length, 8u);
    EXPECT_EQ(found.hits[2].excerpt, "часовник и пак часовник");
    EXPECT_EQ(found.report.nameMatches, 2u);
    EXPECT_EQ(found.report.textMatches, 3u);
    EXPECT_EQ(found.report.unreadableScripts, 0u);
}

TEST(LibrarySearch, letterCaseIsIgnoredInBothAlphabets)
{
    const struct {
        const char* name;
        const char* text;
        const char* query;
        bool found;
    } rows[] = {
        {"latin: capitals in the text", "<SCRIPT>Clock()", "clock", true},
        {"latin: capitals in the query", "function clock()", "CLOCK", true},
        {"cyrillic: capitals in the text", "СТРЕЛКИ", "стрелки", true},
        {"cyrillic: capitals in the query", "стрелки", "СтРеЛкИ", true},
        {"cyrillic: Ё and Ї outside А-Я", "ЁЖ Її Ўў Ѓ", "ёж її ЎЎ ѓ", true},
        {"mixed alphabets in one query", "var Часовник = Clock;", "часовник = clock", true},
        {"a letter is not its neighbour", "стрелки", "стрелкй", false},
        {"a character the code page lacks finds no question mark", "what?", "what\u00e4", false},
    };
    for (const auto& row : rows) {
        test::TempDir dir;
        dir.writeLibrary({{"К", "x.html", row.text}});
        const Found found = search(dir, row.query);
        EXPECT_EQ(found.hits.size(), row.found ? 1u : 0u) << row.name;
    }
}

namespace {

// The system's own lower case of a character: the C library's Unicode tables here (in a UTF-8
// locale), the Windows API's on Windows, where the C library's follows the code page.
wchar_t systemLowerCase(wchar_t c)
{
#ifdef _WIN32
    wchar_t lower = c;
    ::LCMapStringW(LOCALE_INVARIANT, LCMAP_LOWERCASE, &c, 1, &lower, 1);
    return lower;
#else
    return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
#endif
}

} // namespace

// Every capital of the code page folds to the byte of its small letter, as Unicode says.
TEST(LibrarySearch, foldTableAgreesWithUnicodeLowerCase)
{
#ifndef _WIN32
    ASSERT_TRUE(std::setlocale(LC_CTYPE, "C.UTF-8"));
#endif
    const auto decode = [](unsigned char byte) {
        const std::string utf8 = cp1251ToUtf8(std::string(1, static_cast<char>(byte)));
        std::size_t i = 0;
        return static_cast<wchar_t>(nextCodePoint(utf8, i));
    };
    const Cp1251Fold& fold = cp1251Fold();
    int capitals = 0;
    for (int b = 1; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        const wchar_t lower = systemLowerCase(decode(byte));
        EXPECT_EQ(decode(fold(byte)), lower) << "byte " << b;
        capitals += lower != decode(byte);
    }
    EXPECT_EQ(capitals, 26 + 32 + 15);
}

TEST(LibrarySearch, textEndsAtTheFirstNulInListsAndScripts)
{
    test::TempDir dir;
    dir.writeCp1251("categories.ini", "[К]\r\n");
    dir.write("К/scripts.txt", std::string("a.html\r\n\0b.html\r\n", 17));
    dir.write("К/a.html", std::string("one needle\r\n\0two needle\r\n", 25));
    dir.write("К/b.html", "needle");
    const Found found = search(dir, "needle");
    EXPECT_EQ(where(found.hits), std::vector<std::string>{"К/a.html:0:4"});
    EXPECT_EQ(found.report.unreadableScripts, 0u);
}

TEST(LibrarySearch, unreadableScriptsAndListsAreSkippedAndCounted)
{
    test::TempDir dir;
    dir.writeLibrary({
        {"Липсващ", nullptr, nullptr},
        {"К", "missing.html", nullptr},
        {"К", "folder", nullptr},
        {"К", "", nullptr}, // the empty line names the category folder itself
        {"К", "fifo.html", nullptr},
        {"К", "big.html", "needle and more than the code box holds"},
        {"К", "ok.html", "needle"},
    });
    dir.write("К/folder/inside.html", "needle");
#ifndef _WIN32 // on Windows the missing file counts the same
    ASSERT_EQ(::mkfifo((dir.dir() + "К/fifo.html").c_str(), 0600), 0);
#endif
    SearchLimits limits;
    limits.maxScriptBytes = 16;
    const Found found = search(dir, "needle", limits);
    EXPECT_EQ(where(found.hits), std::vector<std::string>{"К/ok.html:0:0"});
    EXPECT_EQ(found.report.unreadableScripts, 5u);
    EXPECT_EQ(found.report.unreadableLists, 1u);
}

TEST(LibrarySearch, longLinesAreCutAroundTheMatchAndHitsStopAtTheLimit)
{
    test::TempDir dir;
    const std::string longLine = std::string(500, 'x') + "Игла" + std::string(500, 'y');
    dir.writeLibrary({{"К", "a.html", longLine.c_str()}, {"К", "b.html", "игла\nигла\nигла\n"}});
    SearchLimits limits;
    limits.maxHits = 2;
    limits.excerptBefore = 10;
    limits.excerptLength = 30;
    const Found found = search(dir, "игла", limits);
    ASSERT_EQ(found.hits.size(), 2u);
    const SearchHit& cut = found.hits[0];
    EXPECT_EQ(cut.column, 500u);
    EXPECT_EQ(cut.excerpt, std::string(10, 'x') + "Игла" + std::string(16, 'y'));
    EXPECT_EQ(cut.excerptColumn, 10u);
    EXPECT_TRUE(cut.excerptCutBefore);
    EXPECT_TRUE(cut.excerptCutAfter);
    EXPECT_EQ(found.report.textMatches, 4u); // counted past the limit
    EXPECT_EQ(found.report.shown, 2u);
}

TEST(LibrarySearch, cancellingStopsBeforeTheNextFile)
{
    test::TempDir dir;
    dir.writeCp1251("categories.ini", "[К]\r\n");
    std::string list;
    for (int i = 0; i < 50; ++i) {
        const std::string name = std::to_string(i) + ".html";
        list += name + "\r\n";
        dir.write("К/" + name, "needle");
    }
    dir.write("К/scripts.txt", list);
    SearchLimits limits;
    limits.batchSize = 1;
    SearchCancel cancel;
    size_t delivered = 0;
    const SearchReport report = searchLibrary(
        dir.dir(), "needle", cancel,
        [&](std::vector<SearchHit>&& hits) {
            delivered += hits.size();
            cancel.cancel();
        },
        SearchScope::NamesAndText, limits);
    EXPECT_TRUE(report.cancelled);
    EXPECT_EQ(delivered, 1u);
    EXPECT_EQ(report.textMatches, 1u);
}

TEST(SearchRunner, aNewSearchCancelsTheOneRunning)
{
    test::TempDir dir;
    dir.writeLibrary({{"К", "a.html", "първа втора"}, {"К", "b.html", "първа втора"}});

    std::promise<void> firstHit;
    std::promise<void> secondStarted;
    std::shared_future<void> secondStartedFuture = secondStarted.get_future().share();
    std::mutex mutex;
    std::map<std::uint64_t, size_t> hits;
    std::map<std::uint64_t, SearchReport> reports;
    std::promise<void> secondDone;
    SearchLimits limits;
    limits.batchSize = 1;
    std::uint64_t second = 0;
    SearchRunner runner(
        dir.dir(),
        [&](std::uint64_t ticket, std::vector<SearchHit>&& batch) {
            {
                const std::lock_guard<std::mutex> lock(mutex);
                hits[ticket] += batch.size();
            }
            if (ticket == 1 && hits[1] == 1) {
                firstHit.set_value();
                secondStartedFuture.wait(); // hold the first search inside its first file
            }
        },
        [&](std::uint64_t ticket, const SearchReport& report, std::exception_ptr failure) {
            EXPECT_FALSE(failure);
            {
                const std::lock_guard<std::mutex> lock(mutex);
                reports[ticket] = report;
            }
            if (ticket == 2)
                secondDone.set_value();
        },
        limits);

    EXPECT_EQ(runner.start("първа"), 1u);
    firstHit.get_future().wait();
    second = runner.start("ВТОРА");
    secondStarted.set_value();
    ASSERT_EQ(secondDone.get_future().wait_for(std::chrono::seconds(20)), std::future_status::ready);

    const std::lock_guard<std::mutex> lock(mutex);
    EXPECT_TRUE(reports[1].cancelled);
    EXPECT_EQ(hits[1], 1u);
    EXPECT_FALSE(reports[second].cancelled);
    EXPECT_EQ(hits[second], 2u);
}

} // namespace
} // namespace corvane
