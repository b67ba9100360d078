#include "platform/errors.h"
#include "platform/registryvalue.h"
#include "support/testfiles.h"
#include "support/testregistry.h"

#ifndef _WIN32
#include "platform/registrystore.h"
#include "platform/registrytext.h"
#include "platform/storeregistrykey.h"
#endif

#include <filesystem>

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
                  return c.readAs == ReadAs::Integer ? std::to_string(key->readInteger("v")) : key->readString("v");
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
        ReadCase{"qword", kRegQword, std::string(8, '\x01'), ReadAs::Integer, "error: Failed to get data for 'v'"},
        ReadCase{"binaryOfTwoBytes", kRegBinary, "\x01\x02", ReadAs::Integer, "error: Invalid data type for 'v'"},
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
        ReadCase{"dwordAsString", kRegDword, dwordBytes(1), ReadAs::String, "error: Invalid data type for 'v'"},
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
    EXPECT_EQ(outcome([&] { key->writeInteger("TimesStarted", 20); return std::string(); }),
              "error: Failed to set data for 'TimesStarted'");
    EXPECT_EQ(outcome([&] { key->writeString("minor", "0"); return std::string(); }),
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
    const std::string text = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"bin\"=hex:de,ad,\\\n  be,ef\n"
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

TEST(Registry, unwritableOrBrokenStoreFailsAsTheRegistryWould)
{
    test::TempDir dir;
    dir.write("file", "x");
    // A store that cannot be created: the key does not open, the first write fails.
    const RegistryStore unwritable(dir.dir() + "file/system.reg");
    StoreRegistryKey key(unwritable);
    EXPECT_FALSE(key.openKey(kRoot, kKey, true));
    EXPECT_FALSE(key.valueExists("TimesStarted"));
    EXPECT_THROW(key.writeInteger("TimesStarted", 20), RegistryError);

    // A store that cannot be parsed is never overwritten.
    const std::string broken = "this is no registry file\n";
    dir.write("broken.reg", broken);
    const RegistryStore brokenStore(dir.dir() + "broken.reg");
    StoreRegistryKey other(brokenStore);
    EXPECT_FALSE(other.openKey(kRoot, kKey, true));
    EXPECT_THROW(other.writeInteger("TimesStarted", 20), RegistryError);
    EXPECT_EQ(test::readBytes(dir.dir() + "broken.reg"), broken);
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
