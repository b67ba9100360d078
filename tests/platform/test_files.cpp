#include "platform/errors.h"
#include "platform/files.h"
#include "platform/programdir.h"
#include "support/testfiles.h"

#include <filesystem>
#include <functional>

#ifdef _WIN32
#include "platform/win/widetext.h"

#include <windows.h>
#else
#include <cerrno>
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

TEST(Files, errorsCarryThePathAndTheSystemTextWithoutFullStop)
{
    test::TempDir dir;
    dir.write("sub/file", "x");
    const std::string sub = dir.dir() + "sub";
    const std::string throughFile = sub + kPathSeparator + "file" + kPathSeparator + "x";
    EXPECT_EQ(messageOf([&] { writeWholeFile(sub, "x"); }), "Cannot create file \"" + sub + "\". " + kIsAFolder);
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
    const int codes[] = {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_PATH_NOT_FOUND};
#else
    const int codes[] = {ENOENT, EACCES, EISDIR, ENOTDIR};
#endif
    for (const int code : codes) {
        const std::string text = systemErrorText(code);
        ASSERT_FALSE(text.empty()) << code;
        EXPECT_EQ(std::string(". \r\n").find(text.back()), std::string::npos) << code << ": " << text;
    }
}

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
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::u8path(dir + "test_platform" + kExecutableSuffix)));
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
