#include "librarytool/toolerror.h"

#include "platform/pathtext.h"

namespace corvane::librarytool {

ToolError fileSystemToolError(const std::string& what, const std::filesystem::filesystem_error& error)
{
    return ToolError(what + ". " + trimMessageTail(error.code().message())
                     + (error.path1().empty() ? std::string() : " (" + pathText(error.path1()) + ")"));
}

} // namespace corvane::librarytool
