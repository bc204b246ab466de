#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/time_fixtures.h"
#include "core/restore_files.h"
#include "webwatch/upload_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace {

// Every site file is last written at this moment; in UTC its stamp is:
constexpr const char* kStamp = "1321549021";  // 31 Dec 2005 23:59:58

std::string crlf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

// A record's nine lines, uploading to ftp.example.org into /www.
std::vector<std::string> record(const std::string& path, const std::string& mode, const std::string& stamp,
                                const std::string& remoteDirectory = "/www")
{
    const std::string name = path.substr(path.find_last_of('/') + 1);
    return {" " + path, " ftp.example.org", " webmaster", " secret", " 21", " " + remoteDirectory,
            " " + name, " " + mode, " " + stamp};
}

// The nine queue lines of a file.
std::vector<std::string> queued(const std::string& path, const std::string& size, const std::string& binary,
                                const std::string& remoteDirectory = "/www")
{
    const std::string name = path.substr(path.find_last_of('/') + 1);
    return {"1" + path, "ftp.example.org", "webmaster", "secret", "21", remoteDirectory, name, size, binary};
}

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

bool exists(const std::string& path)
{
    return std::filesystem::exists(path);
}

struct RunFixture {
    ScopedTimeZone utc{"UTC"};
    TempDir data;  // the data directory
    TempDir site;  // the user's local site
    ScriptedDialogs dialogs;
    std::vector<std::string> ascii{".html", ".htm", ".txt"};
    UploadRun run{UploadRunFiles{data.file("wbprj.dfd"), data.file("nyweb2.dfd"), data.file("koefil.dfd"),
                                 data.file("defil.dfd")},
                  dialogs, ascii};
    ProjectStore projects;

    // A site file of `bytes`, last written at the fixed moment; returns its path.
    std::string siteFile(const std::string& name, const std::string& bytes = "x")
    {
        site.write(name, bytes);
        const std::string path = site.file(name);
        EXPECT_TRUE(setModifiedTime(path, utcTime(2005, 12, 31, 23, 59, 58)));
        return path;
    }
    void writeProjects(const std::vector<std::string>& lines)
    {
        data.write("wbprj.dfd", crlf(lines));
        ASSERT_TRUE(projects.load(run.currentProjectFile()));
    }
    UploadRun::Outcome uploadAll(DialogAnswer answer = DialogAnswer::Yes)
    {
        dialogs.expectYesNoBeginning("Files ready for upload", "Start upload ?\n", answer);
        if (answer == DialogAnswer::No)
            dialogs.expectMessage("No files uploaded");
        return run.start(projects, UploadRun::Scope::AllProjects);
    }
    UploadRun::Outcome expectNothingToUpload()
    {
        dialogs.expectMessage("No files for upload");
        return run.start(projects, UploadRun::Scope::AllProjects);
    }
};

} // namespace

TEST(UploadRun, UnchangedEditedAndTheEndOfTheRun)
{
    RunFixture f;
    const std::string page = f.siteFile("index.html", "hello");
    const std::string logo = f.siteFile("logo.gif", "GIF89a");
    const auto before = join({{"1", "Site", "0", "0"}, record(page, "2", kStamp), record(logo, "3", kStamp)});
    f.writeProjects(before);

    // All unchanged: nothing queued, nothing written.
    EXPECT_EQ(f.expectNothingToUpload().kind, UploadRun::Outcome::Kind::NothingToUpload);
    EXPECT_EQ(f.data.read("wbprj.dfd"), crlf(before));
    EXPECT_FALSE(exists(f.data.file("koefil.dfd")));
    EXPECT_FALSE(exists(f.data.file("nyweb2.dfd")));
    EXPECT_EQ(f.projects.lines().lines(), before);

    // A record edited in the window (" May") is uploaded although the file
    // did not change; the pending project file carries its new stamp.
    const auto edited = join({{"1", "Site", "0", "0"}, record(page, "2", kStamp), record(logo, "3", "May")});
    f.writeProjects(edited);
    std::vector<std::size_t> counts;
    f.run.setQueuedCallback([&](std::size_t n) { counts.push_back(n); });
    const auto outcome = f.uploadAll();
    EXPECT_EQ(outcome.kind, UploadRun::Outcome::Kind::HandedOver);
    EXPECT_TRUE(outcome.closeWindow);
    EXPECT_EQ(outcome.rows, (std::vector<ScanRow>{{"logo.gif", logo, false}}));
    EXPECT_EQ(counts, std::vector<std::size_t>{1});
    EXPECT_EQ(f.data.read("koefil.dfd"), crlf(join({{"1"}, queued(logo, "6", "1")})));
    EXPECT_EQ(f.data.read("nyweb2.dfd"), crlf(before));
    EXPECT_EQ(f.data.read("wbprj.dfd"), crlf(edited));
    EXPECT_FALSE(exists(f.data.file("defil.dfd")));
    EXPECT_TRUE(f.run.pending());
    EXPECT_FALSE(f.run.deletionsPending());
    EXPECT_EQ(f.run.currentProjectFile(), f.data.file("nyweb2.dfd"));

    // The queue worked off: the pending file becomes the project file.
    ::chmod(f.data.file("wbprj.dfd").c_str(), 0600);
    EXPECT_EQ(f.run.finishRun(), UploadRun::EndResult::Finished);
    EXPECT_EQ(f.data.read("wbprj.dfd"), crlf(before));
    EXPECT_FALSE(exists(f.data.file("nyweb2.dfd")));
    EXPECT_FALSE(f.run.pending());
    EXPECT_EQ(f.run.currentProjectFile(), f.data.file("wbprj.dfd"));
    struct stat status {};
    ASSERT_EQ(::stat(f.data.file("wbprj.dfd").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(f.run.finishRun(), UploadRun::EndResult::NotPending);
}

TEST(UploadRun, MissingFilesWithDeleteOffAndOn)
{
    RunFixture f;
    const std::string kept = f.siteFile("kept.html");
    const std::string gone = f.site.file("gone.html");
    const auto keepMissing = join({{"2", "Keep", "0", "0"}, record(gone, "2", kStamp), record(kept, "2", "May"),
                                   {"Tidy", "0", "1"}, record(gone, "2", kStamp, "/old"), record(kept, "2", "May")});
    f.writeProjects(keepMissing);

    const auto outcome = f.uploadAll();
    ASSERT_EQ(outcome.kind, UploadRun::Outcome::Kind::HandedOver);
    EXPECT_EQ(outcome.queued, 2u);
    EXPECT_EQ(outcome.deletions, 1u);
    // "Keep" holds on to its missing file; "Tidy" lists it for deletion once
    // and drops it.
    EXPECT_EQ(f.data.read("nyweb2.dfd"),
              crlf(join({{"2", "Keep", "0", "0"}, record(gone, "2", kStamp), record(kept, "2", kStamp),
                         {"Tidy", "0", "1"}, record(kept, "2", kStamp)})));
    EXPECT_EQ(f.data.read("defil.dfd"), crlf({"ftp.example.org", "webmaster", "secret", "21", "/old", "gone.html"}));
    EXPECT_EQ(f.data.read("koefil.dfd"),
              crlf(join({{"2"}, queued(kept, "1", "0"), queued(kept, "1", "0")})));
    EXPECT_TRUE(f.run.deletionsPending());
    ASSERT_EQ(f.run.deletionList().count(), 1u);
    EXPECT_EQ(f.run.deletionList().entry(0).remoteFileName, "gone.html");

    // The deletion pass is done with the entry: the list file goes.
    EXPECT_TRUE(f.run.completeFirstDeletion());
    EXPECT_FALSE(f.run.deletionsPending());
    EXPECT_FALSE(exists(f.data.file("defil.dfd")));
    EXPECT_EQ(f.run.finishRun(), UploadRun::EndResult::Finished);
    EXPECT_EQ(f.data.read("wbprj.dfd"),
              crlf(join({{"2", "Keep", "0", "0"}, record(gone, "2", kStamp), record(kept, "2", kStamp),
                         {"Tidy", "0", "1"}, record(kept, "2", kStamp)})));
}

TEST(UploadRun, CleanFoldersTakeInNewFilesOnce)
{
    RunFixture f;
    const std::string a1 = f.siteFile("a/one.html");
    const std::string b1 = f.siteFile("b/one.png");
    const std::string a2 = f.siteFile("a/two.html");
    const std::string single = f.siteFile("c/single.html");
    const std::string fresh = f.siteFile("a/fresh.txt", "new!");
    const std::string freshB = f.siteFile("b/photo.jpg", "jpeg");
    f.siteFile("a/.hidden.html");
    const std::string readOnly = f.siteFile("a/locked.html");
    ::chmod(readOnly.c_str(), 0444);
    f.siteFile("c/other.html");  // beside a file that is not clean: never looked at
    std::filesystem::create_directory(f.site.file("a/sub"));
    const std::string gone = f.site.file("a/gone.html");

    // Folder "a" is met twice, with "b" between: its new file is still
    // taken in once. The missing file sits behind an insertion point, so the
    // record removed must be found at its new line.
    const auto recorded = join({{"1", "Clean", "1", "1"}, record(a1, "0", kStamp), record(b1, "1", kStamp),
                                record(a2, "0", kStamp), record(gone, "0", kStamp), record(single, "2", kStamp)});
    f.writeProjects(recorded);

    // Shown in the window: the new files are in the list, not in the file.
    ProjectScanner scanner(f.ascii);
    const auto shown = scanner.scan(f.projects, 0, ProjectScanner::Mode::Display, nullptr);
    EXPECT_EQ(shown.discovered, 2u);
    EXPECT_EQ(shown.fileCount, 7u);
    EXPECT_TRUE(shown.cleanDirectory);
    EXPECT_EQ(shown.rows,
              (std::vector<ScanRow>{{"one.html", a1, false}, {"fresh.txt", fresh, false}, {"one.png", b1, false},
                                    {"photo.jpg", freshB, false}, {"two.html", a2, false},
                                    {"File missing", gone, true}, {"single.html", single, false}}));
    EXPECT_EQ(f.data.read("wbprj.dfd"), crlf(recorded));

    ASSERT_TRUE(f.projects.load(f.run.currentProjectFile()));
    const auto outcome = f.uploadAll();
    ASSERT_EQ(outcome.kind, UploadRun::Outcome::Kind::HandedOver);
    const auto expected = join({{"1", "Clean", "1", "1"}, record(a1, "0", kStamp), record(fresh, "0", kStamp),
                                record(b1, "1", kStamp), record(freshB, "1", kStamp), record(a2, "0", kStamp),
                                record(single, "2", kStamp)});
    EXPECT_EQ(f.data.read("nyweb2.dfd"), crlf(expected));
    EXPECT_EQ(f.data.read("koefil.dfd"), crlf(join({{"2"}, queued(fresh, "4", "0"), queued(freshB, "4", "1")})));
    EXPECT_EQ(f.data.read("defil.dfd"), crlf({"ftp.example.org", "webmaster", "secret", "21", "/www", "gone.html"}));

    // After the run (the queue removes its file when worked off) the new
    // files are ordinary unchanged members.
    f.run.completeFirstDeletion();
    std::filesystem::remove(f.data.file("koefil.dfd"));
    ASSERT_EQ(f.run.finishRun(), UploadRun::EndResult::Finished);
    ASSERT_TRUE(f.projects.load(f.run.currentProjectFile()));
    EXPECT_EQ(f.expectNothingToUpload().kind, UploadRun::Outcome::Kind::NothingToUpload);
    EXPECT_EQ(f.data.read("wbprj.dfd"), crlf(expected));
}

TEST(UploadRun, DeclinedOldQueueAndCancelledRuns)
{
    RunFixture f;
    const std::string page = f.siteFile("index.html");
    const std::string gone = f.site.file("gone.html");
    const auto recorded = join({{"1", "Site", "0", "1"}, record(gone, "2", kStamp), record(page, "2", "May")});
    f.writeProjects(recorded);

    // "No": everything the scan did is dropped.
    const auto declined = f.uploadAll(DialogAnswer::No);
    EXPECT_EQ(declined.kind, UploadRun::Outcome::Kind::Declined);
    EXPECT_TRUE(declined.refillProjects);
    EXPECT_EQ(f.projects.lines().lines(), recorded);
    EXPECT_FALSE(exists(f.data.file("koefil.dfd")));
    EXPECT_FALSE(exists(f.data.file("nyweb2.dfd")));
    EXPECT_FALSE(exists(f.data.file("defil.dfd")));

    // An old queue kept: nothing changes.
    f.data.write("koefil.dfd", crlf(join({{"1"}, queued("/elsewhere/x.bin", "3", "1")})));
    f.dialogs.expectYesNo("Found old files to upload!", "Do You want to delete old file transfer?", DialogAnswer::No);
    EXPECT_EQ(f.run.start(f.projects, UploadRun::Scope::AllProjects).kind, UploadRun::Outcome::Kind::OldQueueKept);
    EXPECT_EQ(f.data.read("koefil.dfd"), crlf(join({{"1"}, queued("/elsewhere/x.bin", "3", "1")})));
    EXPECT_EQ(f.data.read("wbprj.dfd"), crlf(recorded));

    // A discard that fails (a transfer still runs it) stops the run there:
    // the old queue is neither replaced nor joined by this run's files.
    f.run.setDiscardOldQueue([] { return false; });
    f.dialogs.expectYesNo("Found old files to upload!", "Do You want to delete old file transfer?", DialogAnswer::Yes)
        .expectMessage("Unknown Error!");
    const auto failed = f.run.start(f.projects, UploadRun::Scope::AllProjects);
    EXPECT_EQ(failed.kind, UploadRun::Outcome::Kind::DiscardFailed);
    EXPECT_TRUE(failed.closeWindow);
    EXPECT_EQ(f.dialogs.pending(), 0u);
    EXPECT_EQ(f.data.read("koefil.dfd"), crlf(join({{"1"}, queued("/elsewhere/x.bin", "3", "1")})));
    EXPECT_FALSE(exists(f.data.file("nyweb2.dfd")));
    EXPECT_FALSE(exists(f.data.file("defil.dfd")));
    EXPECT_FALSE(f.run.pending());

    // Discarded through the queue's cancel action; the run then goes on.
    int discarded = 0;
    f.run.setDiscardOldQueue([&] {
        ++discarded;
        std::filesystem::remove(f.data.file("koefil.dfd"));
        f.run.cancelRun();
        return true;
    });
    f.dialogs.expectYesNo("Found old files to upload!", "Do You want to delete old file transfer?", DialogAnswer::Yes);
    EXPECT_EQ(f.uploadAll().kind, UploadRun::Outcome::Kind::HandedOver);
    EXPECT_EQ(discarded, 1);
    EXPECT_TRUE(exists(f.data.file("defil.dfd")));

    // The queue cancelled: the pending files go, the project file stays.
    f.run.cancelRun();
    EXPECT_FALSE(exists(f.data.file("nyweb2.dfd")));
    EXPECT_FALSE(exists(f.data.file("defil.dfd")));
    EXPECT_EQ(f.data.read("wbprj.dfd"), crlf(recorded));
    EXPECT_FALSE(f.run.pending());

    // A quick upload asks nothing; a selected-project run without a
    // selection does nothing.
    std::filesystem::remove(f.data.file("koefil.dfd"));
    ASSERT_TRUE(f.projects.load(f.run.currentProjectFile()));
    EXPECT_EQ(f.run.start(f.projects, UploadRun::Scope::SelectedProject).kind,
              UploadRun::Outcome::Kind::NoProjectSelected);
    EXPECT_EQ(f.run.start(f.projects, UploadRun::Scope::Quick).kind, UploadRun::Outcome::Kind::HandedOver);
}

TEST(UploadRun, RestartAndAPendingFileThatIsNotAProjectFile)
{
    RunFixture f;
    const auto recorded = join({{"1", "Site", "0", "1"}, record("/nowhere/x.html", "2", kStamp)});
    f.writeProjects(recorded);

    // After a restart the deletions still listed are carried out first.
    f.data.write("nyweb2.dfd", crlf({"1", "Site", "0", "1"}));
    const TextLineList deletionLines({"h", "u", "p", "21", "/", "x.html", "h2", "u2"});
    f.run.restoreAfterStart(true, deletionLines);
    EXPECT_TRUE(f.run.pending());
    EXPECT_TRUE(f.run.deletionsPending());
    EXPECT_EQ(f.run.deletionList().count(), 1u);
    EXPECT_EQ(f.run.currentProjectFile(), f.data.file("nyweb2.dfd"));

    // A pending file cut to nothing is never copied over the project file.
    f.data.write("nyweb2.dfd", "");
    f.dialogs.expectMessage("Please give the destination filename");
    EXPECT_EQ(f.run.finishRun(), UploadRun::EndResult::CopyFailed);
    EXPECT_EQ(f.data.read("wbprj.dfd"), crlf(recorded));
    EXPECT_TRUE(f.run.pending());

    f.data.write("nyweb2.dfd", crlf({"1", "Site", "0", "1"}));
    EXPECT_EQ(f.run.finishRun(), UploadRun::EndResult::Finished);
    EXPECT_EQ(f.data.read("wbprj.dfd"), crlf({"1", "Site", "0", "1"}));
}

TEST(UploadRun, SetUploadStatusAllStampsAndTakesInWithoutQueueing)
{
    RunFixture f;
    const std::string page = f.siteFile("a/index.html");
    const std::string fresh = f.siteFile("a/new.html");
    const std::string gone = f.site.file("a/gone.html");
    const auto recorded = join({{"1", "Site", "1", "1"}, record(page, "0", "May"), record(gone, "0", "May")});
    f.writeProjects(recorded);
    const QString question = QStringLiteral(
        "This feature is only used when all files in all Web projects are allready uploaded. Do You still want to "
        "change the status of all the files?");

    f.dialogs.expectYesNo("Change staus of all files to uploaded", question, DialogAnswer::No);
    EXPECT_FALSE(f.run.setUploadStatusAll(f.projects));
    EXPECT_EQ(f.data.read("wbprj.dfd"), crlf(recorded));

    f.dialogs.expectYesNo("Change staus of all files to uploaded", question, DialogAnswer::Yes);
    EXPECT_TRUE(f.run.setUploadStatusAll(f.projects));
    EXPECT_EQ(f.data.read("wbprj.dfd"),
              crlf(join({{"1", "Site", "1", "1"}, record(page, "0", kStamp), record(fresh, "0", kStamp),
                         record(gone, "0", "May")})));
    EXPECT_FALSE(exists(f.data.file("koefil.dfd")));
    EXPECT_FALSE(exists(f.data.file("nyweb2.dfd")));
    EXPECT_FALSE(exists(f.data.file("defil.dfd")));
}

TEST(UploadRun, ARunOfMoreThan3500FilesIsHandedOverWhole)
{
    // One recorded page in a clean folder that has since filled up: the run
    // takes every file, however many, in one queue.
    RunFixture f;
    const std::string first = f.siteFile("page0000.html");
    for (int i = 1; i <= 3600; ++i)
        f.site.write("page" + std::to_string(10000 + i) + ".html", "x");
    f.writeProjects(join({{"1", "Site", "1", "0"}, record(first, "1", "May")}));
    const auto outcome = f.uploadAll();
    EXPECT_EQ(outcome.kind, UploadRun::Outcome::Kind::HandedOver);
    EXPECT_EQ(outcome.queued, 3601u);
    EXPECT_TRUE(f.run.pending());
    TextLineList queue;
    ASSERT_TRUE(queue.loadFromFile(f.data.file("koefil.dfd")));
    EXPECT_EQ(queue[0], "3601");
    EXPECT_TRUE(looksLikeQueueFile(queue));
    EXPECT_TRUE(exists(f.data.file("nyweb2.dfd")));
}

// A folder moved away (an unmounted drive, a renamed folder) says nothing
// about the site: its files are left alone unless the user says otherwise,
// while a file missing from a folder that is there is deleted as before.
TEST(UploadRun, FilesOfAMissingFolderAreLeftAloneUnlessTheUserSaysDelete)
{
    RunFixture f;
    const std::string kept = f.siteFile("kept.html");
    const std::string gone = f.site.file("gone.html");
    const std::string news1 = f.site.file("news/one.html");
    const std::string news2 = f.site.file("news/two.html");
    const auto recorded = join({{"1", "Tidy", "0", "1"}, record(news1, "2", kStamp), record(kept, "2", "May"),
                                record(gone, "2", kStamp), record(news2, "2", kStamp, "/www/news")});
    f.writeProjects(recorded);
    std::vector<std::string> notices;
    f.run.setNotice([&](const std::string& line) { notices.push_back(line); });
    const QString question =
        QStringLiteral("The folder ") + QString::fromStdString(f.site.file("news"))
        + QStringLiteral(" is missing: delete its 2 files on the server?");

    f.dialogs.expectChoice("Folder missing", question, 1);
    auto outcome = f.uploadAll();
    ASSERT_EQ(outcome.kind, UploadRun::Outcome::Kind::HandedOver);
    EXPECT_EQ(f.dialogs.shown()[0].text, question);
    ASSERT_EQ(outcome.foldersLeftAlone.size(), 1u);
    EXPECT_EQ(outcome.foldersLeftAlone[0].files, 2u);
    EXPECT_EQ(f.run.filesLeftAlone(), 2u) << "for the line that ends the run";
    EXPECT_EQ(notices, std::vector<std::string>{"Folder " + f.site.file("news")
                                                + " is missing: its 2 files are left alone"});
    EXPECT_EQ(f.data.read("defil.dfd"), crlf({"ftp.example.org", "webmaster", "secret", "21", "/www", "gone.html"}));
    EXPECT_EQ(f.data.read("nyweb2.dfd"),
              crlf(join({{"1", "Tidy", "0", "1"}, record(news1, "2", kStamp), record(kept, "2", kStamp),
                         record(news2, "2", kStamp, "/www/news")})));

    // Said on purpose: both files go, on the server and from the project.
    f.run.cancelRun();
    std::filesystem::remove(f.data.file("koefil.dfd"));
    ASSERT_TRUE(f.projects.load(f.run.currentProjectFile()));
    notices.clear();
    f.dialogs.expectChoice("Folder missing", question, 0);
    f.dialogs.expectChoice("Many files to delete", "3 of the 4 files of project \"Tidy\"", 0);
    outcome = f.uploadAll();
    ASSERT_EQ(outcome.kind, UploadRun::Outcome::Kind::HandedOver);
    EXPECT_TRUE(outcome.foldersLeftAlone.empty());
    EXPECT_EQ(f.run.filesLeftAlone(), 0u);
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(outcome.deletions, 3u);
    EXPECT_EQ(f.data.read("nyweb2.dfd"), crlf(join({{"1", "Tidy", "0", "1"}, record(kept, "2", kStamp)})));
}

// What a clean folder's discovery takes in: new files and the files of new
// sub-folders at any depth, but no litter, nothing an ignore file names, no
// link, nothing in a hidden or linked folder or in a folder the project
// already looks after with files of its own.
TEST(UploadRun, DiscoveryTakesInNewSubFoldersAndLeavesOutLitterIgnoredFilesAndLinks)
{
    RunFixture f;
    const std::string index = f.siteFile("a/index.html");
    const std::string notClean = f.siteFile("a/kept/page.html");
    f.siteFile("a/kept/extra.html");  // its folder's only file is "not clean"
    const std::string fresh = f.siteFile("a/new.html");
    for (const char* litter : {"a/index.html~", "a/page.swp", "a/upload.tmp", "a/Thumbs.db", "a/desktop.ini",
                               "a/DESKTOP.INI", "a/.DS_Store", "a/.#index.html", "a/news/today.html~"})
        f.siteFile(litter);
    f.site.write("a/.tavlinignore", "# not for the site\r\n*.psd\r\ndrafts/\n  img/raw*  \n");
    f.siteFile("a/logo.psd");
    f.siteFile("a/drafts/draft.html");
    f.siteFile("a/news/drafts/draft.html");
    f.siteFile("a/img/raw1.png");
    const std::string picture = f.siteFile("a/img/pic.png");
    const std::string today = f.siteFile("a/news/today.html");
    const std::string old = f.siteFile("a/news/2024/old.html");
    f.siteFile("a/.git/config");
    f.siteFile("outside/secret.html");
    std::filesystem::create_directory_symlink(f.site.file("outside"), f.site.file("a/linked"));
    std::filesystem::create_symlink("/etc/passwd", f.site.file("a/passwd.txt"));

    f.writeProjects(join({{"1", "Clean", "1", "0"}, record(index, "0", kStamp), record(notClean, "2", kStamp)}));
    std::vector<std::string> notices;
    f.run.setNotice([&](const std::string& line) { notices.push_back(line); });
    const auto outcome = f.uploadAll();
    ASSERT_EQ(outcome.kind, UploadRun::Outcome::Kind::HandedOver);
    EXPECT_EQ(notices, std::vector<std::string>{"Not published, a symbolic link: " + f.site.file("a/passwd.txt")});

    // Behind the clean file: its folder's new file first, then those of the
    // new sub-folders (in the order the folders are read), with their
    // remote folders below the clean file's.
    ProjectStore pending;
    ASSERT_TRUE(pending.load(f.data.file("nyweb2.dfd")));
    ASSERT_EQ(pending.fileCount(0), 6u);
    EXPECT_EQ(pending.file(0, 0).localPath, index);
    EXPECT_EQ(pending.file(0, 1).localPath, fresh);
    EXPECT_EQ(pending.file(0, 5).localPath, notClean);
    std::map<std::string, std::string> takenIn;
    for (std::size_t j = 1; j < 5; ++j) {
        const ProjectFileEntry file = pending.file(0, j);
        takenIn[file.localPath] = file.remoteDirectory + " " + file.remoteFileName + " " + file.modeCode();
    }
    EXPECT_EQ(takenIn, (std::map<std::string, std::string>{{fresh, "/www new.html 0"},
                                                           {picture, "/www/img pic.png 1"},
                                                           {today, "/www/news today.html 0"},
                                                           {old, "/www/news/2024 old.html 0"}}));
    EXPECT_EQ(outcome.queued, 4u);
}

// The stamp counts seconds in twos: a file changed in the step in which the
// run looked at it could be changed again in that step unseen, so it is left
// marked for upload and the next run sends it again.
TEST(UploadRun, AFileChangedInTheStepOfTheScanIsSentAgainByTheNextRun)
{
    RunFixture f;
    const std::string settled = f.siteFile("settled.html");
    const std::string edited = f.siteFile("style.css");
    const std::time_t editedAt = utcTime(2006, 1, 1, 10, 0, 0);
    ASSERT_TRUE(setModifiedTime(edited, editedAt));
    f.writeProjects(join({{"1", "Site", "0", "0"}, record(settled, "2", "May"), record(edited, "2", "May")}));

    std::time_t now = editedAt + 1;
    ProjectScanner scanner(f.ascii);
    scanner.setClock([&] { return now; });
    RunLists lists;
    scanner.scan(f.projects, 0, ProjectScanner::Mode::Run, &lists);
    EXPECT_EQ(lists.queue.count(), 2u);
    EXPECT_EQ(f.projects.field(0, 0, ProjectField::UploadStamp), kStamp);
    EXPECT_EQ(f.projects.field(0, 1, ProjectField::UploadStamp), "May");

    // The next run, a step later, sends it once more and then keeps its stamp.
    now = editedAt + 2;
    lists.clear();
    scanner.scan(f.projects, 0, ProjectScanner::Mode::Run, &lists);
    ASSERT_EQ(lists.queue.count(), 1u);
    EXPECT_EQ(lists.queue.entries()[0].localPath, edited);
    EXPECT_NE(f.projects.field(0, 1, ProjectField::UploadStamp), "May");
    lists.clear();
    scanner.scan(f.projects, 0, ProjectScanner::Mode::Run, &lists);
    EXPECT_EQ(lists.queue.count(), 0u);
}

// The limit of an ordinary run's deletions is twenty: twenty missing files
// (well under half of the project) are deleted without a question, the
// twenty-first asks.
TEST(UploadRun, TwentyDeletionsGoWithoutAQuestionAndTwentyOneAsk)
{
    for (const int missing : {20, 21}) {
        SCOPED_TRACE(std::to_string(missing) + " missing files");
        RunFixture f;
        const std::string page = f.siteFile("page.html", "changed");
        std::vector<std::string> lines{"1", "Site", "0", "1"};
        const auto add = [&](const std::vector<std::string>& record) {
            lines.insert(lines.end(), record.begin(), record.end());
        };
        add(record(page, "2", "May"));
        for (int i = 0; i < 30; ++i)
            add(record(f.siteFile("kept" + std::to_string(i) + ".html"), "2", kStamp));
        for (int i = 0; i < missing; ++i)
            add(record(f.site.file("gone" + std::to_string(i) + ".html"), "2", kStamp));
        f.writeProjects(lines);
        if (missing > 20)
            f.dialogs.expectChoice("Many files to delete", "This run will delete 21 files on the server: go on?", 0);
        const UploadRun::Outcome outcome = f.run.start(f.projects, UploadRun::Scope::Quick);
        ASSERT_EQ(outcome.kind, UploadRun::Outcome::Kind::HandedOver);
        EXPECT_EQ(outcome.deletions, static_cast<std::size_t>(missing));
        EXPECT_EQ(outcome.deletionsHeldBack, 0u);
        EXPECT_EQ(f.dialogs.shown().size(), missing > 20 ? 1u : 0u);
        EXPECT_EQ(f.dialogs.pending(), 0u);
    }
}

// "Start upload ?" says what the run will do; a run that would delete many
// files, or most of a project, asks before it, the quick upload too, and
// without a Yes uploads but deletes nothing and keeps the files' records.
TEST(UploadRun, StartUploadNamesTheWorkAndManyDeletionsAskFirst)
{
    RunFixture f;
    const std::string page = f.siteFile("page.html", std::string(1500, 'x'));
    std::vector<std::string> lines{"2", "Big", "0", "1"};
    const auto add = [&](const std::vector<std::string>& record) {
        lines.insert(lines.end(), record.begin(), record.end());
    };
    add(record(page, "2", "May"));
    for (int i = 0; i < 18; ++i)
        add(record(f.site.file("old" + std::to_string(i) + ".html"), "2", kStamp));
    lines.insert(lines.end(), {"Small", "0", "1"});
    add(record(page, "2", kStamp, "/small"));
    for (int i = 0; i < 3; ++i)
        add(record(f.site.file("gone" + std::to_string(i) + ".html"), "2", kStamp, "/small"));
    f.writeProjects(lines);

    // 21 deletions in all, 18 of the 19 files of "Big": declined.
    f.dialogs.expectChoice("Many files to delete",
                           "This run will delete 21 files on the server, 18 of the 19 files of project \"Big\": go on?",
                           1);
    auto outcome = f.uploadAll();
    ASSERT_EQ(outcome.kind, UploadRun::Outcome::Kind::HandedOver);
    EXPECT_EQ(outcome.deletionsHeldBack, 21u);
    EXPECT_EQ(outcome.deletions, 0u);
    ASSERT_EQ(f.dialogs.shown().size(), 2u);
    EXPECT_EQ(f.dialogs.shown()[1].text, "Start upload ?\n1 files to upload (1.5 kB), 0 remote files to delete");
    EXPECT_EQ(f.dialogs.shown()[1].details, QString::fromStdString("Upload:\n" + page
                                                                   + " -> /www/page.html on ftp.example.org\n"));
    EXPECT_FALSE(exists(f.data.file("defil.dfd")));
    ProjectStore pending;
    ASSERT_TRUE(pending.load(f.data.file("nyweb2.dfd")));
    EXPECT_EQ(pending.fileCount(0), 19u);
    EXPECT_EQ(pending.fileCount(1), 4u);

    // Allowed, from the quick upload, which asks nothing else.
    f.run.cancelRun();
    std::filesystem::remove(f.data.file("koefil.dfd"));
    ASSERT_TRUE(f.projects.load(f.run.currentProjectFile()));
    f.dialogs.expectChoice("Many files to delete", "This run will delete 21 files", 0);
    outcome = f.run.start(f.projects, UploadRun::Scope::Quick);
    ASSERT_EQ(outcome.kind, UploadRun::Outcome::Kind::HandedOver);
    EXPECT_EQ(outcome.deletions, 21u);
    EXPECT_EQ(outcome.deletionsHeldBack, 0u);
    ASSERT_TRUE(pending.load(f.data.file("nyweb2.dfd")));
    EXPECT_EQ(pending.fileCount(0), 1u);
    EXPECT_EQ(pending.fileCount(1), 1u);

    // Few deletions, but most of a project: asked too.
    f.run.cancelRun();
    std::filesystem::remove(f.data.file("koefil.dfd"));
    f.writeProjects(join({{"1", "Small", "0", "1"}, record(page, "2", "May", "/small"),
                          record(f.site.file("gone0.html"), "2", kStamp, "/small"),
                          record(f.site.file("gone1.html"), "2", kStamp, "/small")}));
    f.dialogs.expectChoice("Many files to delete",
                           "This run will delete 2 files on the server, 2 of the 3 files of project \"Small\": go on?",
                           1);
    outcome = f.uploadAll();
    EXPECT_EQ(outcome.deletionsHeldBack, 2u);
}
