#include "countdown/startcountdown.h"
#include "countdown/welcomepages.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "support/testfiles.h"
#include "support/testregistry.h"

#ifndef _WIN32
#include "platform/registrystore.h"
#endif

#include <filesystem>
#include <fstream>

#include <limits>

#include <gtest/gtest.h>

namespace corvane {
namespace {

struct RecordingHost : CountdownHost {
    void showMessage(const std::string& text) override { messages.push_back(text); }
    void navigatePreview(const std::string& address) override { navigations.push_back(address); }
    std::vector<std::string> messages, navigations;
};

struct RecordingShell : Shell {
    void execute(const std::string& verb, const std::string& target, ShellParent parent, int show) override
    {
        calls.push_back(verb + "|" + target + "|" + (parent == ShellParent::Application ? "app" : "main")
                        + "|" + std::to_string(show));
    }
    std::vector<std::string> calls;
};

class Countdown : public ::testing::Test {
protected:
    void run() { StartCountdown(registry.registry(), dir.dir(), host, shell, "www.corvane.example").run(); }
    std::unique_ptr<RegistryKey> openKey()
    {
        auto key = registry.registry().newKey();
        EXPECT_TRUE(key->openKey(kCountdownRoot, kCountdownKey, false));
        return key;
    }
    void setStarted(std::int32_t n) { openKey()->writeInteger("TimesStarted", n); }
    std::int32_t started() { return openKey()->readInteger("TimesStarted"); }
    std::string page() const { return test::readBytes(dir.dir() + "Warning.html"); }

    test::TempDir dir;
    test::TestRegistry registry;
    RecordingHost host;
    RecordingShell shell;
};

TEST_F(Countdown, firstStartRecordsTheValuesAndGreets)
{
    run();
    const auto key = openKey();
    EXPECT_EQ(key->readInteger("TimesStarted"), 20);
    EXPECT_EQ(key->readString("minor"), "0");
    EXPECT_EQ(key->readString("major"), "1");
    EXPECT_EQ(key->readString("Build"), "2");
    EXPECT_EQ(key->readString("Download.dir"), dir.dir() + "updates" + kPathSeparator);
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::u8path(dir.dir() + "updates")));
    EXPECT_EQ(host.messages, std::vector<std::string>{firstStartMessage()});
    EXPECT_TRUE(host.navigations.empty());
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(dir.dir() + "Warning.html")));
    EXPECT_TRUE(shell.calls.empty());
}

TEST_F(Countdown, ordinaryStartsCountDownAndShowTheFigureReadBack)
{
    run();
    setStarted(2);
    dir.write("Warning.html", std::string(100000, 'z')); // replaced whole, never appended to
    run();
    EXPECT_EQ(started(), 1);
    EXPECT_EQ(page(), pageBytes(welcomePageLines(1)));
    EXPECT_EQ(host.navigations, std::vector<std::string>{dir.dir() + "Warning.html"});
    EXPECT_TRUE(shell.calls.empty());
}

TEST_F(Countdown, startThatFindsOneRedirectsAndStartsAgainAtTwenty)
{
    run();
    setStarted(1);
    run();
    EXPECT_EQ(started(), 20);
    EXPECT_EQ(page(), pageBytes(redirectPageLines()));
    EXPECT_EQ(host.navigations.size(), 1u);
    EXPECT_EQ(shell.calls, std::vector<std::string>{"open|www.corvane.example|app|3"});
    run();
    EXPECT_EQ(started(), 19);
}

TEST_F(Countdown, zeroAndBelowCountDownForEver)
{
    run();
    setStarted(0);
    run();
    EXPECT_EQ(started(), -1);
    EXPECT_NE(page().find("-1 "), std::string::npos);
    for (int i = 0; i < 3; ++i)
        run();
    EXPECT_EQ(started(), -4);
    EXPECT_TRUE(shell.calls.empty());
}

TEST_F(Countdown, theLowestCounterWrapsToTheHighest)
{
    run();
    setStarted(std::numeric_limits<std::int32_t>::min()); // dword:80000000
    run();
    EXPECT_EQ(started(), std::numeric_limits<std::int32_t>::max());
    EXPECT_NE(page().find(" 2147483647 "), std::string::npos);
    run();
    EXPECT_EQ(started(), std::numeric_limits<std::int32_t>::max() - 1);
}

TEST_F(Countdown, unwritablePageFailsAfterTheCounterIsWritten)
{
    run();
    std::filesystem::create_directory(std::filesystem::u8path(dir.dir() + "Warning.html"));
    EXPECT_THROW(run(), FileCreateError);
    EXPECT_EQ(started(), 19);
    EXPECT_TRUE(host.navigations.empty());
}

#ifndef _WIN32
TEST_F(Countdown, storeWithoutWriteRightsFailsOnTheFirstValue)
{
    dir.write("blocker", "x");
    const RegistryStore blocked(dir.dir() + "blocker/system.reg");
    try {
        StartCountdown(blocked, dir.dir(), host, shell, "www.corvane.example").run();
        FAIL();
    } catch (const RegistryError& e) {
        // The name's closing quote sorts below ".", so the display adds nothing.
        EXPECT_EQ(errorDisplayText(e.what()), "Failed to set data for 'TimesStarted'");
    }
    EXPECT_TRUE(host.messages.empty());
}
#endif

#ifndef _WIN32
TEST_F(Countdown, aStoreThatIsNoRegistryTextGoesOnAsAFirstStart)
{
    // Cut short by a crash of an old version.
    const auto& store = dynamic_cast<const RegistryStore&>(registry.registry());
    std::ofstream(store.filePath(), std::ios::binary) << "REGEDIT4\n\n[HKEY_LOCAL_MACH";
    run();
    EXPECT_EQ(host.messages.size(), 1u); // the first-start greeting
    EXPECT_EQ(started(), 20);
    run();
    EXPECT_EQ(started(), 19);
}
#endif

TEST_F(Countdown, wrongTypesAreReported)
{
    run();
    openKey()->writeString("TimesStarted", "5");
    EXPECT_THROW(run(), RegistryError);
    setStarted(5);
    openKey()->writeInteger("Download.dir", 1);
    try {
        run();
        FAIL();
    } catch (const RegistryError& e) {
        EXPECT_EQ(std::string(e.what()), "Invalid data type for 'Download.dir'");
    }
}

} // namespace
} // namespace corvane
