#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::syntax {

// What a page shows of the browsers it was written for (Internet Explorer 4-6, Netscape 4): the
// `old-browser` findings of check, and the parts of the compatibility layer the preview gives it.
// One reading of the page serves both, so the tool and the preview never disagree about a page.
// Texts are Windows-1251 or UTF-8: only ASCII carries syntax.

// The layer's parts, in the order they are put together.
enum class CompatPart : std::uint8_t {
    Ie,
    Ns4,
    IeEvents,
    IeStyle,
    Filters,
    IeDom,
    ModalDialog,
    Bgsound,
    Clipboard,
    Behaviors,
    VbScript,
    Count
};
inline constexpr std::size_t kCompatPartCount = static_cast<std::size_t>(CompatPart::Count);

// Who the page is told it runs in.
enum class PageIdentity : std::uint8_t { Today, InternetExplorer, Netscape4 };

struct CompatNeeds {
    std::uint32_t parts = 0; // a bit a part
    PageIdentity identity = PageIdentity::Today;

    static constexpr std::uint32_t bit(CompatPart part) { return 1u << static_cast<unsigned>(part); }
    bool has(CompatPart part) const { return (parts & bit(part)) != 0; }
    void add(CompatPart part) { parts |= bit(part); }
    bool empty() const { return parts == 0; }
    // What either needs; this one's identity, or the other's when this has none.
    void merge(const CompatNeeds& other);
    // "ie, ieevents, filters", for messages and tests.
    std::string partNames() const;

    friend bool operator==(const CompatNeeds& a, const CompatNeeds& b)
    {
        return a.parts == b.parts && a.identity == b.identity;
    }
    friend bool operator!=(const CompatNeeds& a, const CompatNeeds& b) { return !(a == b); }
};

// A file a page loads that the scan follows: a script, a style sheet, a behavior's component, a
// VBScript file, a page a Netscape layer shows.
enum class LoadedKind { Script, Style, Component, VbScript, LayerPage };

struct LoadedText {
    std::string text;
    std::string base; // the caller's name for where it is, given back for what it loads in turn
    std::string key;  // its path from the page's folder, "/" separated, decoded; empty: never carried
};

// Reads a file the page loads: `address` as written in the file whose base is `base` (empty for
// the page). Nothing when it is not a local file that can be read.
using LoadedFileReader = std::function<std::optional<LoadedText>(std::string_view address,
                                                                 const std::string& base, LoadedKind kind)>;

// At most this many loaded files are followed for one page.
inline constexpr std::size_t kMaxFollowedFiles = 32;

struct CompatScan {
    CompatNeeds needs;
    // The files the parts read for themselves (components, VBScript files, style sheets with IE's
    // filters or hand cursor, layers' pages), by LoadedText::key, as UTF-8 text: a page saved to
    // disk cannot read a neighbouring file.
    std::vector<std::pair<std::string, std::string>> files;
};

// What `page` needs, the files it loads included when `read` is given.
CompatScan scanCompatPage(std::string_view page, const LoadedFileReader& read = {});
inline CompatNeeds compatNeeds(std::string_view page, const LoadedFileReader& read = {})
{
    return scanCompatPage(page, read).needs;
}

// One old-browser finding: where in the page, and what to do instead.
struct OldBrowserConstruct {
    std::size_t offset = 0;
    std::string message;
};

// Every construct of the page only old browsers ran, in page order.
std::vector<OldBrowserConstruct> findOldBrowserConstructs(std::string_view page);

} // namespace corvane::syntax
