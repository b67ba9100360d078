#include "pages/filelimits.h"
#include "pages/pagescan.h"
#include "platform/codepage.h"
#include "support/qtwait.h"
#include "support/testfiles.h"
#include "support/windowdoubles.h"
#include "ui/savedialog.h"
#include "ui/scriptcombobox.h"
#include "ui/tform1.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include <algorithm>
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

namespace corvane {
namespace {

namespace fs = std::filesystem;

// Answers the save dialog at once with the folder, name and encoding a test chose.
struct ChosenSave : PageSaveDialog {
    std::optional<PageSaveChoice> choose(QWidget*, const QString& folder, const QString& name,
                                         bool needsLayer) override
    {
        asked << folder + QLatin1Char('|') + name;
        offeredLayer = needsLayer;
        if (!answer)
            return std::nullopt;
        PageSaveChoice choice = *answer;
        if (choice.fileName.isEmpty())
            choice.fileName = name;
        return choice;
    }
    QStringList asked;
    bool offeredLayer = false;
    std::optional<PageSaveChoice> answer;
};

// A GIF of one pixel; Chromium sniffs it whatever the name says.
const std::string
    kPixel("GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff!\xf9\x04\x01\x00\x00\x00\x00,"
           "\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
           43);

class SavePage : public ::testing::Test, protected test::WindowBench {
protected:
    SavePage()
    {
        // The page uses files beside it, below it and above it, through tags, a style sheet with
        // an @import, a script and a name in a script string; it links to and loads from elsewhere.
        // Its background is named in other letters than the file's, as on Windows.
        dir.writeLibrary(
            {{"Фонове", "Звезди.html",
              "<html><head><title>Звезди</title>\r\n"
              "<link rel=\"stylesheet\" href=\"style.css\">\r\n"
              "<script src=\"../common/lib.js\"></script>\r\n"
              "</head><body background=\"IMG/BG.GIF\">\r\n"
              "<h1>Звезди</h1><p>текст</p>\r\n"
              "<img src=\"../pics/star.gif?v=2\" name=\"s\"><img src=\"http://www.example/remote.gif\">\r\n"
              "<script>var on = 'on.gif'; document.images.s.onmouseover = function () { this.src = on; };</script>\r\n"
              "<a href=\"other.html\">друг</a>\r\n"
              "</body></html>\r\n"}});
        dir.write("Фонове/style.css",
                  "@import \"more.css\";\r\nh1 { background: url(../pics/back.png) }\r\n");
        dir.write("Фонове/more.css", "p { color: rgb(1, 2, 3) }\r\n");
        dir.writeCp1251("common/lib.js", "// общи\r\nwindow.libLoaded = 'Здравей';\r\n");
        for (const char* picture : {"Фонове/img/bg.gif", "Фонове/on.gif", "pics/star.gif", "pics/back.png"})
            dir.write(picture, kPixel);
        dir.write("Фонове/other.html", "<p>не се копира</p>");
        save.answer =
            PageSaveChoice{QString::fromStdString(out.path().string()), QString(), pages::PageEncoding::Utf8};
    }

    std::unique_ptr<TForm1> window()
    {
        auto form = make();
        dialogs.messages.clear(); // the first-start greeting
        form->findChild<ScriptComboBox*>(QStringLiteral("cats"))->choose(QStringLiteral("Фонове"));
        form->findChild<ScriptComboBox*>(QStringLiteral("lb"))->choose(QStringLiteral("Звезди.html"));
        return form;
    }

    // Presses Ctrl+S and waits for the box that says how it went.
    void pressSave(TForm1& form)
    {
        const qsizetype before = dialogs.messages.size() + dialogs.errors.size();
        QAction* action = form.findChild<QAction*>(QStringLiteral("SavePage"));
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        action->trigger();
        ASSERT_TRUE(
            test::waitUntil([&] { return dialogs.messages.size() + dialogs.errors.size() > before; }, 5000));
    }

    std::string saved(const std::string& relative) const
    {
        return test::readBytes((out.path() / fs::u8path(relative)).string());
    }
    std::string original(const std::string& relative) const { return test::readBytes(dir.dir() + relative); }

    ChosenSave save;
    test::TempDir out;
};

// The saved page's references, percent-decoded, as the browser resolves them.
std::string decoded(const std::string& page)
{
    return QUrl::fromPercentEncoding(QByteArray::fromStdString(page)).toStdString();
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST_F(SavePage, savesTheChosenScriptAsUtf8WithEveryFileItUsesAndRewritesOnlyWhatMoved)
{
    saveDialog = &save;
    auto form = window();
    pressSave(*form);
    ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(save.asked.value(0).endsWith(QStringLiteral("|Звезди.html")));
    EXPECT_EQ(dialogs.messages.value(0), QStringLiteral("Запазени са страницата и 7 файла в %1.")
                                             .arg(QString::fromStdString(out.path().string())));

    const std::string page = saved("Звезди.html");
    EXPECT_TRUE(isValidUtf8(page));
    EXPECT_TRUE(contains(page, "<head><meta charset=\"utf-8\">")
                || contains(page, "<head>\r\n<meta charset=\"utf-8\">"));
    EXPECT_TRUE(contains(page, "<h1>Звезди</h1>"));
    const std::string links = decoded(page);
    EXPECT_TRUE(contains(links, "href=\"style.css\"")) << "kept in place";
    EXPECT_TRUE(contains(links, "background=\"img/bg.gif\"")) << "the file's own name";
    EXPECT_TRUE(contains(links, "src=\"Звезди_files/common/lib.js\""));
    EXPECT_TRUE(contains(links, "src=\"Звезди_files/pics/star.gif?v=2\"")) << "the query stays";
    EXPECT_TRUE(contains(links, "src=\"http://www.example/remote.gif\"")
                && contains(links, "href=\"other.html\""));
    EXPECT_FALSE(fs::exists(out.path() / fs::u8path("other.html")))
        << "a link is not something the page uses";

    EXPECT_TRUE(contains(decoded(saved("style.css")), "url(Звезди_files/pics/back.png)"));
    EXPECT_EQ(saved("more.css"), original("Фонове/more.css"));
    EXPECT_EQ(saved("Звезди_files/common/lib.js"), "// общи\r\nwindow.libLoaded = 'Здравей';\r\n")
        << "UTF-8 like its page";
    for (const char* picture :
         {"img/bg.gif", "on.gif", "Звезди_files/pics/star.gif", "Звезди_files/pics/back.png"})
        EXPECT_EQ(saved(picture), kPixel) << picture;
    EXPECT_EQ(original("Фонове/style.css"),
              "@import \"more.css\";\r\nh1 { background: url(../pics/back.png) }\r\n")
        << "the library is only read";
}

TEST_F(SavePage, savesAnEditedScriptInWindows1251AndAsksBeforeReplacingAnything)
{
    saveDialog = &save;
    auto form = window();
    pressSave(*form); // UTF-8 first: the second save finds every file there
    auto* code = form->findChild<QPlainTextEdit*>(QStringLiteral("Memo4"));
    code->moveCursor(QTextCursor::End);
    test::typeText(code, QStringLiteral("<p>Добавено</p>"));
    save.answer->encoding = pages::PageEncoding::Windows1251;

    dialogs.answer = false;
    const std::string before = saved("Звезди.html");
    form->findChild<QAction*>(QStringLiteral("SavePage"))->trigger();
    ASSERT_EQ(dialogs.confirmations.size(), 1);
    EXPECT_TRUE(dialogs.confirmations[0].contains(QStringLiteral("Звезди.html")))
        << "the page is named first";
    test::waitUntil([] { return false; }, 200);
    EXPECT_EQ(saved("Звезди.html"), before) << "declined: nothing replaced";

    dialogs.answer = true;
    pressSave(*form);
    ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(QLatin1Char('\n')).toStdString();
    const std::string page = saved("Звезди.html");
    EXPECT_FALSE(isValidUtf8(page));
    EXPECT_TRUE(contains(page, utf8ToCp1251("<h1>Звезди</h1>"))
                && contains(page, utf8ToCp1251("<p>Добавено</p>")))
        << cp1251ToUtf8(page);
    EXPECT_TRUE(contains(page, "<meta charset=\"windows-1251\">"));
    EXPECT_TRUE(contains(decoded(cp1251ToUtf8(page)), "src=\"Звезди_files/common/lib.js\""));
    EXPECT_EQ(saved("Звезди_files/common/lib.js"), original("common/lib.js")) << "bytes as in the library";
    EXPECT_EQ(saved("more.css"), original("Фонове/more.css"));
}

TEST_F(SavePage, refusesTheProgramFolderTheLibraryAndLinksAndWithNoScriptAsksForAName)
{
    saveDialog = &save;
    auto form = window();
    for (const std::string& folder : {dir.dir(), dir.dir() + "Фонове/img"}) {
        save.answer->folder = QString::fromStdString(folder);
        save.answer->fileName = QStringLiteral("копие.html");
        dialogs.errors.clear();
        pressSave(*form);
        EXPECT_EQ(dialogs.errors.size(), 1) << folder;
        EXPECT_FALSE(fs::exists(fs::u8path(folder + "/копие.html"))) << folder;
    }

    // A link where the save would make a folder is never followed, and the files written before
    // the save came to it go again.
    test::TempDir elsewhere;
    fs::create_directory_symlink(elsewhere.path(), out.path() / "img");
    save.answer->folder = QString::fromStdString(out.path().string());
    dialogs.errors.clear();
    dialogs.answer = true;
    pressSave(*form);
    EXPECT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(out.path()))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"img"}) << "only the link the user had there";

    auto empty = make();
    save.asked.clear();
    save.answer.reset();
    empty->findChild<QAction*>(QStringLiteral("SavePage"))->trigger();
    ASSERT_EQ(save.asked.size(), 1);
    EXPECT_TRUE(save.asked[0].endsWith(QLatin1Char('|'))) << "no name to offer";
}

// Every file must land outside the library where it really lands: a link in the chosen folder
// into the library, or a page whose folder is above the library (the category box reads "..")
// saved into the folder above the program's, is refused before anything is written.
TEST_F(SavePage, refusesBeforeWritingAnyFileThatWouldReallyLandInTheLibrary)
{
    saveDialog = &save;
    const auto library = [&] {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
            if (entry.is_regular_file())
                files[entry.path().string()] = test::readBytes(entry.path().string());
        return files;
    };
    auto form = window();
    fs::create_directory_symlink(dir.path() / fs::u8path("Фонове/img"), out.path() / "img");
    const auto before = library();
    pressSave(*form);
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains(QStringLiteral("img/bg.gif"))) << dialogs.errors[0].toStdString();
    EXPECT_TRUE(dialogs.confirmations.isEmpty()) << "refused before anything is asked";
    EXPECT_EQ(library(), before);
    EXPECT_FALSE(fs::exists(out.path() / fs::u8path("Звезди.html")));

    // The same window's program folder one level down, so that "above" is a folder of the test's.
    test::TempDir outer;
    outer.writeLibrary({{"Игри", "a.html", "<p>a</p>"}}, "prog");
    MainWindowServices services;
    services.programDirectory = outer.dir() + "prog/";
    services.registry = &store;
    services.shell = &shell;
    services.dialogs = &dialogs;
    services.pageDialogs = &pageDialogs;
    services.bannerAddress = QStringLiteral("/nonexistent/banner.html");
    services.saveDialog = &save;
    TForm1 nested(services);
    const std::string categories = test::readBytes(outer.dir() + "prog/categories.ini");
    test::typeText(nested.findChild<ScriptComboBox*>(QStringLiteral("cats")), QStringLiteral(".."));
    nested.findChild<QPlainTextEdit*>(QStringLiteral("Memo4"))
        ->setPlainText(QStringLiteral("<img src=\"prog/categories.ini\">"));
    save.answer->folder = QString::fromStdString(outer.path().string());
    save.answer->fileName = QStringLiteral("copy.html");
    dialogs.errors.clear();
    pressSave(nested);
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].contains(QStringLiteral("prog/categories.ini")))
        << dialogs.errors[0].toStdString();
    EXPECT_EQ(test::readBytes(outer.dir() + "prog/categories.ini"), categories);
    EXPECT_FALSE(fs::exists(outer.path() / "copy.html"));
}

struct TooLargeCase {
    const char* name;
    const char* file; // in the library, grown past its limit
    std::uintmax_t size;
    const char* limit;
};

class SavePageTooLarge : public SavePage, public ::testing::WithParamInterface<TooLargeCase> {};

// A file larger than a library file may be is left out, never read, and named in the final box;
// the rest is saved.
TEST_P(SavePageTooLarge, isLeftOutAndNamed)
{
    saveDialog = &save;
    fs::resize_file(dir.path() / fs::u8path(GetParam().file), GetParam().size);
    auto form = window();
    pressSave(*form);
    ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(dialogs.messages.size(), 1);
    const QString box = dialogs.messages[0];
    EXPECT_TRUE(box.contains(QString::fromUtf8(GetParam().file))
                && box.contains(QLatin1String(GetParam().limit)))
        << box.toStdString();
    EXPECT_TRUE(fs::exists(out.path() / fs::u8path("Звезди.html")));
    EXPECT_EQ(saved("img/bg.gif"), kPixel);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SavePageTooLarge,
    ::testing::Values(TooLargeCase{"picture", "pics/star.gif", pages::kMaxAssetBytes + 1, "256 MB"},
                      TooLargeCase{"styleSheet", "Фонове/style.css", pages::kMaxTextBytes + 1, "16 MB"}),
    [](const auto& info) { return std::string(info.param.name); });

// A picture of many pieces is copied whole, a piece a step.
TEST_F(SavePage, copiesALargePictureWhole)
{
    saveDialog = &save;
    std::string big(std::size_t{40} << 20, '\0');
    for (std::size_t i = 0; i < big.size(); i += 4096)
        big[i] = static_cast<char>(i / 4096);
    dir.write("pics/star.gif", big);
    auto form = window();
    pressSave(*form);
    ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(saved("Звезди_files/pics/star.gif") == big);
}

// Loads the saved page in a browser of its own and reports what did not load.
QString notLoaded(const std::string& path)
{
    QWebEngineProfile profile; // off the record
    QWebEnginePage page(&profile);
    bool loaded = false;
    QObject::connect(&page, &QWebEnginePage::loadFinished, [&](bool ok) { loaded = ok; });
    page.load(QUrl::fromLocalFile(QString::fromStdString(path)));
    if (!test::waitUntil([&] { return loaded; }))
        return QStringLiteral("the page");
    page.runJavaScript(QStringLiteral(R"JS(
        (function () {
          var missing = [];
          var probes = [];
          var probe = function (what, url) {
            probes.push(new Promise(function (done) {
              var image = new Image();
              image.onload = function () { done(); };
              image.onerror = function () { missing.push(what); done(); };
              image.src = url;
            }));
          };
          Array.prototype.forEach.call(document.images, function (image) {
            if (image.src.indexOf('file:') === 0 && !(image.complete && image.naturalWidth > 0)) missing.push(image.src);
          });
          probe('background', new URL(document.body.getAttribute('background'), location.href).href);
          probe('rollover', new URL('on.gif', location.href).href);
          var css = getComputedStyle(document.querySelector('h1')).backgroundImage;
          if (css.indexOf('url(') !== 0) missing.push('style sheet'); else probe('url()', css.slice(5, -2));
          if (getComputedStyle(document.querySelector('p')).color !== 'rgb(1, 2, 3)') missing.push('@import');
          if (window.libLoaded !== 'Здравей') missing.push('script ' + window.libLoaded);
          if (document.querySelector('h1').textContent !== 'Звезди') missing.push('text');
          Promise.all(probes).then(function () { window.notLoaded = missing.join(', '); });
        })();)JS"));
    QString result;
    bool answered = false;
    test::waitUntil([&] {
        page.runJavaScript(QStringLiteral("window.notLoaded"), [&](const QVariant& value) {
            if (!value.isNull()) {
                result = value.toString();
                answered = true;
            }
        });
        return answered;
    });
    return answered ? result : QStringLiteral("no answer");
}

TEST_F(SavePage, theSavedPageShowsFromItsNewPlaceWithEveryFileInEitherEncoding)
{
    saveDialog = &save;
    auto form = window();
    test::TempDir other;
    pressSave(*form);
    save.answer->folder = QString::fromStdString(other.path().string());
    save.answer->encoding = pages::PageEncoding::Windows1251;
    pressSave(*form);
    ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(QLatin1Char('\n')).toStdString();
    form.reset();
    fs::remove_all(dir.path() / "pics"); // nothing may come from the library any more
    fs::remove_all(dir.path() / "common");
    fs::remove_all(dir.path() / fs::u8path("Фонове"));
    for (const test::TempDir* folder : {&out, &other}) {
        EXPECT_EQ(notLoaded((folder->path() / fs::u8path("Звезди.html")).string()).toStdString(), "")
            << folder->path();
    }
}

// A page of the old browsers, saved so that it runs in today's browsers: the layer's parts beside it
// as one script, linked first in its head, in plain ASCII whatever the page's encoding.
class SaveForToday : public SavePage {
protected:
    SaveForToday()
    {
        dir.writeLibrary(
            {{"Стари", "Стар.html",
              "<html><head><title>start</title>\r\n"
              "<style>#box { filter: alpha(opacity=40); width: 50px; height: 50px; background: red }</style>\r\n"
              "</head><body><div id=\"box\">кутия</div><script>\r\n"
              "if (document.all) { document.all.box.filters.alpha.opacity = 80; document.title = 'IE'; }\r\n"
              "else document.title = 'neither';\r\n"
              "</script></body></html>\r\n"}});
    }
    std::unique_ptr<TForm1> oldWindow()
    {
        auto form = make();
        dialogs.messages.clear();
        form->findChild<ScriptComboBox*>(QStringLiteral("cats"))->choose(QStringLiteral("Стари"));
        form->findChild<ScriptComboBox*>(QStringLiteral("lb"))->choose(QStringLiteral("Стар.html"));
        return form;
    }
    // Saves the old page so that it runs in today's browsers, in the encoding given.
    void saveForToday(pages::PageEncoding encoding)
    {
        saveDialog = &save;
        save.answer->encoding = encoding;
        save.answer->forToday = true;
        auto form = oldWindow();
        pressSave(*form);
        ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(QLatin1Char('\n')).toStdString();
    }
};

TEST_F(SaveForToday, theSavedPageRunsInAnEngineWithNoLayerOfTheProgramsAsInThePreview)
{
    saveForToday(pages::PageEncoding::Windows1251);
    EXPECT_TRUE(save.offeredLayer) << "checked at first for a page that needs the layer";
    const std::string page = saved("Стар.html");
    // After the character set, which must come first, before everything of the page's own.
    EXPECT_TRUE(contains(page, "<meta charset=\"windows-1251\"><script src=\""
                                   + pages::pathToUrl("Стар.compat.js") + "\"></script><title>"))
        << page;
    const std::string layer = saved("Стар.compat.js");
    EXPECT_TRUE(
        std::all_of(layer.begin(), layer.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }));

    // A page of the engine's own, with none of the program's scripts: as a browser opens the file.
    QWebEngineProfile profile;
    QWebEnginePage bare(&profile);
    bare.load(QUrl::fromLocalFile(QString::fromStdString((out.path() / fs::u8path("Стар.html")).string())));
    ASSERT_TRUE(test::waitUntil([&] { return bare.title() == QStringLiteral("IE"); }))
        << bare.title().toStdString();
    QString opacity;
    bare.runJavaScript(QStringLiteral("getComputedStyle(document.getElementById('box')).opacity"),
                       [&](const QVariant& value) { opacity = value.toString(); });
    EXPECT_TRUE(test::waitUntil([&] { return opacity == QStringLiteral("0.8"); })) << opacity.toStdString();
}

// Today's browser itself, when the machine has one: Chromium, headless, from disk, no network.
TEST_F(SaveForToday, theSavedPageRunsInHeadlessChromium)
{
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty())
        GTEST_SKIP() << "chromium is not installed";
    saveForToday(pages::PageEncoding::Utf8);
    QProcess browser;
    browser.start(
        chromium,
        {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
         QStringLiteral("--user-data-dir=") + QString::fromStdString(out.path().string())
             + QStringLiteral("/profile"),
         QStringLiteral("--dump-dom"),
         QUrl::fromLocalFile(QString::fromStdString((out.path() / fs::u8path("Стар.html")).string()))
             .toString()});
    ASSERT_TRUE(browser.waitForFinished(60000));
    const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
    EXPECT_TRUE(dom.contains(QStringLiteral("<title>IE</title>"))) << dom.toStdString();
}

} // namespace
} // namespace corvane
