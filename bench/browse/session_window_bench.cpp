// How long a finished LIST of 10,000 entries takes to reach the screen: the
// listing file parsed into the tree and the file list of the real main
// window (offscreen), events running between entries as they do for the
// user. The session is driven through its request-done handler, as the FTP
// client would drive it; no server is involved.
#include "app/browse_session.h"
#include "core/text_line_list.h"
#include "ui/thovedform.h"
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
    MainWindowControls& c = window.controls();
    BrowseSession& session = window.session();

    c.Edit1->setText(QStringLiteral("bench.example"));
    session.FtpClient1().SetHostName("bench.example");
    // The open's completion makes the session connected and adds the root;
    // its USER finds no connection and is refused without side effects.
    session.FtpClient1RequestDone(ftpRqOpen, 0);
    TextLineList(makeLargeListing(static_cast<int>(state.range(0)))).saveToFile(window.dataFiles().ftpdirlTxt);

    for (auto _ : state) {
        state.PauseTiming();
        c.ListView1->clear();
        for (QTreeWidgetItem* node : c.TreeView1->topLevelItem(0)->takeChildren())
            delete node;
        state.ResumeTiming();
        session.FtpClient1RequestDone(ftpRqListDir, 0);
    }
    state.counters["items"] = c.ListView1->topLevelItemCount();
    state.counters["nodes"] = c.TreeView1->topLevelItem(0)->childCount();
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
