// tavlinftp-cli webwatch: what a run would do, from the command line, on a
// real data directory, checked against the queue and deletion list the
// upload run engine itself hands over for the same projects.
#include "cli_run.h"

#include "core/data_directory_lock.h"
#include "services/unattended_dialogs.h"
#include "webwatch/deletion_list.h"
#include "webwatch/project_store.h"
#include "webwatch/upload_run.h"
#include "webwatch/upload_run_queue.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <algorithm>
#include <filesystem>
#include <map>

namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> filesIn(const std::string& directory)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(directory)) {
        // The lock file holds nothing; it only carries the lock.
        if (entry.path().filename() == DataDirectoryLock::kFileName)
            continue;
        std::string bytes;
        readWholeFile(entry.path().string(), bytes);
        files[entry.path().filename().string()] = bytes;
    }
    return files;
}

// Sets every file below `root` as last written an hour ago: a file written
// in the same two-second step as a run's scan is rightly sent again by the
// next run, which tests of what a run leaves behind must not meet.
// Always the same instant: a file settled again after its stamp was recorded
// must keep that stamp, or it counts as changed whenever the two calls fall
// on either side of a two-second step.
void settle(const std::string& root)
{
    static const auto earlier = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file() && !entry.is_symlink())
            fs::last_write_time(entry.path(), earlier);
}

class CliWebwatch : public ::testing::Test {
protected:
    // Project "Shop" (clean folders, delete missing on): index.html uploaded
    // and unchanged, about.html changed since, contact.html never uploaded,
    // gone.html missing, and new.html new in the clean folder. Project
    // "Blog": one unchanged file.
    void SetUp() override
    {
        site.write("shop/index.html", "index");
        site.write("shop/about.html", "about");
        site.write("shop/contact.html", "contact");
        site.write("shop/new.html", "brand new");
        site.write("blog/post.html", "post");
        settle(site.path());
        const auto record = [&](const std::string& name, const std::string& stamp, const std::string& directory) {
            const std::string path = site.file(directory + "/" + name);
            return std::vector<std::string>{" " + path, " 127.0.0.1", " tavlin", " pw", " 21", " /" + directory,
                                            " " + name, " 0", " " + stamp};
        };
        const auto stampOf = [&](const std::string& name) { return *ProjectStore::stampOf(site.file(name)); };
        std::vector<std::string> lines{"2", "Shop", "1", "1"};
        for (const auto& r : {record("index.html", stampOf("shop/index.html"), "shop"),
                              record("about.html", "12345", "shop"), record("contact.html", "May", "shop"),
                              record("gone.html", "12345", "shop")})
            lines.insert(lines.end(), r.begin(), r.end());
        lines.insert(lines.end(), {"Blog", "0", "0"});
        const auto post = record("post.html", stampOf("blog/post.html"), "blog");
        lines.insert(lines.end(), post.begin(), post.end());
        ASSERT_TRUE(TextLineList(lines).saveToFile(data.file("wbprj.dfd")));
        data.write("ascd.dfd", ".html\r\n");
    }

    CliRun webwatch(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {"webwatch", "--data-dir", data.path()});
        return runCli(arguments);
    }

    // The projects log in to this server.
    void pointProjectsAt(const LocalFtpServer& server)
    {
        TextLineList lines;
        ASSERT_TRUE(lines.loadFromFile(data.file("wbprj.dfd")));
        for (std::string& line : lines.lines()) {
            if (line == " 21")
                line = " " + server.portText();
            else if (line == " tavlin")
                line = " " + server.user();
            else if (line == " pw")
                line = " " + server.password();
        }
        ASSERT_TRUE(lines.saveToFile(data.file("wbprj.dfd")));
    }

    TempDir data;
    TempDir site;
};

TEST_F(CliWebwatch, ADryRunShowsWhatTheRunWouldDoAndChangesNothing)
{
    const auto before = filesIn(data.path());
    const CliRun dry = webwatch({"--dry-run"});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(filesIn(data.path()), before) << "a dry run writes no data file";
    EXPECT_NE(dry.out.find("Project \"Shop\": 3 to upload, 1 to delete on the server"), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("Project \"Blog\": 0 to upload, 0 to delete on the server"), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("upload changed    " + site.file("shop/about.html") + " -> /shop/about.html (5 bytes)"),
              std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("upload new        " + site.file("shop/contact.html")), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("upload discovered " + site.file("shop/new.html")), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("delete /shop/gone.html on 127.0.0.1"), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("leaves " + site.file("shop/gone.html")), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("Dry run: 3 files to upload (21 bytes), 1 to delete; nothing was changed"),
              std::string::npos) << dry.out;

    // The run engine, on a copy of the same data, hands over exactly those.
    TempDir copy;
    for (const auto& [name, bytes] : before)
        copy.write(name, bytes);
    // The quick upload asks nothing; anything asked is a failure.
    UnattendedDialogs dialogs([](UnattendedDialogs::Question question, const QString&, const QString& text) {
        ADD_FAILURE() << text.toStdString();
        return question == UnattendedDialogs::Question::YesNo ? DialogAnswer::No : DialogAnswer::Cancel;
    });
    const std::vector<std::string> ascii{".html"};
    UploadRun run(UploadRunFiles{copy.file("wbprj.dfd"), copy.file("nyweb2.dfd"), copy.file("koefil.dfd"),
                                 copy.file("defil.dfd")},
                  dialogs, ascii);
    ProjectStore projects;
    ASSERT_TRUE(projects.load(copy.file("wbprj.dfd")));
    ASSERT_EQ(run.start(projects, UploadRun::Scope::Quick).kind, UploadRun::Outcome::Kind::HandedOver);
    UploadRunQueue queue;
    ASSERT_TRUE(queue.load(copy.file("koefil.dfd")));
    std::vector<std::string> queuedPaths;
    for (const QueuedUpload& upload : queue.entries())
        queuedPaths.push_back(upload.localPath);
    std::vector<std::string> plannedPaths;
    for (const std::string name : {"about.html", "contact.html", "new.html"})
        plannedPaths.push_back(site.file("shop/" + name));
    std::sort(queuedPaths.begin(), queuedPaths.end());
    EXPECT_EQ(queuedPaths, plannedPaths);
    DeletionList deletions;
    ASSERT_TRUE(deletions.load(copy.file("defil.dfd")));
    ASSERT_EQ(deletions.count(), 1u);
    EXPECT_EQ(deletions.entry(0).remoteFileName, "gone.html");

    // One project only; a name that is no project is an error.
    const CliRun blog = webwatch({"--dry-run", "--project", "Blog", "--quiet"});
    ASSERT_EQ(blog.status, 0) << blog.err;
    EXPECT_EQ(blog.out, "Dry run: 0 files to upload (0 bytes), 0 to delete; nothing was changed\n");
    const CliRun unknown = webwatch({"--dry-run", "--project", "Nope"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("no project named \"Nope\""), std::string::npos) << unknown.err;
}

TEST_F(CliWebwatch, ListCountsAndABusyDataDirectoryIsLeftAlone)
{
    const CliRun list = webwatch({"--list"});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out, "Shop: 4 files, 1 changed, 2 new, 1 missing\nBlog: 1 files, 0 changed, 0 new, 0 missing\n");

    // While the window (or another run) holds the data directory, a run
    // waits for it as long as --wait says and then is turned away, naming
    // the holder; a listing only reads, and still works.
    DataDirectoryLock holder;
    ASSERT_EQ(holder.take(data.path()), DataDirectoryLock::Result::Taken);
    holder.describeHolder("another run");
    const CliRun busy = webwatch({"--wait", "0"});
    EXPECT_EQ(busy.status, 75);
    EXPECT_TRUE(busy.out.empty());
    EXPECT_NE(busy.err.find(data.path() + " is in use by another run; waited 0 seconds"), std::string::npos)
        << busy.err;
    EXPECT_EQ(webwatch({"--list"}).out, list.out);

    EXPECT_EQ(webwatch({"--list", "--bogus"}).status, 2);
    EXPECT_EQ(webwatch({"--wait", "soon"}).status, 2);
    EXPECT_EQ(webwatch({"--wait", "-1"}).status, 2);
}

TEST_F(CliWebwatch, ARunBringsTheServerToTheLocalFilesAndEndsWithTheProjectFileUpdated)
{
    TempDir remote;
    remote.write("shop/gone.html", "old page");
    remote.write("shop/index.html", "index");
    LocalFtpServer server(remote.path());
    ASSERT_TRUE(server.start()) << server.lastError();
    pointProjectsAt(server);

    const CliRun first = webwatch({});
    ASSERT_EQ(first.status, 0) << first.out << first.err;
    EXPECT_NE(first.out.find("3 files to upload, 1 to delete"), std::string::npos) << first.out;
    EXPECT_EQ(remote.read("shop/about.html"), "about");
    EXPECT_EQ(remote.read("shop/contact.html"), "contact");
    EXPECT_EQ(remote.read("shop/new.html"), "brand new");
    EXPECT_FALSE(fs::exists(remote.file("shop/gone.html")));
    EXPECT_NE(first.out.find("deleted /shop/gone.html on 127.0.0.1"), std::string::npos) << first.out;
    // The run is over: nothing pending, the project file updated.
    for (const char* name : {"koefil.dfd", "nyweb2.dfd", "defil.dfd", "rstfil.txt"})
        EXPECT_FALSE(fs::exists(data.file(name))) << name;
    ProjectStore projects;
    ASSERT_TRUE(projects.load(data.file("wbprj.dfd")));
    ASSERT_EQ(projects.projectName(0), "Shop");
    EXPECT_EQ(projects.fileCount(0), 4u) << "gone.html left, new.html came";

    // A second run finds nothing to do.
    const CliRun second = webwatch({});
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_NE(second.out.find("No files for upload"), std::string::npos) << second.out;

    // A queue that is not a WebWatch run is left alone.
    data.write("koefil.dfd", "1\r\n");
    const CliRun refused = webwatch({});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("left alone"), std::string::npos) << refused.err;
    EXPECT_EQ(data.read("koefil.dfd"), "1\r\n");
}

// The position of a Shop record by its remote name, or -1.
int positionIn(const ProjectStore& projects, std::size_t p, const std::string& name)
{
    for (std::size_t j = 0; j < projects.fileCount(p); ++j)
        if (projects.field(p, j, ProjectField::RemoteFileName) == name)
            return static_cast<int>(j);
    return -1;
}

// A file the server will not take is tried twice, and a remote file it will
// not delete once; the run still ends: the file goes back into the project
// as not uploaded, the refused deletion's record where it stood, and the
// next run, a fresh one, sends the file with whatever changed since.
TEST_F(CliWebwatch, WhatTheServerRefusesIsLeftForTheNextRunAndDoneThere)
{
    TempDir remote;
    remote.write("shop/index.html", "index");
    // A folder where a file is expected: STOR and DELE of that name fail.
    fs::create_directories(remote.file("shop/about.html"));
    fs::create_directories(remote.file("shop/gone.html/inside"));
    LocalFtpServer server(remote.path());
    ASSERT_TRUE(server.start()) << server.lastError();
    pointProjectsAt(server);
    const std::vector<std::string> bothProjects{"--project", "Shop", "--project", "Blog"};

    const CliRun first = webwatch(bothProjects);
    EXPECT_EQ(first.status, 1) << first.out << first.err;
    EXPECT_NE(first.err.find(site.file("shop/about.html") + " failed: 550"), std::string::npos) << first.err;
    EXPECT_NE(first.err.find("1 files failed twice"), std::string::npos) << first.err;
    EXPECT_NE(first.err.find("1 remote deletions failed"), std::string::npos) << first.err;
    EXPECT_EQ(first.out.find("deleted /"), std::string::npos) << "a refused deletion is not reported done";
    const std::vector<std::string> seen = server.commands();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "STOR about.html"), 2);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "DELE gone.html"), 1) << "a refusal is not sent again";
    EXPECT_EQ(remote.read("shop/contact.html"), "contact") << "the run went on after the failed file";
    EXPECT_EQ(remote.read("shop/new.html"), "brand new");
    // The run is over: nothing pending.
    for (const char* name : {"koefil.dfd", "nyweb2.dfd", "defil.dfd"})
        EXPECT_FALSE(fs::exists(data.file(name))) << name;
    ProjectStore projects;
    ASSERT_TRUE(projects.load(data.file("wbprj.dfd")));
    ASSERT_EQ(projects.projectName(0), "Shop");
    EXPECT_EQ(projects.fileCount(0), 5u) << "gone.html is still part of Shop, new.html came";
    const int about = positionIn(projects, 0, "about.html");
    ASSERT_GE(about, 0);
    EXPECT_EQ(projects.field(0, about, ProjectField::UploadStamp), "May") << "never reached the server";
    EXPECT_NE(projects.field(0, positionIn(projects, 0, "contact.html"), ProjectField::UploadStamp), "May");
    EXPECT_EQ(positionIn(projects, 0, "gone.html"), positionIn(projects, 0, "contact.html") + 1)
        << "the kept record stands where it stood";

    // The server takes the file now, and index.html was edited meanwhile:
    // the next run is a fresh scan that sends both.
    fs::remove_all(remote.file("shop/about.html"));
    site.write("shop/index.html", "index, edited");
    // Stamps count whole seconds in twos: the edit must not fall into the
    // stamp the file was recorded with.
    fs::last_write_time(site.file("shop/index.html"), fs::file_time_type::clock::now() + std::chrono::hours(1));
    server.clearCommands();
    const CliRun second = webwatch({});
    EXPECT_EQ(second.status, 1) << second.out << second.err;
    EXPECT_EQ(second.out.find("Finishing the run that was pending"), std::string::npos) << second.out;
    EXPECT_NE(second.err.find("1 remote deletions failed"), std::string::npos) << second.err;
    EXPECT_EQ(remote.read("shop/about.html"), "about");
    EXPECT_EQ(remote.read("shop/index.html"), "index, edited");
    const std::vector<std::string> again = server.commands();
    EXPECT_EQ(std::count(again.begin(), again.end(), "DELE gone.html"), 1);
    ASSERT_TRUE(projects.load(data.file("wbprj.dfd")));
    EXPECT_NE(projects.field(0, positionIn(projects, 0, "about.html"), ProjectField::UploadStamp), "May");

    // Once the server deletes it, the record leaves.
    fs::remove_all(remote.file("shop/gone.html"));
    remote.write("shop/gone.html", "old page");
    const CliRun third = webwatch({"--quiet"});
    EXPECT_EQ(third.status, 0) << third.out << third.err;
    EXPECT_FALSE(fs::exists(remote.file("shop/gone.html")));
    ASSERT_TRUE(projects.load(data.file("wbprj.dfd")));
    EXPECT_EQ(projects.fileCount(0), 4u);
    EXPECT_EQ(positionIn(projects, 0, "gone.html"), -1);
    EXPECT_FALSE(fs::exists(data.file("defil.dfd")));
}

// A folder that is gone (moved away, an unmounted drive) deletes nothing on
// the server and nothing from the project, and the command says so and
// fails, until it is told that the folder went on purpose.
TEST_F(CliWebwatch, AMissingFolderLeavesItsFilesAloneUntilTheCommandIsToldToDeleteThem)
{
    TempDir remote;
    for (const char* name : {"shop/index.html", "shop/about.html", "shop/contact.html", "shop/gone.html"})
        remote.write(name, "online");
    LocalFtpServer server(remote.path());
    ASSERT_TRUE(server.start()) << server.lastError();
    pointProjectsAt(server);
    // Something to upload beside, so that a run does take place.
    site.write("blog/post.html", "post, edited");
    fs::last_write_time(site.file("blog/post.html"), fs::file_time_type::clock::now() + std::chrono::hours(1));
    const std::string projectsBefore = data.read("wbprj.dfd");
    const auto remoteBefore = filesIn(remote.file("shop"));
    const std::string leftAlone = "Folder " + site.file("shop") + " is missing: its 4 files are left alone";
    const auto noDeletion = [&] {
        for (const std::string& command : server.commands())
            EXPECT_NE(command.rfind("DELE", 0), 0u) << command;
        EXPECT_EQ(filesIn(remote.file("shop")), remoteBefore);
    };

    // The whole project folder missing.
    fs::rename(site.path(), site.path() + ".away");
    const CliRun whole = webwatch({});
    fs::rename(site.path() + ".away", site.path());
    EXPECT_EQ(whole.status, 1) << whole.out << whole.err;
    EXPECT_NE(whole.err.find(leftAlone), std::string::npos) << whole.err;
    EXPECT_NE(whole.out.find("Published 0 files (0.0 MB), deleted 0, 0 failed, 4 left alone\n"), std::string::npos)
        << whole.out;
    EXPECT_EQ(whole.err.find("blog"), std::string::npos) << "Blog deletes nothing anyway: " << whole.err;
    noDeletion();
    EXPECT_EQ(data.read("wbprj.dfd"), projectsBefore);

    // The shop's folder moved away: the dry run says and fails the same.
    fs::rename(site.file("shop"), site.file("shop.moved"));
    const CliRun dry = webwatch({"--dry-run"});
    EXPECT_EQ(dry.status, 1) << dry.out << dry.err;
    EXPECT_NE(dry.err.find(leftAlone), std::string::npos) << dry.err;
    EXPECT_NE(dry.out.find("Project \"Shop\": 0 to upload, 0 to delete on the server"), std::string::npos) << dry.out;
    EXPECT_EQ(dry.out.find("leaves "), std::string::npos) << dry.out;
    const CliRun moved = webwatch({});
    EXPECT_EQ(moved.status, 1) << moved.out << moved.err;
    EXPECT_NE(moved.err.find(leftAlone), std::string::npos) << moved.err;
    EXPECT_NE(moved.out.find("Published 1 files"), std::string::npos) << moved.out;
    EXPECT_NE(moved.out.find(", 0 failed, 4 left alone\n"), std::string::npos) << moved.out;
    noDeletion();
    ProjectStore projects;
    ASSERT_TRUE(projects.load(data.file("wbprj.dfd")));
    EXPECT_EQ(projects.fileCount(0), 4u) << "the shop's files stay in the project";

    // Removed on purpose (and all of the shop, so a mass deletion): the
    // server follows.
    const CliRun told = webwatch({"--delete-missing-folders", "--allow-mass-delete", "--dry-run"});
    EXPECT_EQ(told.status, 0) << told.err;
    EXPECT_NE(told.out.find("4 to delete"), std::string::npos) << told.out;
    site.write("blog/post.html", "post, edited twice");
    fs::last_write_time(site.file("blog/post.html"), fs::file_time_type::clock::now() + std::chrono::hours(2));
    const CliRun deleted = webwatch({"--delete-missing-folders", "--allow-mass-delete"});
    EXPECT_EQ(deleted.status, 0) << deleted.out << deleted.err;
    for (const char* name : {"shop/index.html", "shop/about.html", "shop/contact.html", "shop/gone.html"})
        EXPECT_FALSE(fs::exists(remote.file(name))) << name;
    ASSERT_TRUE(projects.load(data.file("wbprj.dfd")));
    EXPECT_EQ(projects.fileCount(0), 0u);
}

// A run that would delete most of a project (or more than 20 files) uploads
// but deletes nothing unless the command allows it, and fails saying why.
TEST_F(CliWebwatch, MostOfAProjectIsDeletedOnlyWithAllowMassDelete)
{
    TempDir remote;
    const std::vector<std::string> online{"shop/index.html", "shop/about.html", "shop/contact.html",
                                          "shop/gone.html"};
    for (const std::string& name : online)
        remote.write(name, "online");
    LocalFtpServer server(remote.path());
    ASSERT_TRUE(server.start()) << server.lastError();
    pointProjectsAt(server);
    for (const char* name : {"index.html", "about.html", "contact.html"})
        fs::remove(site.file(std::string("shop/") + name));
    const std::string why = "4 remote files were not deleted";

    const CliRun dry = webwatch({"--dry-run"});
    EXPECT_EQ(dry.status, 1) << dry.out << dry.err;
    EXPECT_NE(dry.err.find(why), std::string::npos) << dry.err;
    EXPECT_NE(dry.out.find("Project \"Shop\": 1 to upload, 0 to delete on the server"), std::string::npos) << dry.out;
    const CliRun held = webwatch({});
    EXPECT_EQ(held.status, 1) << held.out << held.err;
    EXPECT_NE(held.err.find(why), std::string::npos) << held.err;
    for (const std::string& name : online)
        EXPECT_TRUE(fs::exists(remote.file(name))) << name;
    EXPECT_EQ(remote.read("shop/new.html"), "brand new");
    ProjectStore projects;
    ASSERT_TRUE(projects.load(data.file("wbprj.dfd")));
    EXPECT_EQ(projects.fileCount(0), 5u) << "the missing files wait in the project";

    const CliRun allowedDry = webwatch({"--dry-run", "--allow-mass-delete"});
    EXPECT_EQ(allowedDry.status, 0) << allowedDry.err;
    EXPECT_NE(allowedDry.out.find("0 to upload, 4 to delete"), std::string::npos) << allowedDry.out;
    site.write("blog/post.html", "post, edited");
    fs::last_write_time(site.file("blog/post.html"), fs::file_time_type::clock::now() + std::chrono::hours(1));
    const CliRun allowed = webwatch({"--allow-mass-delete"});
    EXPECT_EQ(allowed.status, 0) << allowed.out << allowed.err;
    for (const std::string& name : online)
        EXPECT_FALSE(fs::exists(remote.file(name))) << name;
    ASSERT_TRUE(projects.load(data.file("wbprj.dfd")));
    EXPECT_EQ(projects.fileCount(0), 1u);
}

// A new sub-folder of a clean folder goes up whole, its remote folders made
// first; litter and links stay behind.
TEST_F(CliWebwatch, NewSubFoldersOfACleanFolderAreMadeOnTheServerAndPublished)
{
    TempDir remote;
    remote.write("shop/index.html", "index");
    remote.write("shop/gone.html", "old page");
    LocalFtpServer server(remote.path());
    ASSERT_TRUE(server.start()) << server.lastError();
    pointProjectsAt(server);
    site.write("shop/news/today.html", "today");
    site.write("shop/news/today.html~", "backup");
    site.write("shop/news/2024/old.html", "last year");
    site.write("shop/.git/config", "[core]");
    fs::create_symlink("/etc/passwd", site.file("shop/passwd.txt"));
    settle(site.path());

    const CliRun dry = webwatch({"--dry-run"});
    ASSERT_EQ(dry.status, 0) << dry.err;
    for (const std::string line : {"new folder " + site.file("shop/news/"), "new folder " + site.file("shop/news/2024/"),
                                   "upload discovered " + site.file("shop/news/2024/old.html")
                                       + " -> /shop/news/2024/old.html",
                                   "not published, a symbolic link: " + site.file("shop/passwd.txt")})
        EXPECT_NE(dry.out.find(line), std::string::npos) << line << "\n" << dry.out;

    server.clearCommands();
    // One connection: the folders it has been in are what it knows.
    const CliRun run = webwatch({"--connections", "1"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(remote.read("shop/news/today.html"), "today");
    EXPECT_EQ(remote.read("shop/news/2024/old.html"), "last year");
    // A level the connection has been in is not made again.
    std::vector<std::string> made;
    for (const std::string& command : server.commands())
        if (command.starts_with("MKD "))
            made.push_back(command);
    EXPECT_EQ(made, (std::vector<std::string>{"MKD /shop/news", "MKD /shop/news/2024"}))
        << ::testing::PrintToString(server.commands());
    for (const char* name : {"shop/news/today.html~", "shop/passwd.txt", "shop/.git"})
        EXPECT_FALSE(fs::exists(remote.file(name))) << name;
    EXPECT_NE(run.err.find("Not published, a symbolic link: " + site.file("shop/passwd.txt")), std::string::npos)
        << run.err;
    const CliRun again = webwatch({"--dry-run", "--quiet"});
    EXPECT_EQ(again.out, "Dry run: 0 files to upload (0 bytes), 0 to delete; nothing was changed\n") << again.err;
}

TEST(CliWebwatchKilled, ARunKilledMidwayIsFinishedByTheNextRun)
{
    TempDir data;
    TempDir site;
    TempDir remote;
    remote.write("pages/.keep", "");
    LocalFtpServer server(remote.path());
    ASSERT_TRUE(server.start()) << server.lastError();
    constexpr int kFiles = 150;
    std::vector<std::string> lines{"1", "Pages", "1", "1"};
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "page" + std::to_string(i) + ".html";
        site.write(name, std::string(20000 + i, static_cast<char>('a' + i % 26)));
        for (const std::string& line : {site.file(name), std::string("127.0.0.1"), server.user(), server.password(),
                                        server.portText(), std::string("/pages"), name, std::string("0"),
                                        std::string("May")})
            lines.push_back(" " + line);
    }
    settle(site.path());
    ASSERT_TRUE(TextLineList(lines).saveToFile(data.file("wbprj.dfd")));

    QProcess run;
    run.start(QStringLiteral(TAVLIN_CLI_PATH),
              {QStringLiteral("webwatch"), QStringLiteral("--data-dir"), QString::fromStdString(data.path())});
    ASSERT_TRUE(run.waitForStarted());
    // Killed once some files are up and before all are.
    QByteArray seen;
    while (seen.count("uploaded ") < 20 && run.state() == QProcess::Running) {
        run.waitForReadyRead(5000);
        seen += run.readAllStandardOutput();
    }
    ASSERT_EQ(run.state(), QProcess::Running) << seen.toStdString();
    run.kill();
    run.waitForFinished();
    ASSERT_TRUE(fs::exists(data.file("koefil.dfd"))) << "the run was cut short";

    const CliRun again = runCli({"webwatch", "--data-dir", data.path()});
    ASSERT_EQ(again.status, 0) << again.out << again.err;
    EXPECT_NE(again.out.find("Finishing the run that was pending"), std::string::npos) << again.out;
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "page" + std::to_string(i) + ".html";
        ASSERT_EQ(remote.read("pages/" + name), site.read(name)) << name;
    }
    for (const char* name : {"koefil.dfd", "nyweb2.dfd", "defil.dfd"})
        EXPECT_FALSE(fs::exists(data.file(name))) << name;
    // Every file is recorded as uploaded: a dry run finds nothing to do.
    const CliRun dry = runCli({"webwatch", "--data-dir", data.path(), "--dry-run", "--quiet"});
    EXPECT_EQ(dry.out, "Dry run: 0 files to upload (0 bytes), 0 to delete; nothing was changed\n") << dry.err;
}

}  // namespace

// The command ends with one line of what it did: a cron mail says it all.
TEST_F(CliWebwatch, ARunEndsWithALineOfWhatItPublishedDeletedAndFailed)
{
    TempDir remote;
    remote.write("shop/gone.html", "old page");
    // A folder where contact.html is expected: its STOR fails.
    fs::create_directories(remote.file("shop/contact.html"));
    // about.html and new.html (9 bytes) make one and a half megabytes.
    site.write("shop/about.html", std::string(1536 * 1024 - 9, 'a'));
    LocalFtpServer server(remote.path());
    ASSERT_TRUE(server.start()) << server.lastError();
    pointProjectsAt(server);

    const CliRun run = webwatch({});
    EXPECT_EQ(remote.read("shop/new.html"), "brand new");
    EXPECT_FALSE(fs::exists(remote.file("shop/gone.html")));
    EXPECT_NE(run.out.find("Published 2 files (1.5 MB), deleted 1, 1 failed, 0 left alone\n"), std::string::npos)
        << run.out << run.err;
}
