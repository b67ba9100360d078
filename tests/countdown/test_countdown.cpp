#include "countdown/startcountdown.h"
#include "platform/registrystore.h"
#include "platform/storeregistrykey.h"
#include "countdown/welcomepages.h"
#include "platform/errors.h"
#include "support/testfiles.h"

#include <filesystem>

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
        calls.push_back(verb + "|" + target + "|" + (parent == ShellParent::Application ? "app" : "main") + "|" + std::to_string(show));
    }
    std::vector<std::string> calls;
};

class Countdown : public ::testing::Test {
protected:
    void run() { StartCountdown(store, dir.dir(), host, shell, "www.corvane.example").run(); }
    void setStarted(std::int32_t n)
    {
        StoreRegistryKey key(store);
        ASSERT_TRUE(key.openKey(kCountdownRoot, kCountdownKey, true));
        key.writeInteger("TimesStarted", n);
    }
    std::int32_t started()
    {
        StoreRegistryKey key(store);
        EXPECT_TRUE(key.openKey(kCountdownRoot, kCountdownKey, false));
        return key.readInteger("TimesStarted");
    }
    std::string page() const { return test::readBytes(dir.dir() + "Warning.html"); }

    test::TempDir dir;
    test::TempDir storeDir;
    RegistryStore store{storeDir.dir() + "system.reg"};
    RecordingHost host;
    RecordingShell shell;
};

TEST_F(Countdown, firstStartRecordsTheValuesAndGreets)
{
    run();
    StoreRegistryKey key(store);
    ASSERT_TRUE(key.openKey(kCountdownRoot, kCountdownKey, false));
    EXPECT_EQ(key.readInteger("TimesStarted"), 20);
    EXPECT_EQ(key.readString("minor"), "0");
    EXPECT_EQ(key.readString("major"), "1");
    EXPECT_EQ(key.readString("Build"), "2");
    EXPECT_EQ(key.readString("Download.dir"), dir.dir() + "updates/");
    EXPECT_TRUE(std::filesystem::is_directory(dir.dir() + "updates"));
    EXPECT_EQ(host.messages, std::vector<std::string>{firstStartMessage()});
    EXPECT_TRUE(host.navigations.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.dir() + "Warning.html"));
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
    std::filesystem::create_directory(dir.dir() + "Warning.html");
    EXPECT_THROW(run(), FileCreateError);
    EXPECT_EQ(started(), 19);
    EXPECT_TRUE(host.navigations.empty());
}

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

TEST_F(Countdown, aStoreThatIsNoRegistryTextGoesOnAsAFirstStart)
{
    storeDir.write("system.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACH"); // cut short by a crash of old
    run();
    EXPECT_EQ(host.messages.size(), 1u); // the first-start greeting
    EXPECT_EQ(started(), 20);
    run();
    EXPECT_EQ(started(), 19);
}

TEST_F(Countdown, wrongTypesAreReported)
{
    run();
    {
        StoreRegistryKey key(store);
        ASSERT_TRUE(key.openKey(kCountdownRoot, kCountdownKey, false));
        key.writeString("TimesStarted", "5");
    }
    EXPECT_THROW(run(), RegistryError);
    setStarted(5);
    {
        StoreRegistryKey key(store);
        ASSERT_TRUE(key.openKey(kCountdownRoot, kCountdownKey, false));
        key.writeInteger("Download.dir", 1);
    }
    try {
        run();
        FAIL();
    } catch (const RegistryError& e) {
        EXPECT_EQ(std::string(e.what()), "Invalid data type for 'Download.dir'");
    }
}

} // namespace
} // namespace corvane
