// VBScript and behaviors where a page cannot judge itself: the page's boxes, the console's lines,
// the runaway guard, the library's scripts driven as a user drives them, and the interpreter fed
// thousands of generated scripts.
#include "browser/consolemessages.h"
#include "browser/pagedialogs.h"
#include "browser/webview.h"
#include "support/qtwait.h"
#include "support/webviewwait.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>
#include <QWebEnginePage>

#include <cctype>

#include <gtest/gtest.h>

namespace corvane {
namespace {

using test::evaluate;
using test::loadPage;
using test::waitUntil;

QString compatPage(const QString& name)
{
    return QStringLiteral(CORVANE_COMPAT_LIBRARY) + name;
}

QString readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// The line (from 1) of the first line of `path` that holds `text`; 0 when none does.
int lineOf(const QString& path, const QString& text)
{
    const QStringList lines = readText(path).split(u'\n');
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].contains(text))
            return i + 1;
    return 0;
}

// The page's boxes, answered at once: OK/Cancel by `accept`, the prompt with `typed`.
struct AnsweringDialogs : PageDialogs {
    void alert(QWidget*, const QString& text, bool*) override { boxes << QStringLiteral("alert:") + text; }
    bool confirm(QWidget*, const QString& text, bool*) override
    {
        boxes << QStringLiteral("confirm:") + text;
        return accept;
    }
    bool prompt(QWidget*, const QString& text, QString& value, bool*) override
    {
        boxes << QStringLiteral("prompt:") + text + QStringLiteral("|") + value;
        value = typed;
        return accept;
    }
    bool confirmLeave(QWidget*) override { return true; }
    QString saveFileName(QWidget*, const QString&) override { return {}; }
    void downloadFailed(QWidget*, const QString&) override {}
    QStringList boxes;
    bool accept = true;
    QString typed;
};

class VBScriptView : public ::testing::Test {
protected:
    VBScriptView()
    {
        view.resize(480, 360);
        view.show();
    }
    // The console's lines as the console window shows them.
    QStringList consoleLines()
    {
        QStringList lines;
        for (int i = 0; i < view.console().rowCount(); ++i)
            lines << ConsoleModel::displayText(view.console().message(i));
        return lines;
    }
    // Waits for a console message whose text holds every one of `parts`; returns it.
    std::optional<ConsoleMessage> waitForMessage(const QStringList& parts, int timeoutMs = 10000)
    {
        std::optional<ConsoleMessage> found;
        waitUntil(
            [&] {
                for (int i = 0; i < view.console().rowCount() && !found; ++i) {
                    const ConsoleMessage& m = view.console().message(i);
                    if (std::all_of(parts.begin(), parts.end(),
                                    [&](const QString& p) { return m.text.contains(p); }))
                        found = m;
                }
                return found.has_value();
            },
            timeoutMs);
        return found;
    }
    WebView view;
};

struct BoxCase {
    const char* name;
    bool accept;
    const char* typed;
    const char* title;
};

const BoxCase kBoxCases[] = {
    {"accepted: vbYes and the typed name", true, "Боян", "answers 6 [Боян]"},
    {"cancelled: vbNo and an empty string", false, "Боян", "answers 7 []"},
};

TEST_F(VBScriptView, msgBoxAndInputBoxUseThePagesBoxesWithTheirButtonAnswers)
{
    for (const BoxCase& c : kBoxCases) {
        SCOPED_TRACE(c.name);
        AnsweringDialogs dialogs;
        dialogs.accept = c.accept;
        dialogs.typed = QString::fromUtf8(c.typed);
        view.setPageDialogs(&dialogs);
        ASSERT_TRUE(loadPage(view, compatPage(QStringLiteral("vbscript/faults/dialogs.html"))));
        EXPECT_TRUE(waitUntil([&] { return view.page()->title() == QString::fromUtf8(c.title); }, 10000))
            << view.page()->title().toStdString();
        EXPECT_EQ(dialogs.boxes,
                  (QStringList{QStringLiteral("alert:Здравей"), QStringLiteral("confirm:Продължаваме?"),
                               QStringLiteral("prompt:Как се казвате?|Ана")}));
        view.setPageDialogs(nullptr);
    }
}

TEST_F(VBScriptView, errorsNameTheirLineInThePageAndThePageGoesOn)
{
    const QString page = compatPage(QStringLiteral("vbscript/faults/console.html"));
    ASSERT_TRUE(loadPage(view, page));
    EXPECT_TRUE(waitUntil([&] { return view.page()->title() == QLatin1String("ran on"); }, 10000))
        << view.page()->title().toStdString();

    // A runtime error, at the line in the Sub where it happened.
    const auto division = waitForMessage({QStringLiteral("VBScript"), QStringLiteral("Деление на нула")});
    ASSERT_TRUE(division) << consoleLines().join(u'\n').toStdString();
    EXPECT_EQ(division->level, ConsoleMessage::Level::Error);
    EXPECT_EQ(division->line, lineOf(page, QStringLiteral("x = 1 / 0")));
    EXPECT_TRUE(division->source.endsWith(QLatin1String("console.html"))) << division->source.toStdString();

    // A block that does not compile is an error in its lines; the next blocks still run.
    const auto missingEnd = waitForMessage({QStringLiteral("VBScript"), QStringLiteral("„End“")});
    ASSERT_TRUE(missingEnd) << consoleLines().join(u'\n').toStdString();
    EXPECT_GE(missingEnd->line, lineOf(page, QStringLiteral("If True Then")));
    EXPECT_LE(missingEnd->line, lineOf(page, QStringLiteral("the End If is missing")) + 1);

    // What VBScript here cannot run is named, with its line.
    const QString createLine = QString::number(lineOf(page, QStringLiteral("CreateObject")));
    const auto shell = waitForMessage({QStringLiteral("CreateObject(\"WScript.Shell\")"), createLine});
    EXPECT_TRUE(shell) << consoleLines().join(u'\n').toStdString();
}

struct ComponentLine {
    const char* what;
    const char* page;
    const char* part1;
    const char* part2;
};

const ComponentLine kComponentLines[] = {
    {"a missing component", "behaviors/inner/bad.html", "missing.htc", "не е намерен"},
    {"a component outside the page's folder", "behaviors/inner/bad.html", "outside.htc", "извън папката"},
    {"a file that is not a component", "behaviors/inner/bad.html", "plain.htc", "не е компонент"},
    {"HTML+TIME", "behaviors/inner/not-run.html", "HTML+TIME", "не се изпълнява"},
    {"VML", "behaviors/inner/not-run.html", "VML", "не се изпълнява"},
};

TEST_F(VBScriptView, behaviorsThatCannotBeBoundAreOneConsoleLineEach)
{
    for (const ComponentLine& c : kComponentLines) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(loadPage(view, compatPage(QString::fromUtf8(c.page))));
        const auto line = waitForMessage({QString::fromUtf8(c.part1), QString::fromUtf8(c.part2)});
        EXPECT_TRUE(line) << consoleLines().join(u'\n').toStdString();
    }
    ASSERT_TRUE(loadPage(view, compatPage(QStringLiteral("behaviors/inner/bad.html"))));
    ASSERT_TRUE(waitForMessage({QStringLiteral("outside.htc")}));
    EXPECT_EQ(evaluate(view, QStringLiteral("document.getElementById('outside').hasAttribute('data-bound')")),
              QVariant(false));
}

TEST_F(VBScriptView, anEndlessVBScriptLoopIsStoppedByTheRunawayGuard)
{
    view.navigate(compatPage(QStringLiteral("vbscript/faults/runaway.html")));
    const bool stopped = waitUntil(
        [&] {
            for (int i = 0; i < view.console().rowCount(); ++i)
                if (view.console().message(i).kind == ConsoleMessage::Kind::RunawayStop)
                    return true;
            return false;
        },
        30000);
    EXPECT_TRUE(stopped) << consoleLines().join(u'\n').toStdString();
    // The view is usable again.
    EXPECT_TRUE(loadPage(view, compatPage(QStringLiteral("vbscript/order.html"))));
}

// ---- the library's VBScript and behavior scripts, driven as a user does

enum class Gesture { None, Click, Hover };

struct LibraryCase {
    const char* name;
    const char* page;  // in Класически скриптове
    const char* ready; // true once the page's scripts and components have done their start
    Gesture gesture;
    const char* target; // a CSS selector
    const char* expression;
    const char* expected;
};

const char* const kCalendarReady = "document.all.zaglavie.innerText != ''";
const char* const kMenuReady = "document.querySelectorAll('#menu a')[1].title != ''";
const char* const kTreeReady = "document.querySelector('#darvo span').className != ''";
const char* const kLoanReady = "document.getElementById('rezultat').innerText != ''";

const LibraryCase kLibraryCases[] = {
    {"calendar: the clock ticks and today is marked", "Календар на VBScript.html", kCalendarReady,
     Gesture::None, "",
     "/^\\d\\d:\\d\\d:\\d\\d$/.test(document.all.chas.innerText) + ',' + document.querySelectorAll('td.dnes').length",
     "true,1"},
    {"calendar: > shows the next month", "Календар на VBScript.html", kCalendarReady, Gesture::Click,
     "#napred", "document.all.zaglavie.innerText.split(' ')[0]", "@next-month"},
    {"loan: JavaScript shows what VBScript reckoned", "Калкулатор за заем.html", kLoanReady, Gesture::None,
     "", "document.getElementById('rezultat').innerText.indexOf('200.38 лв.') >= 0", "true"},
    {"loan: the plan has a row a month", "Калкулатор за заем.html", kLoanReady, Gesture::Click,
     "input[type=submit]", "document.querySelectorAll('table.plan tr').length", "7"},
    {"menu: a pointed link glows in its own colour and says so", "Светещо меню с поведение.html", kMenuReady,
     Gesture::Hover, "#menu a:nth-of-type(2)",
     "document.querySelectorAll('#menu a')[1].style.backgroundColor + '|' + "
     "document.getElementById('status').innerText",
     "rgb(192, 57, 43)|„Новини“ е посочена 1 път(и)"},
    {"tree: a click on a closed branch opens it", "Дърво с поведение на VBScript.html", kTreeReady,
     Gesture::Click, "#darvo li li span",
     "document.querySelector('#darvo li li ul').style.display + '|' + document.all.broi.innerText",
     "block|Разгъвания и свивания: 1"},
    {"tree: Разгъни всичко opens every branch", "Дърво с поведение на VBScript.html", kTreeReady,
     Gesture::Click, "#vsichko",
     "[].filter.call(document.querySelectorAll('#darvo ul'), function (u) { return u.style.display == 'none'; })"
     ".length",
     "0"},
};

std::ostream& operator<<(std::ostream& out, const LibraryCase& c)
{
    return out << c.name;
}

QString monthName(int month)
{
    static const char* const kMonths[] = {"януари",    "февруари", "март",    "април",
                                          "май",       "юни",      "юли",     "август",
                                          "септември", "октомври", "ноември", "декември"};
    return QString::fromUtf8(kMonths[month - 1]);
}

class ClassicLibraryScripts : public ::testing::TestWithParam<LibraryCase> {
protected:
    static void SetUpTestSuite()
    {
        view_ = new WebView;
        view_->resize(640, 480);
        view_->show();
    }
    static void TearDownTestSuite()
    {
        delete view_;
        view_ = nullptr;
    }
    static QWidget* surface() { return test::inputSurface(*view_); }
    static QPoint centreOf(const QString& selector)
    {
        const QVariant rect = evaluate(
            *view_,
            QStringLiteral("(function () { var r = document.querySelector(%1)"
                           ".getBoundingClientRect(); return JSON.stringify("
                           "[r.left + r.width / 2, r.top + r.height / 2]); })()")
                .arg(QString::fromUtf8(QJsonDocument(QJsonArray{selector}).toJson(QJsonDocument::Compact))
                         .mid(1)
                         .chopped(1)));
        const QJsonDocument json = QJsonDocument::fromJson(rect.toString().toUtf8());
        return {qRound(json[0].toDouble()), qRound(json[1].toDouble())};
    }
    static QString consoleText()
    {
        QStringList lines;
        for (int i = 0; i < view_->console().rowCount(); ++i)
            lines << ConsoleModel::displayText(view_->console().message(i));
        return lines.join(u'\n');
    }
    static WebView* view_;
};

WebView* ClassicLibraryScripts::view_ = nullptr;

TEST_P(ClassicLibraryScripts, theEffectHappensInThePreview)
{
    const LibraryCase& c = GetParam();
    const QString page = QStringLiteral(CORVANE_DEFAULT_LIBRARY) + QStringLiteral("Класически скриптове/")
                         + QString::fromUtf8(c.page);
    ASSERT_TRUE(loadPage(*view_, page));
    const QString target = QString::fromUtf8(c.target);
    // The components bind once their files are read; the gesture waits for what they do first.
    ASSERT_TRUE(test::waitInPage(*view_, QString::fromUtf8(c.ready))) << c.ready << "\n"
                                                                      << consoleText().toStdString();
    if (c.gesture == Gesture::Click)
        QTest::mouseClick(surface(), Qt::LeftButton, {}, centreOf(target));
    if (c.gesture == Gesture::Hover) {
        QTest::mouseMove(surface(), QPoint(2, 2));
        QTest::mouseMove(surface(), centreOf(target));
    }
    QString expected = QString::fromUtf8(c.expected);
    if (expected == QLatin1String("@next-month"))
        expected = monthName(QDate::currentDate().addMonths(1).month());
    QString seen;
    const bool matched = waitUntil(
        [&] {
            seen = evaluate(*view_, QStringLiteral("String(%1)").arg(QString::fromUtf8(c.expression)))
                       .toString();
            return seen == expected;
        },
        8000);
    EXPECT_TRUE(matched) << c.expression << "\n  gave: " << seen.toStdString()
                         << "\n  want: " << expected.toStdString() << "\n  console:\n"
                         << consoleText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Library, ClassicLibraryScripts, ::testing::ValuesIn(kLibraryCases),
                         [](const auto& info) {
                             std::string name;
                             for (const char c : std::string(info.param.name))
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return std::to_string(info.index) + "_" + name.substr(0, 50);
                         });

// ---- generated input

// The VBScript blocks of the test pages: the seeds the generator cuts up.
QJsonArray vbscriptSeeds()
{
    QJsonArray seeds;
    const QDir folder(compatPage(QStringLiteral("vbscript")));
    static const QRegularExpression block(QStringLiteral("<script[^>]*vbscript[^>]*>(.*?)</script>"),
                                          QRegularExpression::CaseInsensitiveOption
                                              | QRegularExpression::DotMatchesEverythingOption);
    for (const QString& name : folder.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name)) {
        auto blocks = block.globalMatch(readText(folder.filePath(name)));
        while (blocks.hasNext())
            seeds.append(blocks.next().captured(1));
    }
    return seeds;
}

// Thousands of mutated scripts through the interpreter inside the engine, each with a step
// budget: none may throw out of it, and the run must come back (a parser that looped, or a
// script that ran past its budget, would keep the page from answering).
TEST(VBScriptRobustness, generatedScriptsNeverThrowOutOfTheInterpreterNorHang)
{
    const QString interpreter =
        readText(QStringLiteral(CORVANE_COMPAT_SCRIPTS) + QStringLiteral("vbscript.js"));
    const QString generator = readText(compatPage(QStringLiteral("vbscript/fuzz.js")));
    ASSERT_FALSE(interpreter.isEmpty());
    ASSERT_FALSE(generator.isEmpty());
    const QJsonArray seeds = vbscriptSeeds();
    ASSERT_GE(seeds.size(), 10);
    constexpr int kScripts = 5000;

    QWebEnginePage page;
    bool loaded = false;
    QObject::connect(&page, &QWebEnginePage::loadFinished, [&](bool) { loaded = true; });
    page.setHtml(QStringLiteral("<html><body></body></html>"));
    ASSERT_TRUE(waitUntil([&] { return loaded; }));

    // The part as the layer runs it, without a page to act on: its test entry is all we call.
    const QString script = QStringLiteral("(function () {"
                                          "var compat = { options: {}, part: function (n, f) { f(); },"
                                          "  guard: function (n, f) { return f; }, use: function () {} };\n")
                           + interpreter + QStringLiteral("\nvar trial = compat.vbscript.trial;\n")
                           + generator
                           + QStringLiteral("\nreturn JSON.stringify(fuzz(%1, %2, 20261209));\n})()")
                                 .arg(QString::fromUtf8(QJsonDocument(seeds).toJson(QJsonDocument::Compact)))
                                 .arg(kScripts);
    std::optional<QString> answer;
    page.runJavaScript(script, [&](const QVariant& v) { answer = v.toString(); });
    ASSERT_TRUE(waitUntil([&] { return answer.has_value(); }, 240000)) << "no answer: the interpreter hung";
    const QJsonObject result = QJsonDocument::fromJson(answer->toUtf8()).object();
    ASSERT_FALSE(result.isEmpty()) << answer->toStdString();
    EXPECT_EQ(result[QLatin1String("runs")].toInt(), kScripts);
    EXPECT_TRUE(result[QLatin1String("escaped")].toArray().isEmpty()) << answer->toStdString();
    // The generator reached every way a script can end.
    const QJsonObject outcomes = result[QLatin1String("outcomes")].toObject();
    for (const char* kind : {"ok", "syntax", "error", "budget"})
        EXPECT_GT(outcomes[QLatin1String(kind)].toInt(), 0) << kind << " " << answer->toStdString();
}

} // namespace
} // namespace corvane
