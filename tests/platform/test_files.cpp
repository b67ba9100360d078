#include "platform/errors.h"
#include "platform/files.h"
#include "support/testfiles.h"

#include <filesystem>
#include <unistd.h>

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

// A reader that waits on a FIFO or reads /dev/zero for ever ends the test run instead.
struct Watchdog {
    Watchdog() { ::alarm(20); }
    ~Watchdog() { ::alarm(0); }
};

TEST(Files, onlyRegularFilesAreReadAndTheRestFailsAtOnce)
{
    const struct {
        const char* name;
        test::NotAFile kind;
        const char* reason;
    } rows[] = {
        {"fifo", test::NotAFile::Fifo, "No such device or address"},
        {"link to /dev/zero", test::NotAFile::DeviceLink, "No such device or address"},
        {"socket", test::NotAFile::Socket, "No such device or address"},
        {"directory", test::NotAFile::Directory, "Is a directory"},
    };
    Watchdog watchdog;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempDir dir;
        const std::string path = dir.place("scripts.txt", row.kind);
        try {
            readWholeFile(path);
            ADD_FAILURE() << "read";
        } catch (const FileOpenError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + path + "\". " + row.reason);
        }
        EXPECT_THROW(readWholeFileWithin(path, 100), FileOpenError);
        EXPECT_THROW(readFileInChunks(path, [](std::string_view) { return true; }), FileOpenError);
        EXPECT_FALSE(readFileIfReadable(path));
    }
}

TEST(Files, aFileOverTheLimitIsRefusedWithoutReadingIt)
{
    test::TempDir dir;
    const std::string path = dir.write("big.html", "");
    std::filesystem::resize_file(path, std::uintmax_t{1} << 40); // sparse: reading it would take hours
    EXPECT_FALSE(readWholeFileWithin(path, 1000));
    dir.write("small.html", "12345");
    EXPECT_EQ(readWholeFileWithin(dir.dir() + "small.html", 5), "12345");
    EXPECT_FALSE(readWholeFileWithin(dir.dir() + "small.html", 4));
}

TEST(Files, writingNeverGoesThroughALinkOrIntoAnythingButAFile)
{
    const struct {
        const char* name;
        bool outsideExists;
        const char* reason;
    } rows[] = {
        {"link to a file outside", true, "Too many levels of symbolic links"},
        {"dangling link", false, "Too many levels of symbolic links"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempDir program;
        test::TempDir outside;
        const std::string target = outside.dir() + "victim.txt";
        if (row.outsideExists)
            outside.write("victim.txt", "keep me");
        std::filesystem::create_symlink(target, program.dir() + "Warning.html");
        try {
            writeWholeFile(program.dir() + "Warning.html", "page");
            ADD_FAILURE() << "written";
        } catch (const FileCreateError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + program.dir() + "Warning.html\". " + row.reason);
        }
        if (row.outsideExists)
            EXPECT_EQ(test::readBytes(target), "keep me");
        else
            EXPECT_FALSE(std::filesystem::exists(target));

        // Nor does the updates folder appear at the far end of a link.
        std::filesystem::create_symlink(outside.dir() + "updates", program.dir() + "updates");
        EXPECT_FALSE(createDirectory(program.dir() + "updates/"));
        EXPECT_FALSE(std::filesystem::exists(outside.dir() + "updates"));
    }

    Watchdog watchdog;
    test::TempDir program;
    const std::string fifo = program.place("Warning.html", test::NotAFile::Fifo);
    EXPECT_THROW(writeWholeFile(fifo, "page"), FileCreateError);
}

TEST(Files, trimMessageTailCutsSpacesControlsAndFullStops)
{
    EXPECT_EQ(trimMessageTail("Access denied. \r\n"), "Access denied");
    EXPECT_EQ(trimMessageTail("..."), "");
}

} // namespace
} // namespace corvane
