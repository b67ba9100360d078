#pragma once

#include "platform/registry.h"
#include "platform/registryvalue.h"

#include <optional>
#include <string>

namespace corvane {

// One store file, the way a machine hive is kept per user here. Every save replaces the file
// atomically, so a write killed half way leaves either the old store or the new one.
class RegistryStore : public Registry {
public:
    explicit RegistryStore(std::string filePath);

    const std::string& filePath() const { return filePath_; }
    // A missing file is an empty store; a file that cannot be read or parsed gives nothing.
    std::optional<RegistryHive> load() const;
    bool save(const RegistryHive& hive) const;

    std::unique_ptr<RegistryKey> newKey() const override;

private:
    std::string filePath_;
};

// The per-user store location: $XDG_STATE_HOME (or ~/.local/state) + "/corvane/system.reg".
std::string defaultRegistryStorePath();
// Where earlier versions kept it: $XDG_DATA_HOME (or ~/.local/share) + "/corvane/system.reg".
std::string legacyRegistryStorePath();
// Moves a store from `from` to `to` when only the old one exists; anything else is left alone.
void moveLegacyRegistryStore(const std::string& from, const std::string& to);

} // namespace corvane
