#include "pages/standalonelayer.h"

#include "pages/pagescan.h"
#include "platform/files.h"
#include "platform/insidepath.h"
#include "platform/pathtext.h"
#include "syntax/compatscript.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace corvane::pages {
namespace {

constexpr std::size_t kMaxLoadedBytes = std::size_t{4} * 1024 * 1024;

// Every letter beyond ASCII as a \u escape, which JavaScript reads the same in strings, regular
// expressions and comments alike.
std::string asciiJavaScript(std::string_view utf8)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(utf8.size());
    const auto escape = [&](unsigned unit) {
        out += "\\u";
        for (int shift = 12; shift >= 0; shift -= 4)
            out += kHex[(unit >> shift) & 0xf];
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        const int extra = b >= 0xf0 ? 3 : b >= 0xe0 ? 2 : 1;
        char32_t c = b & (0x3f >> extra);
        for (int k = 1; k <= extra && i + k < utf8.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3f);
        i += static_cast<std::size_t>(extra) + 1;
        if (c >= 0x10000) {
            escape(0xd800 + ((c - 0x10000) >> 10));
            escape(0xdc00 + ((c - 0x10000) & 0x3ff));
        } else {
            escape(static_cast<unsigned>(c));
        }
    }
    return out;
}

// The files the page loads, read as the browser would find them, inside the library only.
syntax::LoadedFileReader libraryFiles(const fs::path& pageFolder, const fs::path& library)
{
    return [pageFolder, library](std::string_view address, const std::string& base,
                                 syntax::LoadedKind) -> std::optional<syntax::LoadedText> {
        if (!isRelativeAddress(address))
            return std::nullopt;
        const std::string path = addressToPath(address);
        if (path.empty())
            return std::nullopt;
        const fs::path folder = base.empty() ? pageFolder : toPath(base);
        const fs::path file = (folder / toPath(path)).lexically_normal();
        const ResolvedPath real = resolveInside(library, file);
        std::string bytes;
        if (real.real.empty() || !readRegularFileInto(pathText(real.real), bytes, kMaxLoadedBytes))
            return std::nullopt;
        return syntax::LoadedText{std::move(bytes), pathText(file.parent_path()),
                                  genericPathText(file.lexically_relative(pageFolder))};
    };
}

syntax::CompatScan scanLibraryPage(std::string_view pageText, const std::string& pageFolder,
                                   const std::string& libraryFolder)
{
    std::error_code error;
    const fs::path library = fs::weakly_canonical(toPath(libraryFolder), error);
    const fs::path folder = fs::absolute(toPath(pageFolder), error).lexically_normal();
    return syntax::scanCompatPage(pageText, libraryFiles(folder, library));
}

} // namespace

bool needsStandaloneLayer(std::string_view pageText, const std::string& pageFolder,
                          const std::string& libraryFolder)
{
    return !scanLibraryPage(pageText, pageFolder, libraryFolder).needs.empty();
}

std::string standaloneLayer(std::string_view pageText, const std::string& pageFolder,
                            const std::string& libraryFolder)
{
    syntax::CompatScan scan = scanLibraryPage(pageText, pageFolder, libraryFolder);
    syntax::CompatSetup setup;
    setup.host = syntax::CompatHost::Standalone;
    setup.files = std::move(scan.files);
    return asciiJavaScript(syntax::composeCompatScript(scan.needs, setup));
}

std::string standaloneLayerName(const std::string& pageName)
{
    const std::size_t dot = pageName.rfind('.');
    return (dot == std::string::npos || dot == 0 ? pageName : pageName.substr(0, dot)) + ".compat.js";
}

TextEdit standaloneLayerLink(std::string_view pageText, const std::string& relative)
{
    // Percent-encoded, the address reads the same in a page of any character set.
    return {scanPage(pageText).declarationInsertAt, 0,
            "<script src=\"" + pathToUrl(relative) + "\"></script>"};
}

} // namespace corvane::pages
