#include "platform/casefold.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/programdir.h"
#include "support/testfiles.h"

#include <filesystem>
#include <functional>

#ifdef _WIN32
#include "platform/widetext_win.h"

#include <windows.h>
#else
#include <cerrno>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

namespace corvane {
namespace {

#ifdef _WIN32
const std::string kExecutableSuffix = ".exe";
const std::string kNoSuchFile = systemErrorText(ERROR_FILE_NOT_FOUND);
const std::string kNoSuchFolder = systemErrorText(ERROR_PATH_NOT_FOUND);
const std::string kIsAFolder = systemErrorText(ERROR_ACCESS_DENIED);
#else
const std::string kExecutableSuffix;
const std::string kNoSuchFile = "No such file or directory";
const std::string kNoSuchFolder = "Not a directory";
const std::string kIsAFolder = "Is a directory";
#endif

std::string messageOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const Error& e) {
        return e.what();
    }
    return "no error";
}

TEST(Files, writeReplacesWholeAndReadGivesBytes)
{
    test::TempDir dir;
    const std::string path = dir.dir() + "Warning.html";
    writeWholeFile(path, std::string(1000, 'x'));
    writeWholeFile(path, std::string("a\0b", 3));
    EXPECT_EQ(readWholeFile(path), std::string("a\0b", 3));
    EXPECT_EQ(test::readBytes(path), std::string("a\0b", 3));
    writeWholeFile(dir.dir() + "Ёж.txt", "ж"); // names cross the system as Unicode
    EXPECT_EQ(readWholeFile(dir.dir() + "Ёж.txt"), "ж");
}

// Names are found whatever their letter case, as on Windows, where the library was made.
TEST(Files, namesThatDifferOnlyInLetterCaseAreFoundAndRead)
{
    test::TempDir dir;
    dir.write("Игри/Часовник.html", "clock");
    dir.write("Игри/scripts.txt", "list");
    const struct {
        const char* asked;
        const char* found; // empty: none
    } cases[] = {
        {"Игри/Часовник.html", "Игри/Часовник.html"},
        {"игри/ЧАСОВНИК.HTML", "Игри/Часовник.html"},
        {"ИГРИ/Scripts.TXT", "Игри/scripts.txt"},
        {"Игри/Часовник2.html", ""},
        {"Друго/scripts.txt", ""},
    };
    for (const auto& c : cases) {
        const std::optional<std::string> found = findIgnoringCase(dir.dir() + c.asked);
        if (*c.found == '\0') {
            EXPECT_FALSE(found) << c.asked;
            continue;
        }
        // Windows answers with the name as asked: the file system takes it as it is.
        ASSERT_TRUE(found) << c.asked;
        EXPECT_EQ(foldCase(*found), foldCase(dir.dir() + c.found)) << c.asked;
        EXPECT_EQ(readWholeFile(dir.dir() + c.asked), readWholeFile(dir.dir() + c.found)) << c.asked;
    }
    EXPECT_EQ(messageOf([&] { readWholeFile(dir.dir() + "игри/няма.html"); }),
              "Cannot open file \"" + dir.dir() + "игри/няма.html\". " + kNoSuchFile);
#ifndef _WIN32
    // The exact name first; else the first of the names in byte order.
    dir.write("Игри/часовник.html", "other clock");
    EXPECT_EQ(readWholeFile(dir.dir() + "Игри/часовник.html"), "other clock");
    EXPECT_EQ(readWholeFile(dir.dir() + "Игри/ЧАСОВНИК.html"), "clock");
    EXPECT_EQ(*findIgnoringCase(dir.dir() + "игри/ЧАСОВНИК.html"), dir.dir() + "Игри/Часовник.html");
#endif
}

TEST(Files, errorsCarryThePathAndTheSystemTextWithoutFullStop)
{
    test::TempDir dir;
    dir.write("sub/file", "x");
    const std::string sub = dir.dir() + "sub";
    const std::string throughFile = sub + kPathSeparator + "file" + kPathSeparator + "x";
    EXPECT_EQ(messageOf([&] { writeWholeFile(sub, "x"); }),
              "Cannot create file \"" + sub + "\". " + kIsAFolder);
    EXPECT_EQ(messageOf([&] { readWholeFile(throughFile); }),
              "Cannot open file \"" + throughFile + "\". " + kNoSuchFolder);
    EXPECT_EQ(messageOf([&] { readWholeFile(dir.dir() + "none"); }),
              "Cannot open file \"" + dir.dir() + "none\". " + kNoSuchFile);
    EXPECT_THROW(readWholeFile(sub), FileOpenError);
    EXPECT_FALSE(readFileIfReadable(sub));
    EXPECT_TRUE(createDirectory(dir.dir() + "updates" + kPathSeparator));
    EXPECT_FALSE(createDirectory(dir.dir() + "updates" + kPathSeparator));
    EXPECT_FALSE(createDirectory(dir.dir() + "a" + kPathSeparator + "b")); // one level only
}

TEST(Files, systemTextsEndWithoutStopSpaceOrBreak)
{
#ifdef _WIN32
    const int codes[] = {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION,
                         ERROR_PATH_NOT_FOUND};
#else
    const int codes[] = {ENOENT, EACCES, EISDIR, ENOTDIR};
#endif
    for (const int code : codes) {
        const std::string text = systemErrorText(code);
        ASSERT_FALSE(text.empty()) << code;
        EXPECT_EQ(std::string(". \r\n").find(text.back()), std::string::npos) << code << ": " << text;
    }
}

#ifndef _WIN32
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
            EXPECT_EQ(std::string(e.what()),
                      "Cannot create file \"" + program.dir() + "Warning.html\". " + row.reason);
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
#endif

TEST(Files, trimMessageTailCutsSpacesControlsAndFullStops)
{
    EXPECT_EQ(trimMessageTail("Access denied. \r\n"), "Access denied");
    EXPECT_EQ(trimMessageTail("..."), "");
}

TEST(ProgramDirectory, endsInTheSeparatorAndHoldsTheRunningExecutable)
{
    const std::string dir = programDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), kPathSeparator);
    EXPECT_TRUE(
        std::filesystem::is_regular_file(std::filesystem::u8path(dir + "test_platform" + kExecutableSuffix)));
}

#ifdef _WIN32
// Another program's handle on the file, held for the life of the object.
struct OtherProgramsHandle {
    OtherProgramsHandle(const std::string& path, DWORD access, DWORD share)
        : handle(::CreateFileW(toWide(path).c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr))
    {
    }
    ~OtherProgramsHandle() { ::CloseHandle(handle); }
    HANDLE handle;
};

TEST(Files, aFileHeldOpenForWritingCannotBeReadOneHeldForReadingCan)
{
    test::TempDir dir;
    const std::string path = dir.write("scripts.txt", "a\r\n");
    {
        const OtherProgramsHandle reader(path, GENERIC_READ, FILE_SHARE_READ);
        ASSERT_NE(reader.handle, INVALID_HANDLE_VALUE);
        EXPECT_EQ(readWholeFile(path), "a\r\n");
    }
    const OtherProgramsHandle writer(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(writer.handle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(messageOf([&] { readWholeFile(path); }),
              "Cannot open file \"" + path + "\". " + systemErrorText(ERROR_SHARING_VIOLATION));
}
#endif

} // namespace
} // namespace corvane
