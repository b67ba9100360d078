#pragma once

#include "library/textlist.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace corvane {

// Set from any thread; a running search sees it before its next file and stops.
class SearchCancel {
public:
    void cancel() { cancelled_.store(true, std::memory_order_relaxed); }
    bool cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> cancelled_{false};
};

// One match. Positions count characters of the decoded text, which are the code page's bytes.
struct SearchHit {
    enum class Kind { Name, Text };
    Kind kind = Kind::Name;
    std::string category;   // UTF-8, as the category box shows it
    std::string script;     // UTF-8, as the script box shows it
    std::size_t line = 0;   // text match: line index in the script text, from 0
    std::size_t column = 0; // where the match starts in the name or in that line
    std::size_t length = 0; // the match's length
    // Text match: the line around the match, UTF-8; long lines are cut to a window.
    std::string excerpt;
    std::size_t excerptColumn = 0; // where the match starts in the excerpt
    bool excerptCutBefore = false; // the line goes on before the excerpt
    bool excerptCutAfter = false;  // and after it
};

struct SearchReport {
    std::size_t nameMatches = 0;       // every match found, shown or not
    std::size_t textMatches = 0;       // matching lines
    std::size_t shown = 0;             // hits handed to the sink
    std::size_t unreadableScripts = 0; // skipped: missing, no regular file, too large
    std::size_t unreadableLists = 0;   // scripts.txt files that could not be read
    bool cancelled = false;
};

enum class SearchScope { Names, NamesAndText };

struct SearchLimits {
    std::size_t maxHits = 1000;  // hits handed over; past it matches are only counted
    std::size_t batchSize = 100; // hits handed over at a time
    std::size_t excerptBefore = 60;
    std::size_t excerptLength = 240;
    // A larger script is skipped and counted as unreadable: the code box could not show it.
    std::size_t maxScriptBytes = kCodeBoxCapacity;
};

using SearchSink = std::function<void(std::vector<SearchHit>&&)>;

// Searches the library beside programDirectory for query (UTF-8), ignoring letter case in Latin
// and Cyrillic alike: first every script name, then every script's text. Categories come from
// categories.ini and lists from each scripts.txt as the script box would load them; names match
// before texts. A text ends at its first NUL, like the code box's, and each matching line gives
// one hit at its first match. Reads only; a file that cannot be read is skipped and counted.
// Hits go to sink in batches, names first, on the calling thread.
SearchReport searchLibrary(const std::string& programDirectory, const std::string& query,
                           const SearchCancel& cancel, const SearchSink& sink,
                           SearchScope scope = SearchScope::NamesAndText, const SearchLimits& limits = {});

} // namespace corvane
