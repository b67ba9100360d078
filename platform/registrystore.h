#pragma once

#include "platform/registry.h"
#include "platform/registryvalue.h"

#include <optional>
#include <string>
#include <system_error>

namespace corvane {

// One store file, the way a machine hive is kept per user here. Every save replaces the file
// atomically, so a write killed half way leaves either the old store or the new one, plus at
// most the one temporary file, which the next save takes over.
class RegistryStore : public Registry {
public:
    explicit RegistryStore(std::string filePath);

    const std::string& filePath() const { return filePath_; }
    // The one temporary file a save writes before it renames it over the store.
    std::string temporaryPath() const { return filePath_ + ".tmp"; }

    // A missing file is an empty store; a file that cannot be read or parsed gives nothing.
    std::optional<RegistryHive> load() const;
    // As load(), but a store that is no registry text (garbage, cut short, empty, a directory
    // or anything else that is no regular file) is set aside under brokenPathPrefix() plus a
    // time stamp, keeping its bytes, and an empty store takes its place. Gives nothing only
    // when the store cannot be read (no rights) or cannot be set aside; failure then holds the
    // system's reason.
    std::optional<RegistryHive> loadOrSetAside(std::error_code& failure) const;
    std::string brokenPathPrefix() const { return filePath_ + ".broken-"; }

    // Gives the system's reason when it fails, leaving everything as it was: the store may not
    // be written (no write permission on it), the temporary file is a link or no file, or
    // another copy of the program holds it for longer than a moment. Nothing when saved.
    std::error_code save(const RegistryHive& hive) const;

    std::unique_ptr<RegistryKey> newKey() const override;

private:
    struct Loaded {
        enum State { Parsed, Broken, Unreadable } state;
        RegistryHive hive;
        std::error_code error; // why it is unreadable
    };
    Loaded loadFile() const;
    std::error_code setAside() const;

    std::string filePath_;
};

// The per-user store location: $XDG_STATE_HOME (or ~/.local/state) + "/corvane/system.reg".
std::string defaultRegistryStorePath();
// Where earlier versions kept it: $XDG_DATA_HOME (or ~/.local/share) + "/corvane/system.reg".
std::string legacyRegistryStorePath();
// Moves a store from `from` to `to` when only the old one exists; anything else is left alone.
void moveLegacyRegistryStore(const std::string& from, const std::string& to);

} // namespace corvane
