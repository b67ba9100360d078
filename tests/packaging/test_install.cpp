#include "platform/codepage.h"
#include "support/testfiles.h"

#include <algorithm>
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
        return (static_cast<unsigned char>(bytes[at]) << 24)
               | (static_cast<unsigned char>(bytes[at + 1]) << 16)
               | (static_cast<unsigned char>(bytes[at + 2]) << 8) | static_cast<unsigned char>(bytes[at + 3]);
    };
    return {be32(16), be32(20)};
}

// What a shell command prints on stdout; stderr goes to errors when asked for.
std::string output(const std::string& command, const std::string& errors = "/dev/null")
{
    std::string text;
    if (std::FILE* pipe = ::popen((command + " 2>" + shellQuoted(errors)).c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, n);
        ::pclose(pipe);
    }
    return text;
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
        ASSERT_EQ(run(shellQuoted(CORVANE_CMAKE_COMMAND) + " --install " + shellQuoted(CORVANE_BUILD_DIR)
                      + " --prefix " + shellQuoted(prefix()) + " >" + shellQuoted(tmp_.dir() + "install.log")
                      + " 2>&1"),
                  0)
            << readBytes(tmp_.dir() + "install.log");
    }

    std::string prefix() const { return tmp_.dir() + "prefix"; }
    fs::path programFolder() const { return fs::path(prefix()) / "lib" / kName; }
    fs::path launcher() const { return fs::path(prefix()) / "bin" / kName; }
    fs::path share() const { return fs::path(prefix()) / "share"; }
    fs::path desktopFile() const { return share() / "applications" / "example.corvane.Scripts.desktop"; }
    fs::path metainfoFile() const { return share() / "metainfo" / "example.corvane.Scripts.metainfo.xml"; }
    fs::path doc() const { return share() / "doc" / kName; }
    fs::path manPage(const std::string& command) const
    {
        return share() / "man" / "man1" / (command + ".1.gz");
    }
    fs::path completion() const { return share() / "bash-completion" / "completions" / "corvane-library"; }

    TempDir tmp_;
};

TEST_F(Installed, programFolderHoldsTheExecutableAndEverythingItReadsBesideItself)
{
    EXPECT_EQ(fs::status(programFolder() / kName).permissions() & fs::perms::owner_exec,
              fs::perms::owner_exec);
    EXPECT_EQ(readBytes((programFolder() / "cvlogo.bmp").string()),
              readBytes(CORVANE_ASSETS_DIR "/cvlogo.bmp"));
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
        const fs::path png =
            hicolor / (std::to_string(size) + "x" + std::to_string(size)) / "apps" / (icon + ".png");
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

// gzip as Debian wants it: maximum compression, and neither a file name nor a time stamp, so the
// same source always gives the same bytes.
void expectReproducibleGzip(const fs::path& file)
{
    SCOPED_TRACE(file.string());
    const std::string bytes = readBytes(file.string());
    ASSERT_GT(bytes.size(), 10u);
    EXPECT_EQ(bytes.substr(0, 3), "\x1f\x8b\x08");
    EXPECT_EQ(bytes[3] & 0x08, 0) << "a file name is stored";
    EXPECT_EQ(bytes.substr(4, 4), std::string(4, '\0')) << "a time stamp is stored";
    EXPECT_EQ(bytes[8], '\x02') << "not compressed with -9";
}

TEST_F(Installed, everyCommandHasAManualPageThatRendersCleanly)
{
    int commands = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(prefix()) / "bin")) {
        const std::string command = entry.path().filename().string();
        SCOPED_TRACE(command);
        ++commands;
        ASSERT_TRUE(fs::is_regular_file(manPage(command)));
        expectReproducibleGzip(manPage(command));
        const std::string page = output("gzip -dc " + shellQuoted(manPage(command).string()));
        EXPECT_EQ(page.rfind(".TH ", 0), 0u);
        EXPECT_NE(page.find("\"Corvane Scripts " CORVANE_PROJECT_VERSION "\""), std::string::npos)
            << "the page names another version";
        if (!onPath("man"))
            continue;
        const std::string warnings = tmp_.dir() + "man.err";
        // The pages name the window's Bulgarian texts: they need a UTF-8 locale, as a Bulgarian user has.
        const std::string text =
            output("LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l " + shellQuoted(manPage(command).string()),
                   warnings);
        EXPECT_NE(text.find("SYNOPSIS"), std::string::npos);
        EXPECT_EQ(readBytes(warnings), "");
    }
    EXPECT_EQ(commands, 2);
}

TEST_F(Installed, libraryToolPrintsTheVersionOfTheChangelog)
{
    expectReproducibleGzip(doc() / "changelog.gz");
    const std::string changelog = output("gzip -dc " + shellQuoted((doc() / "changelog.gz").string()));
    const std::string head = "corvane-scripts (" CORVANE_PROJECT_VERSION ") ";
    EXPECT_EQ(changelog.substr(0, head.size()), head) << "the changelog's last entry is for another version";
    EXPECT_NE(changelog.find("\n -- Corvane <"), std::string::npos) << "no trailer line";

    EXPECT_EQ(output(shellQuoted((fs::path(prefix()) / "bin" / "corvane-library").string()) + " --version"),
              "corvane-library " CORVANE_PROJECT_VERSION "\n");
    const std::string metainfo = readBytes(metainfoFile().string());
    EXPECT_NE(metainfo.find("<release version=\"" CORVANE_PROJECT_VERSION "\""), std::string::npos);
}

TEST_F(Installed, copyrightIsMachineReadableAndCarriesTheShippedLicence)
{
    const std::string copyright = readBytes((doc() / "copyright").string());
    EXPECT_EQ(
        copyright.rfind("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n", 0),
        0u);

    // The stand-alone licence paragraph holds the text of the terms the program opens, line for line.
    const std::string licenceHead = "\n\nLicense: LicenseRef-Corvane-Scripts\n";
    const std::size_t at = copyright.find(licenceHead);
    ASSERT_NE(at, std::string::npos);
    std::string text;
    std::istringstream lines(copyright.substr(at + licenceHead.size()));
    for (std::string line; std::getline(lines, line) && line.rfind(" ", 0) == 0;)
        text += (line == " ." ? std::string() : line.substr(1)) + "\n";
    std::string terms = cp1251ToUtf8(readBytes((programFolder() / "License Agreement - BG.txt").string()));
    terms.erase(std::remove(terms.begin(), terms.end(), '\r'), terms.end());
    while (!terms.empty() && terms.back() == '\n')
        terms.pop_back();
    EXPECT_EQ(text, terms + "\n");

    // Every licence a paragraph names is given in full or is one of Debian's common licences.
    std::istringstream paragraphs(copyright);
    for (std::string line; std::getline(paragraphs, line);) {
        if (line.rfind("License: ", 0) != 0)
            continue;
        const std::string name = line.substr(9);
        SCOPED_TRACE(name);
        EXPECT_TRUE(copyright.find("\nLicense: " + name + "\n ") != std::string::npos
                    || fs::exists("/usr/share/common-licenses/" + name));
    }
}

TEST_F(Installed, completionOffersCommandsOptionsAndFolders)
{
    if (!onPath("bash"))
        GTEST_SKIP() << "bash is not installed";
    ASSERT_TRUE(fs::is_regular_file(completion()));
    fs::create_directories(tmp_.dir() + "work/Игри");
    fs::create_directories(tmp_.dir() + "work/gallery");
    writeFile(tmp_.dir() + "work/page.html", "");
    // Completes the words after the command and prints the candidates, sorted bytewise, one a line.
    const auto complete = [&](const std::string& words) {
        return output(
            "cd " + shellQuoted(tmp_.dir() + "work") + " && bash --norc -c "
            + shellQuoted("source " + shellQuoted(completion().string()) + " && COMP_WORDS=(corvane-library "
                          + words + ") && COMP_CWORD=$((${#COMP_WORDS[@]} - 1))"
                          + " && _corvane_library && printf '%s\\n' \"${COMPREPLY[@]}\" | LC_ALL=C sort"));
    };
    EXPECT_EQ(complete("''"), "--help\n--version\nadd\ncheck\nexport\nrun\n");
    EXPECT_EQ(complete("check --"), "--help\n--ignore\n--json\n");
    EXPECT_EQ(complete("run --j"), "--jobs\n--json\n");
    EXPECT_EQ(complete("export ''"), "gallery\nИгри\n") << "DIR and OUT are folders";
    EXPECT_EQ(complete("check --ignore old"), "old-browser\n");
    EXPECT_EQ(complete("add Игри ''"), "gallery\npage.html\nИгри\n");
}

TEST_F(Installed, metadataProvidesEveryInstalledCommand)
{
    const std::string metainfo = readBytes(metainfoFile().string());
    for (const auto& entry : fs::directory_iterator(fs::path(prefix()) / "bin")) {
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_NE(metainfo.find("<binary>" + entry.path().filename().string() + "</binary>"),
                  std::string::npos);
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
                  "# " + version
                      + "\n"
                        "dir=$(dirname \"$(readlink -f \"$0\")\")\n"
                        "cat \"$dir/categories.ini\" > \"$dir/Warning.html\" || exit 3\n"
                        "mkdir -p \"$dir/updates\" || exit 4\n"
                        "echo \"$dir\" >> \""
                      + tmp_.dir() + "ran-in\"\n");
        fs::permissions(programFolder() / kName,
                        fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    }

    // Starts the installed command; an empty dataHome leaves XDG_DATA_HOME unset.
    int start(const std::string& dataHome)
    {
        std::string env = "env -u XDG_DATA_HOME HOME=" + shellQuoted(home_);
        if (!dataHome.empty())
            env += " XDG_DATA_HOME=" + shellQuoted(dataHome);
        return run(env + " " + shellQuoted(launcher().string()) + " 2>"
                   + shellQuoted(tmp_.dir() + "launcher.err"));
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
        EXPECT_EQ(readBytes((own / "Warning.html").string()),
                  readBytes((programFolder() / "categories.ini").string()));
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
    EXPECT_TRUE(
        fs::equivalent(own / "License Agreement - BG.txt", programFolder() / "License Agreement - BG.txt"));
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
        if (entry.path().filename().string().rfind("." + kName, 0) == 0) {
            EXPECT_TRUE(entry.is_symlink()) << entry.path();
        }
}

TEST_F(PerUserFolder, unusableHomeIsAClearErrorAndNoStart)
{
    writeFile(tmp_.dir() + "a-file", "");
    EXPECT_NE(start(tmp_.dir() + "a-file"), 0);
    EXPECT_NE(readBytes(tmp_.dir() + "launcher.err").find("cannot create the program folder"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(tmp_.dir() + "ran-in"));
}

} // namespace
} // namespace corvane
