// How long the local file list takes to show a large folder. The fill runs
// on the GUI thread without letting other events in, so its time is how long
// the window stays unresponsive.
#include "app/local_panel.h"
#include "core/directory_search.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

const char* const kExtensions[] = {".html", ".htm", ".gif", ".jpg", ".png", ".css", ".js", ".txt", ".php", ""};

// A folder of `count` small files with the mix of types a web site has.
class BenchFolder {
public:
    explicit BenchFolder(int count)
    {
        std::string pattern = (fs::temp_directory_path() / "tavlinbench-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
        for (int i = 0; i < count; ++i) {
            std::ofstream(path_ + "/page" + std::to_string(i) + kExtensions[i % 10])
                << std::string(static_cast<std::size_t>(i % 5000), 'x');
        }
        fs::create_directory(path_ + "/images");
    }
    ~BenchFolder()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

void LocalFileListFill(benchmark::State& state)
{
    const int files = static_cast<int>(state.range(0));
    BenchFolder folder(files);
    BenchFolder data(0);
    const fs::path previous = fs::current_path();
    fs::current_path(folder.path());
    // The data files of a first start go to their own folder, so the listed
    // folder holds exactly the files made above.
    ThovedformSetup setup;
    setup.dataDirectory = data.path();
    setup.iconTableRoot = data.path();
    Thovedform window(setup);
    window.show();
    QApplication::processEvents();
    LocalPanel& panel = window.localPanel();
    for (auto _ : state) {
        panel.fillLocalFileList();
        benchmark::DoNotOptimize(panel.fileCounter());
    }
    if (panel.fileCounter() != files)
        state.SkipWithError("not every file was listed");
    state.SetItemsProcessed(state.iterations() * files);
    fs::current_path(previous);
}
BENCHMARK(LocalFileListFill)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

// The directory read alone (names, attributes, sizes, times), for comparison.
void DirectorySearchOnly(benchmark::State& state)
{
    const int files = static_cast<int>(state.range(0));
    BenchFolder folder(files);
    for (auto _ : state) {
        auto entries = findEntries(folder.path() + "/*.*", true);
        benchmark::DoNotOptimize(entries.size());
    }
    state.SetItemsProcessed(state.iterations() * files);
}
BENCHMARK(DirectorySearchOnly)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
