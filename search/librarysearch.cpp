#include "search/librarysearch.h"

#include "library/scriptlibrary.h"
#include "library/textlist.h"
#include "platform/casefold.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/lines.h"

#include <algorithm>
#include <string_view>

namespace corvane {
namespace {

// A pending text hit reaches the dialog after at most this many further files.
constexpr std::size_t kFilesPerFlush = 256;

struct ScriptEntry {
    const std::string* category;
    std::string name;
    std::string path;
};

// The query as folded code-page bytes; false when it can match nothing.
bool foldedNeedle(const std::string& query, std::string& needle)
{
    const std::string bytes = utf8ToCp1251(query);
    // A character the code page lacks is in no name and no text.
    if (bytes.empty() || cp1251ToUtf8(bytes) != query)
        return false;
    // A match lies within one line of the text, which ends at its first NUL.
    if (bytes.find_first_of(std::string_view("\0\r\n", 3)) != std::string::npos)
        return false;
    cp1251Fold().fold(bytes, needle);
    return true;
}

// Hands hits over in batches until the limit, then only counts.
class Collector {
public:
    Collector(const SearchSink& sink, const SearchLimits& limits, SearchReport& report)
        : sink_(sink)
        , limits_(limits)
        , report_(report)
    {
    }
    bool wantsMore() const { return report_.shown < limits_.maxHits; }
    void add(SearchHit&& hit)
    {
        batch_.push_back(std::move(hit));
        ++report_.shown;
        if (batch_.size() >= limits_.batchSize)
            flush();
    }
    void flush()
    {
        if (batch_.empty())
            return;
        sink_(std::move(batch_));
        batch_.clear();
    }

private:
    const SearchSink& sink_;
    const SearchLimits& limits_;
    SearchReport& report_;
    std::vector<SearchHit> batch_;
};

// Finds every line of one script's text that holds the needle.
class TextScanner {
public:
    TextScanner(std::string_view needle, const SearchLimits& limits)
        : needle_(needle)
        , limits_(limits)
    {
    }

    void scan(const ScriptEntry& script, std::string_view text, Collector& collector, SearchReport& report)
    {
        cp1251Fold().fold(text, folded_);
        const std::string_view hay(folded_);
        size_t line = 0;
        size_t counted = 0; // breaks before this offset are in line
        size_t from = 0;
        for (;;) {
            const size_t found = hay.find(needle_, from);
            if (found == std::string_view::npos)
                return;
            size_t lineStart = found;
            while (lineStart > counted && !isLineBreak(text[lineStart - 1]))
                --lineStart;
            const bool afterCr = counted > 0 && text[counted - 1] == '\r';
            line += countLineBreaks(text.substr(counted, lineStart - counted), afterCr);
            counted = lineStart;
            size_t lineEnd = found + needle_.size();
            while (lineEnd < text.size() && !isLineBreak(text[lineEnd]))
                ++lineEnd;

            ++report.textMatches;
            if (collector.wantsMore())
                collector.add(hit(script, text, line, lineStart, lineEnd, found));
            from = lineEnd;
        }
    }

private:
    SearchHit hit(const ScriptEntry& script, std::string_view text, size_t line, size_t lineStart,
                  size_t lineEnd, size_t found) const
    {
        SearchHit hit;
        hit.kind = SearchHit::Kind::Text;
        hit.category = *script.category;
        hit.script = script.name;
        hit.line = line;
        hit.column = found - lineStart;
        hit.length = needle_.size();
        const size_t begin = found - std::min(limits_.excerptBefore, found - lineStart);
        const size_t end = std::min(lineEnd, std::max(begin + limits_.excerptLength, found + needle_.size()));
        hit.excerpt = cp1251ToUtf8(text.substr(begin, end - begin));
        hit.excerptColumn = found - begin;
        hit.excerptCutBefore = begin > lineStart;
        hit.excerptCutAfter = end < lineEnd;
        return hit;
    }

    std::string_view needle_;
    const SearchLimits& limits_;
    std::string folded_;
};

} // namespace

SearchReport searchLibrary(const std::string& programDirectory, const std::string& query,
                           const SearchCancel& cancel, const SearchSink& sink, SearchScope scope,
                           const SearchLimits& limits)
{
    SearchReport report;
    std::string needle;
    if (!foldedNeedle(query, needle))
        return report;

    const ScriptLibrary library(programDirectory);
    const std::vector<std::string> categories = CategoryListFile(library.categoriesPath()).sectionNames();
    const bool withText = scope == SearchScope::NamesAndText;
    const Cp1251Fold& fold = cp1251Fold();
    Collector collector(sink, limits, report);
    std::vector<ScriptEntry> scripts;
    std::string bytes;
    std::string folded;

    // Names first: every list is read before any script.
    for (const std::string& category : categories) {
        if (cancel.cancelled()) {
            report.cancelled = true;
            return report;
        }
        if (!readRegularFileInto(library.scriptListPath(category), bytes)) {
            ++report.unreadableLists;
            continue;
        }
        for (const std::string& raw : splitTextList(bytes)) {
            fold.fold(raw, folded);
            const size_t found = folded.find(needle);
            if (found != std::string::npos) {
                ++report.nameMatches;
                if (collector.wantsMore()) {
                    SearchHit hit;
                    hit.category = category;
                    hit.script = cp1251ToUtf8(raw);
                    hit.column = found;
                    hit.length = needle.size();
                    collector.add(std::move(hit));
                }
            }
            if (withText) {
                std::string name = cp1251ToUtf8(raw);
                std::string path = library.scriptPath(category, name);
                scripts.push_back({&category, std::move(name), std::move(path)});
            }
        }
    }
    collector.flush();

    TextScanner scanner(needle, limits);
    size_t sinceFlush = 0;
    for (const ScriptEntry& script : scripts) {
        if (cancel.cancelled()) {
            report.cancelled = true;
            return report;
        }
        if (!readRegularFileInto(script.path, bytes, limits.maxScriptBytes)) {
            ++report.unreadableScripts;
            continue;
        }
        // The code box shows the text up to the first NUL; what it cannot show is not found.
        scanner.scan(script, textBeforeNul(bytes), collector, report);
        if (++sinceFlush >= kFilesPerFlush) {
            collector.flush();
            sinceFlush = 0;
        }
    }
    collector.flush();
    return report;
}

} // namespace corvane
