#pragma once

#include "platform/registry.h"
#include "platform/shell.h"

#include <string>

namespace corvane {

// What the countdown needs of the window it runs for.
class CountdownHost {
public:
    virtual ~CountdownHost() = default;
    // A plain message box; returns when the user has dismissed it.
    virtual void showMessage(const std::string& text) = 0;
    // Loads a page into the preview without waiting for it.
    virtual void navigatePreview(const std::string& address) = 0;
};

inline constexpr const char* kCountdownRoot = "HKEY_LOCAL_MACHINE";
inline constexpr const char* kCountdownKey = "Software\\Corvane\\Corvane Scripts\\";
inline constexpr int kStartsBetweenRedirects = 20;

// Counts starts down in the registry: greets at the first start, shows the welcome page at the
// others, and at every twentieth shows the redirect page and opens the maker's site.
class StartCountdown {
public:
    StartCountdown(const Registry& registry, std::string programDirectory, CountdownHost& host, Shell& shell,
                   std::string makerSite);

    // Raises RegistryError or FileCreateError; the key is released either way.
    void run();

    std::string pagePath() const;

private:
    void firstStart(RegistryKey& key);
    void writeAndShowPage(RegistryKey& key, const std::string& bytes);

    const Registry& registry_;
    std::string programDirectory_;
    CountdownHost& host_;
    Shell& shell_;
    std::string makerSite_;
};

} // namespace corvane
