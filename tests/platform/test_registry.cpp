#include "platform/errors.h"
#include "platform/registrystore.h"
#include "platform/registrytext.h"
#include "platform/storeregistrykey.h"
#include "support/testfiles.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace corvane {
namespace {

constexpr const char* kRoot = "HKEY_LOCAL_MACHINE";
constexpr const char* kKey = "Software\\Corvane\\Corvane Scripts\\";

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

TEST(Registry, readErrorsCarryTheValueName)
{
    test::TempDir dir;
    dir.write("system.reg", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Corvane\\Corvane Scripts]\n"
                            "\"big\"=hex:01,02,03,04,05\n\"word\"=hex(3):01,02\n\"text\"=\"ab\"\n\"exp\"=hex(2):61,00\n");
    const RegistryStore store(dir.dir() + "system.reg");
    StoreRegistryKey key(store);
    ASSERT_TRUE(key.openKey(kRoot, kKey, true));
    const auto message = [&](auto&& call) {
        try {
            call();
        } catch (const RegistryError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([&] { key.readInteger("none"); }), "Failed to get data for 'none'");
    EXPECT_EQ(message([&] { key.readInteger("big"); }), "Failed to get data for 'big'");
    EXPECT_EQ(message([&] { key.readInteger("word"); }), "Invalid data type for 'word'");
    EXPECT_EQ(message([&] { key.readInteger("text"); }), "Invalid data type for 'text'");
    EXPECT_EQ(message([&] { key.readString("big"); }), "Invalid data type for 'big'");
    EXPECT_EQ(key.readString("exp"), "a");
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

} // namespace
} // namespace corvane
