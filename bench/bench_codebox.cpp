// Choosing a large script (the whole lbChange: file, preview, code box and its colouring) beside
// a bare QPlainTextEdit::setPlainText of the same text. Sizes in MiB: 1 and 10.
#include "browser/webengine.h"
#include "browser/webview.h"
#include "library/textlist.h"
#include "platform/codepage.h"
#include "platform/registrystore.h"
#include "platform/shell.h"
#include "ui/codehighlighter.h"
#include "ui/dialogs.h"
#include "ui/scriptcombobox.h"
#include "ui/tform1.h"

#include <QApplication>
#include <QPlainTextEdit>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

using namespace corvane;

struct SilentDialogs : Dialogs {
    void showMessage(const QString&) override {}
    bool confirm(const QString&) override { return false; }
    void showError(const QString& text) override { qFatal("%s", qPrintable(text)); }
};

struct NoShell : Shell {
    void execute(const std::string&, const std::string&, ShellParent, int) override {}
};

// A script page of every kind of run, in Windows-1251 with CR LF, repeated to the size.
std::string scriptOfSize(std::size_t size)
{
    const std::string part = utf8ToCp1251(
        "<div class=\"clock\" id=\"c1\" style=\"color: #336699\">Часовник &amp; дата</div>\r\n"
        "<!-- показва часа и датата на български език -->\r\n"
        "<style>\r\n.clock { font-family: Verdana; font-size: 12pt; margin: 0 4px; }\r\n</style>\r\n"
        "<script type=\"text/javascript\">\r\n"
        "function tick(n) { var d = new Date(); if (n > 0) { return 'Часът е ' + d.getHours(); } /* край */ }\r\n"
        "setTimeout(function () { document.getElementById(\"c1\").innerHTML = tick(1); }, 1000);\r\n"
        "</script>\r\n");
    std::string text;
    text.reserve(size + part.size());
    while (text.size() < size)
        text += part;
    return text;
}

struct Setup {
    Setup()
    {
        root = std::filesystem::temp_directory_path() / "corvane-bench-codebox";
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root / "Big");
        std::ofstream(root / "categories.ini", std::ios::binary) << "[Big]\r\n";
        std::ofstream(root / "Big" / "scripts.txt", std::ios::binary) << "1.html\r\n10.html\r\n";
        for (int mib : {1, 10})
            std::ofstream(root / "Big" / (std::to_string(mib) + ".html"), std::ios::binary)
                << scriptOfSize(std::size_t(mib) << 20);

        store = std::make_unique<RegistryStore>((root / "system.reg").string());
        MainWindowServices services;
        services.programDirectory = root.string() + '/';
        services.registry = store.get();
        services.shell = &shell;
        services.dialogs = &dialogs;
        services.bannerAddress = QStringLiteral("/nonexistent/banner.html");
        form = std::make_unique<TForm1>(services);
        form->resize(1280, 900);
        form->show();
        form->findChild<ScriptComboBox*>(QStringLiteral("cats"))->setText(QStringLiteral("Big"));
        form->catsChange();
        QObject::connect(form->findChild<WebView*>(QStringLiteral("wb1")), &WebView::documentComplete,
                         [this](const QString&) { ++previewLoads; });

        bare = std::make_unique<QPlainTextEdit>();
        bare->setLineWrapMode(QPlainTextEdit::NoWrap);
        bare->resize(298, 259);
        bare->show();
        QApplication::processEvents();
    }
    ~Setup()
    {
        form.reset();
        std::filesystem::remove_all(root);
    }
    // Lets the preview's load and the colouring slices run, outside the timed part.
    void settle(int loadsExpected = 0)
    {
        for (int i = 0; i < 100000 && previewLoads < loadsExpected; ++i)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        auto* highlighter = form->findChild<QPlainTextEdit*>(QStringLiteral("Memo4"))
                                ->document()
                                ->findChild<CodeHighlighter*>();
        for (int i = 0; i < 10000 && !highlighter->isComplete(); ++i)
            QApplication::processEvents();
        QApplication::processEvents();
    }

    std::filesystem::path root;
    int previewLoads = 0;
    SilentDialogs dialogs;
    NoShell shell;
    std::unique_ptr<RegistryStore> store;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<QPlainTextEdit> bare;
};

// Made on first use, gone before the application object.
std::unique_ptr<Setup> instance;

Setup& setup()
{
    if (!instance)
        instance = std::make_unique<Setup>();
    return *instance;
}

QString scriptName(const benchmark::State& state)
{
    return QString::number(state.range(0)) + QStringLiteral(".html");
}

void BM_ChooseScript(benchmark::State& state)
{
    Setup& s = setup();
    auto* lb = s.form->findChild<ScriptComboBox*>(QStringLiteral("lb"));
    lb->setText(scriptName(state));
    for (auto _ : state) {
        const int loads = s.previewLoads;
        s.form->lbChange();
        state.PauseTiming();
        // The preview's own load runs in its own process; it is not to compete with the next round.
        s.settle(loads + 1);
        state.ResumeTiming();
    }
}

void BM_BareSetPlainText(benchmark::State& state)
{
    Setup& s = setup();
    const std::string path = (s.root / "Big" / scriptName(state).toStdString()).string();
    const QString text = QString::fromStdString(loadScriptText(path));
    for (auto _ : state) {
        s.bare->setPlainText(text);
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

// Not timed against anything: how long the line states of the rest take on the event loop.
void BM_ColourToTheEnd(benchmark::State& state)
{
    Setup& s = setup();
    auto* memo = s.form->findChild<QPlainTextEdit*>(QStringLiteral("Memo4"));
    const std::string path = (s.root / "Big" / scriptName(state).toStdString()).string();
    const QString text = QString::fromStdString(loadScriptText(path));
    for (auto _ : state) {
        memo->setPlainText(text);
        s.settle();
    }
}

BENCHMARK(BM_BareSetPlainText)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ChooseScript)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ColourToTheEnd)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    prepareWebEngine();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    instance.reset();
    return 0;
}
