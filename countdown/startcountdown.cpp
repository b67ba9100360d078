#include "countdown/startcountdown.h"

#include "countdown/welcomepages.h"
#include "platform/files.h"
#include "platform/int32.h"

#include <memory>

namespace corvane {

StartCountdown::StartCountdown(const Registry& registry, std::string programDirectory, CountdownHost& host,
                               Shell& shell, std::string makerSite)
    : registry_(registry)
    , programDirectory_(std::move(programDirectory))
    , host_(host)
    , shell_(shell)
    , makerSite_(std::move(makerSite))
{
}

std::string StartCountdown::pagePath() const
{
    return programDirectory_ + "Warning.html";
}

void StartCountdown::run()
{
    // Released by its destructor, also when a step throws.
    const std::unique_ptr<RegistryKey> opened = registry_.newKey();
    RegistryKey& key = *opened;
    key.openKey(kCountdownRoot, kCountdownKey, true);

    if (!key.valueExists("TimesStarted")) {
        firstStart(key);
        return;
    }
    const std::int32_t started = key.readInteger("TimesStarted");
    if (started == 1) {
        key.writeInteger("TimesStarted", kStartsBetweenRedirects);
        writeAndShowPage(key, pageBytes(redirectPageLines()));
        shell_.execute("open", makerSite_, ShellParent::Application, kShowMaximized);
        return;
    }
    // 0 and below never equal 1: they go on counting down, and INT_MIN wraps to INT_MAX.
    key.writeInteger("TimesStarted", wrappingSubtract(started, 1));
    const std::int32_t startsLeft = key.readInteger("TimesStarted");
    writeAndShowPage(key, pageBytes(welcomePageLines(startsLeft)));
}

void StartCountdown::firstStart(RegistryKey& key)
{
    key.writeInteger("TimesStarted", kStartsBetweenRedirects);
    key.writeString("minor", "0");
    key.writeString("major", "1");
    key.writeString("Build", "2");
    key.writeString("Download.dir", programDirectory_ + "updates" + kPathSeparator);
    // An existing directory is no error, nor is any other failure to create it.
    createDirectory(key.readString("Download.dir"));
    host_.showMessage(firstStartMessage());
}

void StartCountdown::writeAndShowPage(RegistryKey& key, const std::string& bytes)
{
    writeWholeFile(pagePath(), bytes);
    key.readString("Download.dir"); // read as the program always has; its type is still checked
    host_.navigatePreview(pagePath());
}

} // namespace corvane
