#include "support/testfiles.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <sys/wait.h>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::TempDir;

const std::string kName = "corvane-scripts";

std::string shellQuoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs a shell command; its exit code, or -1 when it did not exit normally.
int run(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool onPath(const std::string& tool)
{
    return run("command -v " + tool + " >/dev/null 2>&1") == 0;
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Every entry under a folder with its kind and bytes, to tell whether anything was written.
std::map<std::string, std::string> snapshot(const fs::path& root)
{
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).string();
        if (entry.is_symlink())
            entries[relative] = "link:" + fs::read_symlink(entry.path()).string();
        else if (entry.is_directory())
            entries[relative] = "dir";
        else
            entries[relative] = "file:" + readBytes(entry.path().string());
    }
    return entries;
}

// Width and height from a PNG's header.
std::pair<int, int> pngSize(const fs::path& path)
{
    const std::string bytes = readBytes(path.string());
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0)
        return {0, 0};
    auto be32 = [&](std::size_t at) {
        return (static_cast<unsigned char>(bytes[at]) << 24) | (static_cast<unsigned char>(bytes[at + 1]) << 16)
               | (static_cast<unsigned char>(bytes[at + 2]) << 8) | static_cast<unsigned char>(bytes[at + 3]);
    };
    return {be32(16), be32(20)};
}

std::string desktopKey(const fs::path& desktopFile, const std::string& key)
{
    std::istringstream lines(readBytes(desktopFile.string()));
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    return {};
}

// Installs the build into a fresh prefix, as `cmake --install build --prefix P` does.
class Installed : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(run(shellQuoted(CORVANE_CMAKE_COMMAND) + " --install " + shellQuoted(CORVANE_BUILD_DIR) + " --prefix "
                      + shellQuoted(prefix()) + " >" + shellQuoted(tmp_.dir() + "install.log") + " 2>&1"),
                  0)
            << readBytes(tmp_.dir() + "install.log");
    }

    std::string prefix() const { return tmp_.dir() + "prefix"; }
    fs::path programFolder() const { return fs::path(prefix()) / "lib" / kName; }
    fs::path launcher() const { return fs::path(prefix()) / "bin" / kName; }
    fs::path share() const { return fs::path(prefix()) / "share"; }
    fs::path desktopFile() const { return share() / "applications" / "example.corvane.Scripts.desktop"; }
    fs::path metainfoFile() const { return share() / "metainfo" / "example.corvane.Scripts.metainfo.xml"; }

    TempDir tmp_;
};

TEST_F(Installed, programFolderHoldsTheExecutableAndEverythingItReadsBesideItself)
{
    EXPECT_EQ(fs::status(programFolder() / kName).permissions() & fs::perms::owner_exec, fs::perms::owner_exec);
    EXPECT_EQ(readBytes((programFolder() / "cvlogo.bmp").string()), readBytes(CORVANE_ASSETS_DIR "/cvlogo.bmp"));
    // The whole default library, byte for byte: categories, lists, scripts and the terms document.
    const fs::path library = CORVANE_DEFAULT_LIBRARY;
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(library)) {
        if (!entry.is_regular_file())
            continue;
        const fs::path relative = fs::relative(entry.path(), library);
        SCOPED_TRACE(relative.string());
        EXPECT_EQ(readBytes((programFolder() / relative).string()), readBytes(entry.path().string()));
        ++files;
    }
    EXPECT_GT(files, 60);
    EXPECT_TRUE(fs::is_regular_file(programFolder() / "License Agreement - BG.txt"));
}

TEST_F(Installed, menuEntryStartsTheInstalledCommandWithAnInstalledIcon)
{
    EXPECT_EQ(fs::status(launcher()).permissions() & fs::perms::others_exec, fs::perms::others_exec);
    ASSERT_TRUE(fs::is_regular_file(desktopFile()));
    EXPECT_TRUE(fs::exists(fs::path(prefix()) / "bin" / desktopKey(desktopFile(), "Exec")));

    const std::string icon = desktopKey(desktopFile(), "Icon");
    const fs::path hicolor = share() / "icons" / "hicolor";
    for (int size : {16, 32, 48}) {
        SCOPED_TRACE(size);
        const fs::path png = hicolor / (std::to_string(size) + "x" + std::to_string(size)) / "apps" / (icon + ".png");
        EXPECT_EQ(pngSize(png), std::make_pair(size, size));
    }
    const std::string svg = readBytes((hicolor / "scalable" / "apps" / (icon + ".svg")).string());
    EXPECT_NE(svg.find("xmlns=\"http://www.w3.org/2000/svg\""), std::string::npos);
}

TEST_F(Installed, validatorsAcceptMenuEntryAndMetadata)
{
    const struct {
        const char* tool;
        std::string command;
    } checks[] = {
        {"desktop-file-validate", "desktop-file-validate " + shellQuoted(desktopFile().string())},
        {"appstreamcli", "appstreamcli validate --no-net " + shellQuoted(metainfoFile().string())},
    };
    for (const auto& check : checks) {
        if (!onPath(check.tool))
            GTEST_SKIP() << check.tool << " is not installed (bash tools/setup.sh installs it)";
    }
    for (const auto& check : checks) {
        SCOPED_TRACE(check.tool);
        const std::string log = tmp_.dir() + "validate.log";
        EXPECT_EQ(run(check.command + " >" + shellQuoted(log) + " 2>&1"), 0) << readBytes(log);
    }
}

// The installed command with the executable replaced by a stand-in that behaves like the program
// on its folder: it finds the folder through its resolved path, reads the category list there and
// writes the welcome page and the updates folder.
class PerUserFolder : public Installed {
protected:
    void SetUp() override
    {
        Installed::SetUp();
        if (HasFatalFailure())
            return;
        installStandIn("first");
        home_ = tmp_.dir() + "home";
        fs::create_directories(home_);
    }

    void installStandIn(const std::string& version)
    {
        writeFile(programFolder() / kName,
                  "#!/bin/sh\n"
                  "# " + version + "\n"
                  "dir=$(dirname \"$(readlink -f \"$0\")\")\n"
                  "cat \"$dir/categories.ini\" > \"$dir/Warning.html\" || exit 3\n"
                  "mkdir -p \"$dir/updates\" || exit 4\n"
                  "echo \"$dir\" >> \"" + tmp_.dir() + "ran-in\"\n");
        fs::permissions(programFolder() / kName, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    }

    // Starts the installed command; an empty dataHome leaves XDG_DATA_HOME unset.
    int start(const std::string& dataHome)
    {
        std::string env = "env -u XDG_DATA_HOME HOME=" + shellQuoted(home_);
        if (!dataHome.empty())
            env += " XDG_DATA_HOME=" + shellQuoted(dataHome);
        return run(env + " " + shellQuoted(launcher().string()) + " 2>" + shellQuoted(tmp_.dir() + "launcher.err"));
    }

    std::string ranIn() const { return readBytes(tmp_.dir() + "ran-in"); }

    std::string home_;
};

TEST_F(PerUserFolder, firstStartMakesTheFolderAndTheProgramWritesOnlyThere)
{
    const struct {
        const char* name;
        std::string dataHome;
        std::string expected;
    } rows[] = {
        {"default: under HOME", "", home_ + "/.local/share/" + kName},
        {"XDG_DATA_HOME", tmp_.dir() + "data", tmp_.dir() + "data/" + kName},
        {"relative XDG_DATA_HOME is ignored", "relative/data", home_ + "/.local/share/" + kName},
    };
    const auto installed = snapshot(programFolder());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(tmp_.dir() + "ran-in");
        ASSERT_EQ(start(row.dataHome), 0) << readBytes(tmp_.dir() + "launcher.err");
        const fs::path own = row.expected;
        EXPECT_EQ(ranIn(), own.string() + "\n");

        // The executable is a copy; everything else the program reads is a link to the install.
        EXPECT_FALSE(fs::is_symlink(own / kName));
        EXPECT_EQ(readBytes((own / kName).string()), readBytes((programFolder() / kName).string()));
        for (const auto& entry : fs::directory_iterator(programFolder())) {
            const std::string name = entry.path().filename().string();
            if (name == kName)
                continue;
            SCOPED_TRACE(name);
            ASSERT_TRUE(fs::is_symlink(own / name));
            EXPECT_TRUE(fs::equivalent(own / name, entry.path()));
        }
        EXPECT_EQ(readBytes((own / "Warning.html").string()), readBytes((programFolder() / "categories.ini").string()));
        EXPECT_FALSE(fs::is_symlink(own / "Warning.html"));
        EXPECT_TRUE(fs::is_directory(own / "updates"));
        EXPECT_FALSE(fs::is_symlink(own / "updates"));
        EXPECT_EQ(snapshot(programFolder()), installed);
    }
}

TEST_F(PerUserFolder, everyStartRefreshesTheFolderFromTheInstall)
{
    const fs::path own = fs::path(home_) / ".local/share" / kName;
    ASSERT_EQ(start(""), 0) << readBytes(tmp_.dir() + "launcher.err");

    // An update: a new executable, a new category, a category gone. The user's own file and the
    // program's own writes stay.
    installStandIn("second");
    fs::create_directory(programFolder() / "New category");
    writeFile(programFolder() / "New category" / "scripts.txt", "a.html\r\n");
    std::string goneName;
    for (const auto& entry : fs::directory_iterator(programFolder()))
        if (entry.is_directory() && entry.path().filename() != "New category")
            goneName = entry.path().filename().string();
    ASSERT_FALSE(goneName.empty());
    fs::remove_all(programFolder() / goneName);
    writeFile(own / "notes.txt", "mine");
    // The user's own links stay as they are, even where an installed entry would go, even
    // dangling; a link of ours into an older install is put right.
    fs::remove(own / "cvlogo.bmp");
    fs::create_symlink(tmp_.dir() + "elsewhere.bmp", own / "cvlogo.bmp");
    fs::create_symlink("/gone/" + kName + "/backup/old.txt", own / "old.txt");
    fs::remove(own / "License Agreement - BG.txt");
    fs::create_symlink(tmp_.dir() + "old-prefix/lib/" + kName + "/License Agreement - BG.txt",
                       own / "License Agreement - BG.txt");

    const auto installed = snapshot(programFolder());
    ASSERT_EQ(start(""), 0) << readBytes(tmp_.dir() + "launcher.err");

    EXPECT_EQ(readBytes((own / kName).string()), readBytes((programFolder() / kName).string()));
    EXPECT_TRUE(fs::equivalent(own / "New category", programFolder() / "New category"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(own / goneName)));
    EXPECT_EQ(fs::read_symlink(own / "cvlogo.bmp"), tmp_.dir() + "elsewhere.bmp");
    EXPECT_EQ(fs::read_symlink(own / "old.txt"), "/gone/" + kName + "/backup/old.txt");
    EXPECT_TRUE(fs::equivalent(own / "License Agreement - BG.txt", programFolder() / "License Agreement - BG.txt"));
    EXPECT_EQ(readBytes((own / "notes.txt").string()), "mine");
    EXPECT_TRUE(fs::is_regular_file(own / "Warning.html"));
    EXPECT_EQ(snapshot(programFolder()), installed);
    EXPECT_EQ(ranIn(), own.string() + "\n" + own.string() + "\n");
}

TEST_F(PerUserFolder, programFilesLeftInTheInstallAreNotLinked)
{
    // Should the program ever have been started straight from the install by an administrator,
    // its welcome page and updates folder there must not become links the user's program writes through.
    writeFile(programFolder() / "Warning.html", "installed");
    fs::create_directory(programFolder() / "updates");
    const auto installed = snapshot(programFolder());

    ASSERT_EQ(start(""), 0) << readBytes(tmp_.dir() + "launcher.err");
    const fs::path own = fs::path(home_) / ".local/share" / kName;
    EXPECT_FALSE(fs::is_symlink(own / "Warning.html"));
    EXPECT_FALSE(fs::is_symlink(own / "updates"));
    EXPECT_EQ(snapshot(programFolder()), installed);
}

TEST_F(PerUserFolder, neverCopiesTheProgramThroughALinkOrIntoAFolder)
{
    const fs::path own = fs::path(home_) / ".local/share" / kName;
    const fs::path program = own / kName;
    const fs::path elsewhere = tmp_.dir() + "elsewhere";
    const struct {
        const char* name;
        std::function<void()> plant;
    } rows[] = {
        {"a folder", [&] { fs::create_directories(program); }},
        {"a link to a folder", [&] { fs::create_symlink(elsewhere, program); }},
        {"a link to a file", [&] { fs::create_symlink(elsewhere / "mine", program); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(own);
        fs::remove_all(elsewhere);
        fs::create_directories(own);
        fs::create_directories(elsewhere);
        writeFile(elsewhere / "mine", "the user's own");
        row.plant();
        const auto before = snapshot(own);
        const auto theirs = snapshot(elsewhere);

        EXPECT_EQ(start(""), 1);
        EXPECT_NE(readBytes(tmp_.dir() + "launcher.err").find(program.string()), std::string::npos);
        EXPECT_EQ(snapshot(own), before);
        EXPECT_EQ(snapshot(elsewhere), theirs);
        EXPECT_FALSE(fs::exists(tmp_.dir() + "ran-in"));
    }
}

TEST_F(PerUserFolder, temporaryCopyGoesThroughNoPlantedLink)
{
    // Links planted under every name a process started next could use for its copy.
    const fs::path own = fs::path(home_) / ".local/share" / kName;
    fs::create_directories(own);
    const fs::path victim = tmp_.dir() + "victim";
    writeFile(victim, "precious");
    const long last = std::stol(readBytes("/proc/sys/kernel/ns_last_pid"));
    for (long pid = last; pid < last + 500; ++pid)
        fs::create_symlink(victim, own / ("." + kName + "." + std::to_string(pid)));

    ASSERT_EQ(start(""), 0) << readBytes(tmp_.dir() + "launcher.err");
    EXPECT_EQ(readBytes(victim.string()), "precious");
    EXPECT_EQ(fs::status(victim).permissions() & fs::perms::owner_exec, fs::perms::none);
    EXPECT_EQ(readBytes((own / kName).string()), readBytes((programFolder() / kName).string()));
    EXPECT_FALSE(fs::is_symlink(own / kName));
    // Nothing of the copy is left behind: the planted links are all there is besides.
    for (const auto& entry : fs::directory_iterator(own))
        if (entry.path().filename().string().rfind("." + kName, 0) == 0)
            EXPECT_TRUE(entry.is_symlink()) << entry.path();
}

TEST_F(PerUserFolder, unusableHomeIsAClearErrorAndNoStart)
{
    writeFile(tmp_.dir() + "a-file", "");
    EXPECT_NE(start(tmp_.dir() + "a-file"), 0);
    EXPECT_NE(readBytes(tmp_.dir() + "launcher.err").find("cannot create the program folder"), std::string::npos);
    EXPECT_FALSE(fs::exists(tmp_.dir() + "ran-in"));
}

} // namespace
} // namespace corvane
