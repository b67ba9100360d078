#include "platform/errors.h"
#include "platform/registryvalue.h"
#include "support/testfiles.h"
#include "support/testregistry.h"

#ifndef _WIN32
#include "platform/registrystore.h"
#include "platform/registrytext.h"
#include "platform/storeregistrykey.h"

#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include <gtest/gtest.h>

namespace corvane {
namespace {

constexpr const char* kRoot = "HKEY_LOCAL_MACHINE";
constexpr const char* kKey = "Software\\Corvane\\Corvane Scripts\\";
constexpr std::uint32_t kNotStored = 0xFFFFFFFF;

// What a read gives: the value, or "error: " and the message.
template <typename Read>
std::string outcome(Read read)
{
    try {
        return read();
    } catch (const RegistryError& e) {
        return std::string("error: ") + e.what();
    }
}

enum class ReadAs { Integer, String };

struct ReadCase {
    const char* name;
    std::uint32_t type; // kNotStored: no such value
    std::string data;
    ReadAs readAs;
    std::string expected;
};

void PrintTo(const ReadCase& c, std::ostream* out)
{
    *out << c.name;
}

class RegistryRead : public ::testing::TestWithParam<ReadCase> {};

// The same cases run against the store here and against the system registry on Windows.
TEST_P(RegistryRead, givesTheValueOrTheProgramsError)
{
    const ReadCase& c = GetParam();
    test::TestRegistry registry;
    registry.seed(kKey, "other", kRegDword, dwordBytes(7));
    if (c.type != kNotStored)
        registry.seed(kKey, "v", c.type, c.data);
    const auto key = registry.registry().newKey();
    ASSERT_TRUE(key->openKey(kRoot, kKey, true));
    EXPECT_EQ(key->valueExists("V"), c.type != kNotStored);
    EXPECT_EQ(outcome([&] {
                  return c.readAs == ReadAs::Integer ? std::to_string(key->readInteger("v"))
                                                     : key->readString("v");
              }),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistryRead,
    ::testing::Values(
        ReadCase{"missingInteger", kNotStored, "", ReadAs::Integer, "error: Failed to get data for 'v'"},
        ReadCase{"dword", kRegDword, dwordBytes(0xFFFFFFFE), ReadAs::Integer, "-2"},
        ReadCase{"shortDword", kRegDword, std::string("\x05\x01", 2), ReadAs::Integer, "261"},
        ReadCase{"binaryOfFiveBytes", kRegBinary, "\x01\x02\x03\x04\x05", ReadAs::Integer,
                 "error: Failed to get data for 'v'"},
        ReadCase{"qword", kRegQword, std::string(8, '\x01'), ReadAs::Integer,
                 "error: Failed to get data for 'v'"},
        ReadCase{"binaryOfTwoBytes", kRegBinary, "\x01\x02", ReadAs::Integer,
                 "error: Invalid data type for 'v'"},
        ReadCase{"emptyBinary", kRegBinary, "", ReadAs::Integer, "error: Invalid data type for 'v'"},
        // Text is measured as the program's code page has it: a byte a letter, plus the NUL.
        ReadCase{"textOfThreeBytes", kRegString, "ab", ReadAs::Integer, "error: Invalid data type for 'v'"},
        ReadCase{"cyrillicTextOfThreeBytes", kRegString, "Жж", ReadAs::Integer,
                 "error: Invalid data type for 'v'"},
        ReadCase{"textOfFiveBytes", kRegString, "abcd", ReadAs::Integer, "error: Failed to get data for 'v'"},
        ReadCase{"missingString", kNotStored, "", ReadAs::String, ""},
        ReadCase{"emptyString", kRegString, "", ReadAs::String, ""},
        ReadCase{"cyrillicString", kRegString, "C:\\Програми\\updates\\", ReadAs::String,
                 "C:\\Програми\\updates\\"},
        ReadCase{"expandableString", kRegExpandString, "%TEMP%", ReadAs::String, "%TEMP%"},
        ReadCase{"textEndsAtItsNul", kRegString, std::string("a\0b", 3), ReadAs::String, "a"},
        ReadCase{"dwordAsString", kRegDword, dwordBytes(1), ReadAs::String,
                 "error: Invalid data type for 'v'"},
        ReadCase{"multiString", kRegMultiString, "a", ReadAs::String, "error: Invalid data type for 'v'"},
        ReadCase{"emptyBinaryAsString", kRegBinary, "", ReadAs::String, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Registry, writesReadBackThroughTheKeyWithNamesIgnoringCase)
{
    test::TestRegistry registry;
    {
        const auto key = registry.registry().newKey();
        ASSERT_TRUE(key->openKey(kRoot, kKey, true));
        key->writeInteger("TimesStarted", -1);
        key->writeString("Download.dir", "C:\\cs\\updates\\ \"q\" Ж");
        key->writeString("multi", "line1\r\nline2");
    }
    const auto key = registry.registry().newKey();
    ASSERT_TRUE(key->openKey(kRoot, kKey, false));
    EXPECT_EQ(key->readInteger("timesstarted"), -1);
    EXPECT_EQ(key->readString("DOWNLOAD.DIR"), "C:\\cs\\updates\\ \"q\" Ж");
    EXPECT_EQ(key->readString("multi"), "line1\r\nline2");
    key->writeString("TimesStarted", "5"); // a value changes its type when rewritten
    EXPECT_EQ(outcome([&] { return std::to_string(key->readInteger("TimesStarted")); }),
              "error: Invalid data type for 'TimesStarted'");
}

TEST(Registry, aKeyThatIsNotOpenAnswersNoAndFails)
{
    test::TestRegistry registry;
    const auto key = registry.registry().newKey();
    EXPECT_FALSE(key->openKey(kRoot, "Software\\Corvane\\Missing\\", false));
    EXPECT_FALSE(key->isOpen());
    EXPECT_FALSE(key->valueExists("TimesStarted"));
    EXPECT_EQ(key->readString("Download.dir"), "");
    EXPECT_EQ(outcome([&] { return std::to_string(key->readInteger("TimesStarted")); }),
              "error: Failed to get data for 'TimesStarted'");
    EXPECT_EQ(outcome([&] {
                  key->writeInteger("TimesStarted", 20);
                  return std::string();
              }),
              "error: Failed to set data for 'TimesStarted'");
    EXPECT_EQ(outcome([&] {
                  key->writeString("minor", "0");
                  return std::string();
              }),
              "error: Failed to set data for 'minor'");
}

#ifndef _WIN32

TEST(Registry, valuesRoundTripThroughTheStoreFile)
{
    test::TempDir dir;
    const RegistryStore store(dir.dir() + "system.reg");
    {
        StoreRegistryKey key(store);
        ASSERT_TRUE(key.openKey(kRoot, kKey, true));
        key.writeInteger("TimesStarted", -1);
        key.writeString("Download.dir", "/opt/cs/updates/ \"q\" \\ Ж");
        key.writeString("multi", "line1\r\nline2");
    }
    StoreRegistryKey key(store);
    ASSERT_TRUE(key.openKey(kRoot, kKey, false));
    EXPECT_EQ(key.readInteger("timesstarted"), -1); // names ignore letter case
    EXPECT_EQ(key.readString("Download.dir"), "/opt/cs/updates/ \"q\" \\ Ж");
    EXPECT_EQ(key.readString("multi"), "line1\r\nline2");
    EXPECT_EQ(key.readString("missing"), "");
    EXPECT_FALSE(key.valueExists("missing"));
    EXPECT_NE(test::readBytes(store.filePath()).find("\"TimesStarted\"=dword:ffffffff"), std::string::npos);
}

TEST(Registry, unknownValueTypesSurviveAWrite)
{
    test::TempDir dir;
    const std::string text =
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"bin\"=hex:de,ad,\\\n  be,ef\n"
        "\"multi\"=hex(7):61,00,62,00,00\n\"q\"=hex(b):01,00,00,00,00,00,00,00\n@=\"default\"\n";
    dir.write("system.reg", text);
    const RegistryStore store(dir.dir() + "system.reg");
    StoreRegistryKey key(store);
    ASSERT_TRUE(key.openKey(kRoot, kKey, true));
    key.writeInteger("TimesStarted", 20);
    const auto hive = parseRegistryText(test::readBytes(store.filePath()));
    ASSERT_TRUE(hive);
    const auto before = parseRegistryText(text);
    ASSERT_EQ(hive->keys.size(), 2u);
    const auto& other = hive->keys[0];
    ASSERT_EQ(other.values.size(), before->keys[0].values.size());
    for (size_t i = 0; i < other.values.size(); ++i) {
        EXPECT_EQ(other.values[i].type, before->keys[0].values[i].type);
        EXPECT_EQ(other.values[i].data, before->keys[0].values[i].data);
    }
    EXPECT_EQ(other.values[0].data, "\xde\xad\xbe\xef");
    EXPECT_EQ(other.values[3].name, "");
}

// A write that must fail: the system's reason it carries beside the program's own message.
std::string setDataFailure(RegistryKey& key, const std::string& name)
{
    try {
        key.writeInteger(name, 20);
    } catch (const RegistryError& e) {
        EXPECT_EQ(std::string(e.what()), "Failed to set data for '" + name + "'");
        return e.systemReason();
    }
    return "written";
}

TEST(Registry, aStoreThatCannotBeCreatedFailsAsTheRegistryWould)
{
    test::TempDir dir;
    dir.write("file", "x");
    // A store that cannot be created: the key does not open, the first write fails.
    const RegistryStore unwritable(dir.dir() + "file/system.reg");
    StoreRegistryKey key(unwritable);
    EXPECT_FALSE(key.openKey(kRoot, kKey, true));
    EXPECT_FALSE(key.valueExists("TimesStarted"));
    EXPECT_EQ(setDataFailure(key, "TimesStarted"), systemErrorText(ENOTDIR));
}

// Files beside the store whose names start with the prefix.
std::vector<std::string> filesStartingWith(const test::TempDir& dir, const std::string& prefix)
{
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        if (entry.path().filename().string().rfind(prefix, 0) == 0)
            found.push_back(entry.path().string());
    return found;
}

TEST(Registry, aStoreThatIsNoRegistryTextIsSetAsideWholeAndAFreshOneStarts)
{
    const std::string good = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Corvane\\Corvane Scripts]\n"
                             "\"TimesStarted\"=dword:00000005\n";
    const struct {
        const char* name;
        std::string bytes; // what the store file holds
        bool directory;
    } rows[] = {
        {"garbage", std::string("\x89PNG\r\n\x1a\n\0\0 garbage", 17), false},
        {"cut short inside a value", good.substr(0, good.find("dword") + 3), false},
        {"empty file", "", false},
        {"directory", "", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempDir dir;
        if (row.directory)
            dir.write("system.reg/inside", "kept");
        else
            dir.write("system.reg", row.bytes);
        const RegistryStore store(dir.dir() + "system.reg");
        for (int round = 0; round < 2; ++round) {
            StoreRegistryKey key(store);
            ASSERT_TRUE(key.openKey(kRoot, kKey, true));
            EXPECT_FALSE(key.valueExists("TimesStarted"));
            key.writeInteger("TimesStarted", 20);
            EXPECT_TRUE(parseRegistryText(test::readBytes(store.filePath())));
            // Broken again: set aside beside the first, never over it.
            if (round == 0) {
                std::filesystem::remove(store.filePath());
                dir.write("system.reg", "no registry text either");
            }
        }
        const auto aside = filesStartingWith(dir, "system.reg.broken-");
        ASSERT_EQ(aside.size(), 2u);
        std::vector<std::string> contents;
        for (const auto& path : aside)
            contents.push_back(std::filesystem::is_directory(path) ? test::readBytes(path + "/inside")
                                                                   : test::readBytes(path));
        std::sort(contents.begin(), contents.end());
        std::vector<std::string> expected{row.directory ? "kept" : row.bytes, "no registry text either"};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(contents, expected);
    }
}

TEST(Registry, aFifoStandingAsTheStoreIsSetAsideWithoutWaiting)
{
    ::alarm(20); // opening a FIFO for reading would wait for a writer for ever
    test::TempDir dir;
    dir.place("system.reg", test::NotAFile::Fifo);
    const RegistryStore store(dir.dir() + "system.reg");
    StoreRegistryKey key(store);
    ASSERT_TRUE(key.openKey(kRoot, kKey, true));
    key.writeInteger("TimesStarted", 20);
    const auto aside = filesStartingWith(dir, "system.reg.broken-");
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(std::filesystem::symlink_status(aside[0]).type(), std::filesystem::file_type::fifo);
    ::alarm(0);
}

TEST(Registry, aStoreTheUserMayNotWriteFailsTheWriteAndStaysAsItWas)
{
    test::TempDir dir;
    const RegistryStore store(dir.dir() + "system.reg");
    {
        StoreRegistryKey key(store);
        ASSERT_TRUE(key.openKey(kRoot, kKey, true));
        key.writeInteger("TimesStarted", 7);
    }
    const std::string before = test::readBytes(store.filePath());
    std::filesystem::permissions(store.filePath(), std::filesystem::perms::owner_read
                                                       | std::filesystem::perms::group_read
                                                       | std::filesystem::perms::others_read);
    StoreRegistryKey key(store);
    ASSERT_TRUE(key.openKey(kRoot, kKey, true));
    EXPECT_EQ(key.readInteger("TimesStarted"), 7);
    EXPECT_EQ(setDataFailure(key, "TimesStarted"), systemErrorText(EACCES));
    EXPECT_EQ(test::readBytes(store.filePath()), before);
    EXPECT_EQ(std::filesystem::status(store.filePath()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::group_read
                  | std::filesystem::perms::others_read);
}

TEST(Registry, aTemporaryFileThatIsALinkIsNeverWrittenThrough)
{
    test::TempDir dir;
    test::TempDir outside;
    const RegistryStore store(dir.dir() + "system.reg");
    for (const bool targetExists : {true, false}) {
        SCOPED_TRACE(targetExists ? "link to a file" : "dangling link");
        const std::string target = outside.dir() + (targetExists ? "victim" : "new");
        if (targetExists)
            outside.write("victim", "keep me");
        std::filesystem::remove(store.temporaryPath());
        std::filesystem::create_symlink(target, store.temporaryPath());
        StoreRegistryKey key(store);
        EXPECT_FALSE(key.openKey(kRoot, kKey, true)); // creating the key is the first save
        EXPECT_EQ(setDataFailure(key, "TimesStarted"), systemErrorText(ELOOP));
        if (targetExists)
            EXPECT_EQ(test::readBytes(target), "keep me");
        else
            EXPECT_FALSE(std::filesystem::exists(target));
    }
}

// Kills a copy of the program at random moments while it saves, again and again.
// CORVANE_STORE_KILLS sets how many times (200 unless told).
TEST(Registry, killsDuringSavesLeaveAtMostOneTemporaryFileAndAWholeStore)
{
    test::TempDir dir;
    const RegistryStore store(dir.dir() + "system.reg");
    {
        // A store of some size, so that kills land inside writes too.
        RegistryHive hive;
        for (int i = 0; i < 300; ++i)
            hive.addKey("HKEY_LOCAL_MACHINE\\Software\\Other " + std::to_string(i))
                .values.push_back({"value", kRegString, std::string(40, 'x')});
        ASSERT_EQ(store.save(hive), std::error_code());
    }
    const char* asked = std::getenv("CORVANE_STORE_KILLS");
    const int kills = asked ? std::atoi(asked) : 200;
    std::mt19937 random(12345);
    size_t mostLeftovers = 0;
    int killsWithLeftover = 0;
    for (int k = 0; k < kills; ++k) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            StoreRegistryKey key(store);
            if (!key.openKey(kRoot, kKey, true))
                ::_exit(2);
            // Saving from here on: the kill comes at a random moment of the loop.
            if (::write(ready[1], "r", 1) != 1)
                ::_exit(2);
            for (std::int32_t n = 0;; ++n)
                key.writeInteger("TimesStarted", n);
        }
        ::close(ready[1]);
        char byte = 0;
        const bool saving = ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
        if (saving)
            ::usleep(static_cast<useconds_t>(std::uniform_int_distribution<int>(0, 5000)(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving copy stopped on its own";
        ASSERT_TRUE(saving) << "the copy could not open the store";
        const auto leftovers = filesStartingWith(dir, "system.reg.");
        mostLeftovers = std::max(mostLeftovers, leftovers.size());
        killsWithLeftover += leftovers.empty() ? 0 : 1;
        ASSERT_LE(leftovers.size(), 1u);
        ASSERT_TRUE(parseRegistryText(test::readBytes(store.filePath()))) << "after kill " << k;
    }
    std::printf("%d kills, %d of them inside a save, at most %zu leftover temporary file(s)\n", kills,
                killsWithLeftover, mostLeftovers);
    // A later save takes the leftover over.
    StoreRegistryKey key(store);
    ASSERT_TRUE(key.openKey(kRoot, kKey, true));
    key.writeInteger("TimesStarted", 1);
    EXPECT_TRUE(filesStartingWith(dir, "system.reg.").empty());
}

TEST(Registry, twoCopiesSavingAtOnceNeverInterleave)
{
    test::TempDir dir;
    const RegistryStore store(dir.dir() + "system.reg");
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            RegistryHive hive;
            // Each copy writes a store of a different size; a mix of the two would not parse.
            for (int i = 0; i < 500 * (c + 1); ++i)
                hive.addKey("HKEY_LOCAL_MACHINE\\Software\\Copy" + std::to_string(c) + " "
                            + std::to_string(i));
            int failures = 0;
            for (int n = 0; n < 200; ++n)
                failures += store.save(hive) ? 1 : 0;
            ::_exit(failures > 0 ? 1 : 0);
        }
    }
    for (const pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const auto hive = parseRegistryText(test::readBytes(store.filePath()));
    ASSERT_TRUE(hive);
    EXPECT_TRUE(hive->keys.size() == 500 || hive->keys.size() == 1000);
    EXPECT_TRUE(filesStartingWith(dir, "system.reg.").empty());
}

TEST(Registry, aWriteKilledHalfWayLeavesTheOldStore)
{
    test::TempDir dir;
    const RegistryStore store(dir.dir() + "system.reg");
    {
        StoreRegistryKey key(store);
        ASSERT_TRUE(key.openKey(kRoot, kKey, true));
        key.writeInteger("TimesStarted", 5);
    }
    const std::string old = test::readBytes(store.filePath());
    // What a killed save leaves behind: a half-written temporary beside the store.
    dir.write("system.reg.Ab12Cd", old.substr(0, old.size() / 2));
    StoreRegistryKey key(store);
    ASSERT_TRUE(key.openKey(kRoot, kKey, false));
    EXPECT_EQ(key.readInteger("TimesStarted"), 5);
    key.writeInteger("TimesStarted", 4);
    EXPECT_TRUE(parseRegistryText(test::readBytes(store.filePath())));
}

TEST(Registry, aStoreAtTheOldPlaceMovesOnceAndNeverOverwrites)
{
    test::TempDir dir;
    dir.write("old/corvane/system.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n");
    const std::string from = dir.dir() + "old/corvane/system.reg";
    const std::string to = dir.dir() + "state/corvane/system.reg";
    moveLegacyRegistryStore(from, to);
    EXPECT_FALSE(std::filesystem::exists(from));
    EXPECT_EQ(test::readBytes(to), "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n");

    // Once a store is at the new place an old one is left where it is.
    dir.write("old/corvane/system.reg", "REGEDIT4\n");
    moveLegacyRegistryStore(from, to);
    EXPECT_EQ(test::readBytes(from), "REGEDIT4\n");
    EXPECT_EQ(test::readBytes(to), "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n");
}

#endif

} // namespace
} // namespace corvane
