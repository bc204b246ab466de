// tavlinftp-cli webwatch against the real server: runs of deletions only,
// what the dry run promises against what the run then does, the stamps'
// time half, the data connection's mode and the project file a run leaves.
#include "webwatch_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

bool has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

long count(const std::vector<std::string>& commands, const std::string& command)
{
    return std::count(commands.begin(), commands.end(), command);
}

// Sets a file's modification time to a local date and time.
void setLocalTime(const std::string& path, int year, int month, int day, int hour)
{
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    const timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

void editLater(const WebwatchData& w, const std::string& path, const std::string& bytes)
{
    w.site.write(path, bytes);
    fs::last_write_time(w.site.file(path), fs::file_time_type::clock::now() + std::chrono::hours(1));
}

mode_t modeOf(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? (status.st_mode & 0777) : 0;
}

TEST(CliWebwatchRun, ARunOfDeletionsOnlyDeletesAndOneKilledIsFinishedByTheNextRun)
{
    WebwatchData w;
    ASSERT_TRUE(w.startServer()) << w.server.lastError();
    // Three deletions among seven files: under the limit that asks first.
    for (const char* name : {"a.html", "e.html", "f.html", "g.html"})
        w.site.write(std::string("pages/") + name, name);
    for (const char* name : {"a.html", "b.html", "c.html", "d.html", "e.html", "f.html", "g.html"})
        w.remote.write(std::string("pages/") + name, name);
    w.project("Site", false, true);
    for (const char* name : {"a.html", "e.html", "f.html", "g.html"})
        w.record(std::string("pages/") + name, "uploaded");
    for (const char* name : {"b.html", "c.html", "d.html"})
        w.record(std::string("pages/") + name, "12345");
    w.save();

    const CliRun dry = w.webwatch({"--dry-run", "--quiet"});
    EXPECT_EQ(dry.out, "Dry run: 0 files to upload (0 bytes), 3 to delete; nothing was changed\n") << dry.err;

    // Killed once the server has deleted b.html, before the deletion list
    // says so: the run is pending by its pending project file alone.
    const CliRun killed = w.webwatch({}, {{"TAVLINFTP_TEST_KILL_AT", "deleted:1"}});
    ASSERT_EQ(killed.status, -2) << killed.out << killed.err;
    EXPECT_FALSE(fs::exists(w.remote.file("pages/b.html")));
    EXPECT_TRUE(fs::exists(w.data.file("nyweb2.dfd")));
    EXPECT_FALSE(fs::exists(w.data.file("koefil.dfd")));

    const CliRun again = w.webwatch({});
    EXPECT_EQ(again.status, 0) << again.out << again.err;
    EXPECT_TRUE(has(again.out, "Finishing the run that was pending")) << again.out;
    for (const char* name : {"b.html", "c.html", "d.html"})
        EXPECT_FALSE(fs::exists(w.remote.file(std::string("pages/") + name))) << name;
    EXPECT_EQ(w.remote.read("pages/a.html"), "a.html");
    // b.html was asked for again, found gone, and its record did not come
    // back.
    EXPECT_EQ(count(w.server.commands(), "DELE b.html"), 2);
    for (const char* name : {"koefil.dfd", "nyweb2.dfd", "defil.dfd"})
        EXPECT_FALSE(fs::exists(w.data.file(name))) << name;
    ProjectStore projects;
    ASSERT_TRUE(projects.load(w.data.file("wbprj.dfd")));
    EXPECT_EQ(projects.fileCount(0), 4u);

    // With nothing at all to do the run says so.
    const CliRun idle = w.webwatch({});
    EXPECT_EQ(idle.status, 0) << idle.err;
    EXPECT_TRUE(has(idle.out, "No files for upload")) << idle.out;
}

// When the project file cannot be replaced at the run's end, the run is
// still pending, as the command says, and the next run finishes it.
// A project of more files than the queue once held (3500) is published in
// one run. One killed after its 2000th file is finished by the next run:
// every file reaches the server whole, each sent once, and the data
// directory is left as after an uninterrupted run.
TEST(CliWebwatchRun, AProjectOfMoreThan3500FilesIsPublishedInOneRunEvenWhenKilledHalfWay)
{
    WebwatchData w;
    ASSERT_TRUE(w.startServer()) << w.server.lastError();
    constexpr int kFiles = 3600;
    w.project("Big", false, false);
    for (int i = 0; i < kFiles; ++i) {
        const std::string path = "big/f" + std::to_string(i) + ".html";
        w.site.write(path, std::to_string(i));
        w.record(path, "May");
    }
    w.save();
    const CliRun killed = w.webwatch({"--quiet"}, {{"TAVLINFTP_TEST_KILL_AT", "uploaded:2000"}});
    ASSERT_EQ(killed.status, -2) << killed.out << killed.err;
    const CliRun finish = w.webwatch({});
    EXPECT_EQ(finish.status, 0) << finish.err;
    EXPECT_TRUE(has(finish.out, "Published 1600 files")) << finish.out;

    int missing = 0;
    for (int i = 0; i < kFiles; ++i)
        missing += w.remote.read("big/f" + std::to_string(i) + ".html") != std::to_string(i);
    EXPECT_EQ(missing, 0);
    std::map<std::string, int> stores;
    for (const std::string& command : w.server.commands())
        if (command.rfind("STOR ", 0) == 0)
            ++stores[command];
    EXPECT_EQ(stores.size(), static_cast<std::size_t>(kFiles));
    // The kill came as a file left the queue; the files the other three
    // connections had under way were not confirmed and went again.
    EXPECT_LE(std::count_if(stores.begin(), stores.end(), [](const auto& sent) { return sent.second != 1; }), 3);
    EXPECT_EQ(std::count_if(stores.begin(), stores.end(), [](const auto& sent) { return sent.second > 2; }), 0);
    EXPECT_EQ(WebwatchData::tree(w.data.path()).size(), 1u);
    ProjectStore projects;
    ASSERT_TRUE(projects.load(w.data.file("wbprj.dfd")));
    ASSERT_EQ(projects.fileCount(0), static_cast<std::size_t>(kFiles));
    for (std::size_t j = 0; j < projects.fileCount(0); ++j)
        ASSERT_NE(projects.file(0, j).stamp, "May") << j;
}

TEST(CliWebwatchRun, AProjectFileThatCannotBeReplacedLeavesTheRunPending)
{
    WebwatchData w;
    ASSERT_TRUE(w.startServer()) << w.server.lastError();
    w.project("Site", false, false);
    for (const char* name : {"p/one.html", "p/two.html"}) {
        w.site.write(name, name);
        w.record(name, "May");
    }
    w.save();
    const CliRun killed = w.webwatch({}, {{"TAVLINFTP_TEST_KILL_AT", "uploaded:1"}});
    ASSERT_EQ(killed.status, -2) << killed.out << killed.err;
    // A folder in its place: writing the new file works, putting it there
    // does not.
    fs::remove(w.data.file("wbprj.dfd"));
    fs::create_directory(w.data.file("wbprj.dfd"));

    const CliRun refused = w.webwatch({});
    EXPECT_EQ(refused.status, 1) << refused.out << refused.err;
    EXPECT_TRUE(has(refused.err, "could not be replaced; the run stays pending")) << refused.err;
    EXPECT_TRUE(fs::exists(w.data.file("nyweb2.dfd")));
    EXPECT_EQ(w.remote.read("p/two.html"), "p/two.html");
    for (const auto& entry : fs::directory_iterator(w.data.path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();

    fs::remove(w.data.file("wbprj.dfd"));
    const CliRun again = w.webwatch({});
    EXPECT_EQ(again.status, 0) << again.out << again.err;
    EXPECT_TRUE(has(again.out, "Finishing the run that was pending")) << again.out;
    EXPECT_FALSE(fs::exists(w.data.file("nyweb2.dfd")));
    const CliRun dry = w.webwatch({"--dry-run", "--quiet"});
    EXPECT_EQ(dry.out, "Dry run: 0 files to upload (0 bytes), 0 to delete; nothing was changed\n") << dry.err;
}

// What a dry run lists and what the run then reports done, as sets of
// "upload <local path>" and "delete <remote file>".
std::set<std::string> plannedWork(const std::string& out)
{
    std::set<std::string> work;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("  upload ", 0) == 0) {
            std::istringstream words(line.substr(9));
            std::string reason;
            std::string path;
            words >> reason >> path;
            work.insert("upload " + path);
        } else if (line.rfind("  delete ", 0) == 0) {
            work.insert("delete " + line.substr(9));
        }
    }
    return work;
}

std::set<std::string> doneWork(const std::string& out)
{
    std::set<std::string> work;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("uploaded ", 0) == 0)
            work.insert("upload " + line.substr(9));
        else if (line.rfind("deleted ", 0) == 0)
            work.insert("delete " + line.substr(8));
    }
    return work;
}

// The dry run, then the run on the same data directory: the same work, the
// same exit status.
void expectTheRunDoesWhatTheDryRunSaid(const WebwatchData& w, const std::vector<std::string>& options,
                                       const std::string& what)
{
    std::vector<std::string> dryOptions = options;
    dryOptions.push_back("--dry-run");
    const CliRun dry = w.webwatch(dryOptions);
    const CliRun real = w.webwatch(options);
    EXPECT_EQ(dry.status, real.status) << what << "\n" << dry.out << dry.err << "\n" << real.out << real.err;
    EXPECT_EQ(plannedWork(dry.out), doneWork(real.out)) << what << "\n" << dry.out << "\n" << real.out << real.err;
    EXPECT_FALSE(plannedWork(dry.out).empty()) << what;
}

TEST(CliWebwatchRun, TheRunDoesWhatTheDryRunSaid)
{
    {
        // A pending run cut short after its first file, and a file edited
        // since: the pending files and deletion first, then the fresh scan's.
        WebwatchData w;
        ASSERT_TRUE(w.startServer()) << w.server.lastError();
        w.project("Site", false, true);
        for (const char* name : {"one.html", "two.html", "three.html", "four.html"}) {
            w.site.write(std::string("p/") + name, name);
            w.record(std::string("p/") + name, "May");
        }
        w.site.write("p/same.html", "same");
        w.remote.write("p/same.html", "same");
        w.record("p/same.html", "uploaded");
        w.remote.write("p/gone.html", "gone");
        w.record("p/gone.html", "12345");
        w.save();
        const CliRun killed = w.webwatch({}, {{"TAVLINFTP_TEST_KILL_AT", "uploaded:1"}});
        ASSERT_EQ(killed.status, -2) << killed.out << killed.err;
        editLater(w, "p/same.html", "same, edited");
        const CliRun dry = w.webwatch({"--dry-run"});
        EXPECT_TRUE(has(dry.out, "Pending run: ")) << dry.out;
        EXPECT_TRUE(has(dry.out, "upload changed    " + w.site.file("p/same.html"))) << dry.out;
        ASSERT_NO_FATAL_FAILURE(expectTheRunDoesWhatTheDryRunSaid(w, {}, "pending run"));
        EXPECT_EQ(w.remote.read("p/same.html"), "same, edited");
    }
    {
        // Two projects of one name: --project takes both, in file order.
        WebwatchData w;
        ASSERT_TRUE(w.startServer()) << w.server.lastError();
        for (const auto& [project, path] : std::vector<std::pair<std::string, std::string>>{
                 {"Twin", "s/first.html"}, {"Other", "s/other.html"}, {"Twin", "s/second.html"}}) {
            w.project(project, false, false);
            w.site.write(path, project);
            w.record(path, "May");
        }
        w.save();
        ASSERT_NO_FATAL_FAILURE(expectTheRunDoesWhatTheDryRunSaid(w, {"--project", "Twin"}, "duplicate names"));
        ProjectStore projects;
        ASSERT_TRUE(projects.load(w.data.file("wbprj.dfd")));
        EXPECT_EQ(projects.field(1, 0, ProjectField::UploadStamp), "May") << "Other was not part of the run";
        EXPECT_NE(projects.field(2, 0, ProjectField::UploadStamp), "May");

        // A name that is no project is refused alike.
        const CliRun dry = w.webwatch({"--project", "Nope", "--dry-run"});
        const CliRun real = w.webwatch({"--project", "Nope"});
        EXPECT_EQ(dry.status, 1);
        EXPECT_EQ(real.status, 1);
        EXPECT_EQ(dry.err, real.err);
    }
    {
        // Deletions only.
        WebwatchData w;
        ASSERT_TRUE(w.startServer()) << w.server.lastError();
        w.project("Site", false, true);
        w.site.write("d/kept.html", "kept");
        w.remote.write("d/kept.html", "kept");
        w.record("d/kept.html", "uploaded");
        w.remote.write("d/old.html", "old");
        w.record("d/old.html", "12345");
        w.save();
        ASSERT_NO_FATAL_FAILURE(expectTheRunDoesWhatTheDryRunSaid(w, {}, "deletions only"));
        EXPECT_FALSE(fs::exists(w.remote.file("d/old.html")));
    }
    {
        // A project whose local folder is missing, beside one that changed.
        WebwatchData w;
        ASSERT_TRUE(w.startServer()) << w.server.lastError();
        w.project("Moved", false, true);
        for (const char* name : {"x.html", "y.html"}) {
            w.remote.write(std::string("moved/") + name, name);
            w.record(std::string("moved/") + name, "12345");
        }
        w.project("Here", false, true);
        w.site.write("here/z.html", "z");
        w.record("here/z.html", "May");
        w.save();
        ASSERT_NO_FATAL_FAILURE(expectTheRunDoesWhatTheDryRunSaid(w, {}, "missing folder"));
    }
}

// Stamps hold the date and the time of day: a file edited again on the
// day of its upload is sent again, one left alone is not.
TEST(CliWebwatchRun, AFileEditedAgainOnTheDayOfItsUploadIsSentAgain)
{
    WebwatchData w;
    w.site.write("p/edited.html", "edited");
    w.site.write("p/left.html", "left");
    setLocalTime(w.site.file("p/edited.html"), 2024, 3, 5, 9);
    setLocalTime(w.site.file("p/left.html"), 2024, 3, 5, 9);
    w.project("Site", false, false);
    w.record("p/edited.html", "uploaded");
    w.record("p/left.html", "uploaded");
    w.save();
    setLocalTime(w.site.file("p/edited.html"), 2024, 3, 5, 15);

    const CliRun dry = w.webwatch({"--dry-run"});
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_TRUE(has(dry.out, "upload changed    " + w.site.file("p/edited.html"))) << dry.out;
    EXPECT_FALSE(has(dry.out, w.site.file("p/left.html"))) << dry.out;
}

// The data connection is passive unless --active asks otherwise; the
// project file the run leaves is as private, or as readable, as it was; a
// temporary file a killed write left in the data directory is cleared.
TEST(CliWebwatchRun, TheRunsDataConnectionsAndTheProjectFileItLeaves)
{
    WebwatchData w;
    ASSERT_TRUE(w.startServer()) << w.server.lastError();
    w.site.write("p/page.html", "one");
    w.project("Site", false, false);
    w.record("p/page.html", "May");
    w.save();
    w.data.write("wbprj.dfd.tmp4242", "2\r\nleft by a kill\r\n");
    // Files of the user's that only look like temporary ones stay.
    const std::vector<std::string> usersFiles{"thesis.tmp2", "report.tmp20240101", "notes.dfd.tmp7", "wbprj.dfd.tmp"};
    for (const std::string& name : usersFiles)
        w.data.write(name, "the user's");
    ASSERT_EQ(::chmod(w.data.file("wbprj.dfd").c_str(), 0644), 0);

    const CliRun passive = w.webwatch({"--quiet"});
    ASSERT_EQ(passive.status, 0) << passive.err;
    std::vector<std::string> commands = w.server.commands();
    EXPECT_EQ(count(commands, "PASV"), 1) << ::testing::PrintToString(commands);
    EXPECT_TRUE(std::none_of(commands.begin(), commands.end(),
                             [](const std::string& c) { return c.rfind("PORT ", 0) == 0; }));
    EXPECT_EQ(w.remote.read("p/page.html"), "one");
    EXPECT_EQ(modeOf(w.data.file("wbprj.dfd")), 0644u);
    EXPECT_FALSE(fs::exists(w.data.file("wbprj.dfd.tmp4242")));
    for (const std::string& name : usersFiles)
        EXPECT_EQ(w.data.read(name), "the user's") << name;

    editLater(w, "p/page.html", "two");
    ASSERT_EQ(::chmod(w.data.file("wbprj.dfd").c_str(), 0600), 0);
    w.server.clearCommands();
    const CliRun active = w.webwatch({"--quiet", "--active"});
    ASSERT_EQ(active.status, 0) << active.err;
    commands = w.server.commands();
    EXPECT_EQ(count(commands, "PASV"), 0) << ::testing::PrintToString(commands);
    EXPECT_TRUE(std::any_of(commands.begin(), commands.end(),
                            [](const std::string& c) { return c.rfind("PORT ", 0) == 0; }));
    EXPECT_EQ(w.remote.read("p/page.html"), "two");
    EXPECT_EQ(modeOf(w.data.file("wbprj.dfd")), 0600u);
}

// A server that holds one connection of the four asked for, and turns the
// others away only after the first has sent files (as a server that starts
// a process per connection does): the run publishes everything on the one
// it holds, says so once, and prints no connection's own lines without -v.
TEST(CliWebwatchRun, AServerThatHoldsFewerConnectionsThanAskedForGetsEveryFileOnTheOnesItHolds)
{
    LocalFtpServer::Options options;
    options.maxConnectionsPerIp = 1;
    options.refusalDelayMs = 1500;
    WebwatchData w(options);
    ASSERT_TRUE(w.startServer()) << w.server.lastError();
    w.project("Site", false, false);
    for (int i = 0; i < 10; ++i) {
        const std::string path = "p/page" + std::to_string(i) + ".html";
        w.site.write(path, std::string(3000 + i, static_cast<char>('a' + i)));
        w.record(path, "May");
    }
    w.save();
    const CliRun run = w.webwatch({"--connections", "4"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(w.remote.read("p/page" + std::to_string(i) + ".html"),
                  std::string(3000 + i, static_cast<char>('a' + i)));
    EXPECT_TRUE(has(run.out, "Published 10 files")) << run.out;
    EXPECT_EQ(run.err,
              "! The server refused a further connection (421 Too many connections from the same IP address.); the "
              "queue goes on with 1 connection\n");
}

}  // namespace
