// How long a finished LIST of 10,000 entries takes to reach the screen: the
// listing file parsed into the tree and the file list of the real main
// window (offscreen), events running between entries as they do for the
// user. The session is driven through its request-done handler, as the
// session channel would drive it; no server is involved.
#include "app/browse_session.h"
#include "core/text_line_list.h"
#include "ui/main_window.h"
#include "large_listing.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

namespace {

void BM_ParseListingIntoWindow(benchmark::State& state)
{
    QTemporaryDir data;
    ThovedformSetup setup;
    setup.dataDirectory = data.path().toStdString();
    setup.iconTableRoot = setup.dataDirectory;
    Thovedform window(setup);
    window.show();
    auto* hostField = window.findChild<QLineEdit*>(QStringLiteral("Edit1"));
    auto* remoteFileList = window.findChild<QTreeWidget*>(QStringLiteral("ListView1"));
    auto* remoteTree = window.findChild<QTreeWidget*>(QStringLiteral("TreeView1"));
    BrowseSession& session = window.session();

    hostField->setText(QStringLiteral("bench.example"));
    window.sessionChannel().client().SetHostName("bench.example");
    // The open's completion makes the session connected and adds the root;
    // its USER finds no connection and is refused without side effects.
    session.requestDone(ftpRqOpen);
    TextLineList(makeLargeListing(static_cast<int>(state.range(0)))).saveToFile(window.dataFiles().ftpdirlTxt);

    for (auto _ : state) {
        state.PauseTiming();
        remoteFileList->clear();
        for (QTreeWidgetItem* node : remoteTree->topLevelItem(0)->takeChildren())
            delete node;
        state.ResumeTiming();
        session.requestDone(ftpRqListDir);
    }
    state.counters["items"] = remoteFileList->topLevelItemCount();
    state.counters["nodes"] = remoteTree->topLevelItem(0)->childCount();
}
BENCHMARK(BM_ParseListingIntoWindow)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(10);

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
