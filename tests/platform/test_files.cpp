#include "platform/errors.h"
#include "platform/files.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(Files, writeReplacesWholeAndReadGivesBytes)
{
    test::TempDir dir;
    const std::string path = dir.dir() + "Warning.html";
    writeWholeFile(path, std::string(1000, 'x'));
    writeWholeFile(path, std::string("a\0b", 3));
    EXPECT_EQ(readWholeFile(path), std::string("a\0b", 3));
}

TEST(Files, errorsCarryThePathAndTheSystemTextWithoutFullStop)
{
    test::TempDir dir;
    dir.write("sub/file", "x");
    try {
        writeWholeFile(dir.dir() + "sub", "x"); // a directory cannot be created as a file
        FAIL();
    } catch (const FileCreateError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + dir.dir() + "sub\". Is a directory");
    }
    try {
        readWholeFile(dir.dir() + "sub/file/x");
        FAIL();
    } catch (const FileOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + dir.dir() + "sub/file/x\". Not a directory");
    }
    EXPECT_TRUE(createDirectory(dir.dir() + "updates/"));
    EXPECT_FALSE(createDirectory(dir.dir() + "updates/"));
}

TEST(Files, trimMessageTailCutsSpacesControlsAndFullStops)
{
    EXPECT_EQ(trimMessageTail("Access denied. \r\n"), "Access denied");
    EXPECT_EQ(trimMessageTail("..."), "");
}

} // namespace
} // namespace corvane
