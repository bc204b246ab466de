// tavlinftp-cli webwatch killed (SIGKILL) at exact moments between its
// writes, over uploads, the deletion pass and the run's end, chosen at
// random: the next run always leaves the server and the project as one
// uninterrupted run does, with no deletion repeated for good and nothing of
// the run left in the data directory. The same holds for the window's edits
// of a pending run (Delete on its queue, Del on one waiting file), made by
// the run's engine in a process of its own and killed between their writes.
#include "webwatch_data.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// One project: five files to send (u5 is refused by the server: a folder
// stands in its place), one unchanged, four missing locally (g1 and g2 on
// the server, g3 already gone from it, g4 refused: a folder again).
void makeSite(WebwatchData& w)
{
    w.project("Site", false, true);
    // Edited well before the run: a file changed within the two seconds of
    // its scan keeps " May" after its upload, which would make the
    // uninterrupted run's end depend on the clock.
    for (const char* name : {"u1", "u2", "u3", "u4", "u5", "same"}) {
        const std::string path = std::string("k/") + name + ".html";
        w.site.write(path, std::string(2000, name[1]));
        fs::last_write_time(w.site.file(path), fs::file_time_type::clock::now() - std::chrono::hours(1));
    }
    w.remote.write("k/same.html", std::string(2000, 'a'));
    fs::create_directories(w.remote.file("k/u5.html"));
    w.remote.write("k/g1.html", "g1");
    w.remote.write("k/g2.html", "g2");
    fs::create_directories(w.remote.file("k/g4.html/inside"));
    w.record("k/g1.html", "12345");
    w.record("k/u1.html", "May");
    w.record("k/u2.html", "May");
    w.record("k/g2.html", "12345");
    w.record("k/u3.html", "12345");
    w.record("k/same.html", "uploaded");
    w.record("k/g3.html", "12345");
    w.record("k/u4.html", "12345");
    w.record("k/g4.html", "12345");
    w.record("k/u5.html", "May");
    w.save();
}

// The project file with what differs between two set-ups taken out: local
// paths relative to the site, stamps as "May", "current" (the local file's
// own) or as stored.
std::string projectState(const WebwatchData& w)
{
    ProjectStore projects;
    if (!projects.load(w.data.file("wbprj.dfd")))
        return "unreadable";
    std::ostringstream state;
    for (std::size_t p = 0; p < projects.projectCount(); ++p) {
        state << projects.projectName(p) << "\n";
        for (std::size_t j = 0; j < projects.fileCount(p); ++j) {
            const ProjectFileEntry record = projects.file(p, j);
            const std::string stamp = record.stamp == "May" ? "May"
                : record.stamp == ProjectStore::stampOf(record.localPath).value_or("") ? "current"
                                                                                       : record.stamp;
            state << " " << fs::relative(record.localPath, w.site.path()).string() << " "
                  << record.remoteDirectory << "/" << record.remoteFileName << " " << stamp << "\n";
        }
    }
    return state.str();
}

struct Outcome {
    int status = -1;
    std::map<std::string, std::string> server;
    std::string project;
    std::map<std::string, std::string> dataDirectory;
};

Outcome outcomeOf(const WebwatchData& w, int status)
{
    return {status, WebwatchData::tree(w.remote.path()), projectState(w), WebwatchData::tree(w.data.path())};
}

// What one uninterrupted run of the command leaves.
void runUninterrupted(Outcome& expected)
{
    WebwatchData w;
    ASSERT_TRUE(w.startServer()) << w.server.lastError();
    makeSite(w);
    const CliRun run = w.webwatch({});
    expected = outcomeOf(w, run.status);
    // u5 failed, g4 was refused: both wait for the next run.
    ASSERT_EQ(run.status, 1) << run.out << run.err;
    ASSERT_TRUE(fs::exists(w.remote.file("k/u4.html")));
    ASSERT_FALSE(fs::exists(w.remote.file("k/g2.html")));
    ASSERT_EQ(expected.dataDirectory.size(), 1u) << ::testing::PrintToString(expected.dataDirectory);
}

void expectFinishedAsUninterrupted(const WebwatchData& w, const Outcome& expected)
{
    const CliRun finish = w.webwatch({});
    const Outcome got = outcomeOf(w, finish.status);
    EXPECT_EQ(got.status, expected.status) << finish.out << finish.err;
    EXPECT_EQ(got.server, expected.server);
    EXPECT_EQ(got.project, expected.project) << finish.out << finish.err;
    EXPECT_EQ(got.dataDirectory.size(), 1u) << ::testing::PrintToString(got.dataDirectory);
}

TEST(CliWebwatchKills, EveryKilledRunIsFinishedAsIfUninterrupted)
{
    Outcome expected;
    ASSERT_NO_FATAL_FAILURE(runUninterrupted(expected));

    // Each moment at least once, then more at random.
    const std::vector<std::string> moments{"run-queue-written:1", "pending-project-written:1",
                                           "uploaded:1",     "uploaded:2",       "uploaded:3",
                                           "uploaded:4",     "deleted:1",        "deleted:2",
                                           "deleted:3",      "deletion-kept:1",  "unsent-marked:1",
                                           "project-replaced:1", "run-retired:1"};
    std::vector<std::string> kills = moments;
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> pick(0, moments.size() - 1);
    while (kills.size() < 22)
        kills.push_back(moments[pick(random)]);
    std::shuffle(kills.begin(), kills.end(), random);

    for (const std::string& kill : kills) {
        SCOPED_TRACE("killed at " + kill + ", seed " + std::to_string(seed));
        WebwatchData w;
        ASSERT_TRUE(w.startServer()) << w.server.lastError();
        makeSite(w);
        const CliRun killed = w.webwatch({}, {{QStringLiteral("TAVLINFTP_TEST_KILL_AT"), QString::fromStdString(kill)}});
        // A run that never came to the moment is a failure too, but the
        // state it leaves is still compared.
        EXPECT_EQ(killed.status, -2) << "not killed\n" << killed.out << killed.err;
        expectFinishedAsUninterrupted(w, expected);
        // A deletion the server refused is asked for once per run, never
        // more, and the record stays one record.
        const std::vector<std::string> commands = w.server.commands();
        EXPECT_LE(std::count(commands.begin(), commands.end(), "DELE g4.html"), 3);
    }
}

// A pending run handed over by the run's engine, as the window takes it up,
// then edited as the user edits it there; the engine is killed at `kill`
// ("" for no kill). Returns the engine's exit status, -2 when it was killed.
int editPendingRun(const WebwatchData& w, const QStringList& edit, const std::string& kill, std::string& said)
{
    QProcess runner;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!kill.empty())
        environment.insert(QStringLiteral("TAVLINFTP_TEST_KILL_AT"), QString::fromStdString(kill));
    runner.setProcessEnvironment(environment);
    runner.start(QStringLiteral(TAVLIN_WEBWATCH_RUNNER), QStringList{QString::fromStdString(w.data.path())} + edit);
    if (!runner.waitForFinished(120000)) {
        runner.kill();
        runner.waitForFinished();
    }
    said = runner.readAllStandardError().toStdString();
    return runner.exitStatus() == QProcess::NormalExit ? runner.exitCode() : -2;
}

// Delete on a pending run's queue gives the run up; Del on one of its
// waiting files leaves that file for the next run. Whenever either is cut
// short, the next command-line run leaves the server and the project as if
// neither had been made: no file is taken for sent that the server never
// had, and nothing is left that keeps later runs from starting.
TEST(CliWebwatchKills, APendingRunsQueueDeletedOrCutShortByHandIsNeverTakenForSent)
{
    Outcome expected;
    ASSERT_NO_FATAL_FAILURE(runUninterrupted(expected));

    const std::vector<std::pair<QStringList, std::vector<std::string>>> edits{
        {{QStringLiteral("discard"), QStringLiteral("0")}, {"", "queue-set-aside:1", "run-cancelled:1"}},
        // Row 1 is u2's file.
        {{QStringLiteral("remove"), QStringLiteral("1")}, {"", "removal-recorded:1"}},
    };
    for (const auto& [edit, kills] : edits) {
        for (const std::string& kill : kills) {
            SCOPED_TRACE(edit.join(u' ').toStdString() + (kill.empty() ? ", not killed" : ", killed at " + kill));
            WebwatchData w;
            ASSERT_TRUE(w.startServer()) << w.server.lastError();
            makeSite(w);
            std::string said;
            const int status = editPendingRun(w, edit, kill, said);
            EXPECT_EQ(status, kill.empty() ? 0 : -2) << said;
            // Nothing was sent before the edit.
            EXPECT_FALSE(fs::exists(w.remote.file("k/u1.html")));
            expectFinishedAsUninterrupted(w, expected);
        }
    }
}

}  // namespace
