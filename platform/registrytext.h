#pragma once

#include "platform/registryvalue.h"

#include <optional>
#include <string>

namespace corvane {

// Text form of a hive, in the syntax of .reg files (REGEDIT4), UTF-8.
std::string formatRegistryText(const RegistryHive& hive);
// Parses that text; nothing when it is not a registry file.
std::optional<RegistryHive> parseRegistryText(const std::string& text);

} // namespace corvane
