// The console under a page's flood: messages added to the preview's console with its window open,
// until the window has shown the last batch. Reports messages a second; the list keeps 1,000.
#include "browser/consolemessages.h"
#include "ui/consolewindow.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

namespace {

using namespace corvane;

void BM_FloodWithTheConsoleOpen(benchmark::State& state)
{
    ConsoleModel model;
    QAction asToday(QStringLiteral("as today"));
    ConsoleWindow window(model, &asToday, nullptr);
    window.present();
    ConsoleMessage message;
    message.source = QStringLiteral("file:///library/flood.html");
    message.line = 3;
    const auto count = state.range(0);
    for (auto _ : state) {
        model.clear();
        for (qint64 i = 0; i < count; ++i) {
            message.text = QStringLiteral("line ") + QString::number(i);
            model.add(message);
            // The engine hands messages over one an event-loop turn.
            if (i % 64 == 0)
                QCoreApplication::processEvents();
        }
        model.flush();
        QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * count);
}

BENCHMARK(BM_FloodWithTheConsoleOpen)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
