#include "librarytool/oldbrowser.h"

#include "pages/pagescan.h"
#include "syntax/oldpages.h"

namespace corvane::librarytool {

void findOldBrowserCode(std::string_view page, const std::string& path, std::vector<Finding>& findings)
{
    pages::LineCounter lines(page);
    for (auto& construct : syntax::findOldBrowserConstructs(page))
        findings.push_back(
            {path, lines.lineAt(construct.offset), "old-browser", std::move(construct.message)});
}

} // namespace corvane::librarytool
