#pragma once

#include "platform/errors.h"

#include <filesystem>
#include <string>

namespace corvane::librarytool {

// The tool cannot do its work at all (no such folder, output refused, a write failed).
class ToolError : public Error {
public:
    using Error::Error;
    const char* className() const noexcept override { return "ToolError"; }
};

// A file-system failure while doing `what` ("Cannot write the gallery \"out\""), as the tool
// reports it: the system's reason and the path it was about.
ToolError fileSystemToolError(const std::string& what, const std::filesystem::filesystem_error& error);

} // namespace corvane::librarytool
