// How long a web project of 20,000 files in 200 clean folders takes to scan.
// The scan runs on the GUI thread when a project is selected in the WebWatch
// window and at the start of every upload run.
#include "core/directory_search.h"
#include "webwatch/clean_directory_scan.h"
#include "webwatch/project_scan.h"
#include "webwatch/project_store.h"
#include "webwatch/run_plan.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kFolders = 200;
constexpr int kFilesPerFolder = 100;
const std::vector<std::string> kAsciiExtensions{".html", ".htm", ".txt", ".css", ".js"};

// 200 folders of 100 small files and a project that holds every one of them
// with its current stamp. `interleaved` orders the records folder by folder
// in turn (file 0 of every folder, then file 1, ...), the worst order for a
// scan that lists a folder per run of files sharing it.
class BenchSite {
public:
    explicit BenchSite(bool interleaved)
    {
        std::string pattern = (fs::temp_directory_path() / "tavlinbench-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
        for (int d = 0; d < kFolders; ++d) {
            fs::create_directory(folder(d));
            for (int f = 0; f < kFilesPerFolder; ++f)
                std::ofstream(file(d, f)) << "<p>" << d << "/" << f << "</p>";
        }
        TextLineList lines({"1", "Big site", "1", "1"});
        for (int outer = 0; outer < (interleaved ? kFilesPerFolder : kFolders); ++outer) {
            for (int inner = 0; inner < (interleaved ? kFolders : kFilesPerFolder); ++inner) {
                const int d = interleaved ? inner : outer;
                const int f = interleaved ? outer : inner;
                const std::string path = file(d, f);
                for (const auto& line : {path, std::string("ftp.example.org"), std::string("webmaster"),
                                         std::string("secret"), std::string("21"), "/www/d" + std::to_string(d),
                                         "page" + std::to_string(f) + ".html", std::string("0"),
                                         *uploadStampOf(path)})
                    lines.append(" " + line);
            }
        }
        projects_.setLines(std::move(lines));
    }
    ~BenchSite()
    {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    const ProjectStore& projects() const { return projects_; }
    // One new file in each folder, for the discovery benchmarks.
    void addNewFiles()
    {
        for (int d = 0; d < kFolders; ++d)
            std::ofstream(folder(d) + "/new.html") << "new";
    }

private:
    std::string folder(int d) const { return root_ + "/d" + std::to_string(d); }
    std::string file(int d, int f) const { return folder(d) + "/page" + std::to_string(f) + ".html"; }

    std::string root_;
    ProjectStore projects_;
};

// The clean-directory check alone: every folder listed, every candidate
// checked against the project's 20,000 paths; nothing new to take in.
void BM_CleanDirectoryCheck(benchmark::State& state)
{
    BenchSite site(state.range(0) != 0);
    ProjectStore projects = site.projects();
    for (auto _ : state) {
        const std::size_t found =
            takeInCleanDirectoryFiles(projects, 0, projects.fileCount(0), kAsciiExtensions).taken;
        benchmark::DoNotOptimize(found);
    }
    state.SetLabel(state.range(0) ? "interleaved folders" : "folder by folder");
}
BENCHMARK(BM_CleanDirectoryCheck)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The whole scan of an upload run over the project when nothing changed:
// 20,000 stamp lookups plus the clean-directory check.
void BM_RunScanNothingChanged(benchmark::State& state)
{
    BenchSite site(false);
    for (auto _ : state) {
        state.PauseTiming();
        ProjectStore projects = site.projects();
        RunLists lists;
        state.ResumeTiming();
        ProjectScanner scanner(kAsciiExtensions);
        scanner.scan(projects, 0, ProjectScanner::Mode::Run, &lists);
        benchmark::DoNotOptimize(lists.queue.count());
    }
}
BENCHMARK(BM_RunScanNothingChanged)->Unit(benchmark::kMillisecond);

// The same with one new file in each folder: 200 files taken in, then the
// second pass that queues them.
void BM_RunScanTakingInNewFiles(benchmark::State& state)
{
    BenchSite site(state.range(0) != 0);
    site.addNewFiles();
    for (auto _ : state) {
        state.PauseTiming();
        ProjectStore projects = site.projects();
        RunLists lists;
        state.ResumeTiming();
        ProjectScanner scanner(kAsciiExtensions);
        const auto result = scanner.scan(projects, 0, ProjectScanner::Mode::Run, &lists);
        if (result.discovered != kFolders || lists.queue.count() != kFolders)
            state.SkipWithError("the new files were not all taken in");
    }
    state.SetLabel(state.range(0) ? "interleaved folders" : "folder by folder");
}
BENCHMARK(BM_RunScanTakingInNewFiles)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A project whose files were all deleted locally from a folder that is still
// there, "delete missing files" on: the run's scan lists every one for
// deletion and the confirmed run removes their records. Both stay linear in
// the number of missing files.
class MissingSite {
public:
    explicit MissingSite(int files)
    {
        std::string pattern = (fs::temp_directory_path() / "tavlinbench-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
        TextLineList lines({"1", "Deleted site", "0", "1"});
        for (int f = 0; f < files; ++f)
            for (const auto& line : {root_ + "/page" + std::to_string(f) + ".html", std::string("ftp.example.org"),
                                     std::string("webmaster"), std::string("secret"), std::string("21"),
                                     std::string("/www"), "page" + std::to_string(f) + ".html", std::string("0"),
                                     std::string("1321549021")})
                lines.append(" " + line);
        projects_.setLines(std::move(lines));
    }
    ~MissingSite()
    {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    const ProjectStore& projects() const { return projects_; }

private:
    std::string root_;
    ProjectStore projects_;
};

void BM_RunWithMissingFiles(benchmark::State& state)
{
    const auto files = static_cast<std::size_t>(state.range(0));
    MissingSite site(static_cast<int>(files));
    for (auto _ : state) {
        state.PauseTiming();
        ProjectStore projects = site.projects();
        RunLists lists;
        state.ResumeTiming();
        ProjectScanner scanner(kAsciiExtensions);
        scanner.scan(projects, 0, ProjectScanner::Mode::Run, &lists);
        removeRecordsAt(projects, lists.missingRecords);
        if (lists.deletions.count() != files || projects.fileCount(0) != 0)
            state.SkipWithError("the missing files were not all listed and removed");
    }
}
BENCHMARK(BM_RunWithMissingFiles)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

// The dry run of the same project.
void BM_DryRunWithMissingFiles(benchmark::State& state)
{
    const auto files = static_cast<std::size_t>(state.range(0));
    MissingSite site(static_cast<int>(files));
    std::vector<std::string> unknown;
    for (auto _ : state) {
        // Allowed, or the mass-deletion rule would hold them all back.
        const RunPlan plan = planRun(site.projects(), {}, kAsciiExtensions, unknown, RunPlanOptions{false, true});
        if (plan.deletionCount() != files)
            state.SkipWithError("the missing files were not all planned for deletion");
    }
}
BENCHMARK(BM_DryRunWithMissingFiles)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
