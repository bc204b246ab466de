// The transfer queue engine against a real FTP server: whole queues up and
// down, the questions it asks, failures, aborts and restarts.
#include "core/data_files.h"
#include "support/random_bytes.h"
#include "core/own_data_files.h"
#include "core/restore_files.h"
#include "fixtures/local_ftp_server.h"
#include "queue_recorder.h"
#include "fixtures/scripted_ftp_server.h"
#include "support/scripted_dialogs.h"
#include "support/small_disk.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "transfer/transfer_queue.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The server's record of commands with the data port's address left out,
// which changes from run to run.
std::vector<std::string> withoutAddresses(std::vector<std::string> commands)
{
    for (std::string& command : commands)
        if (command.rfind("PORT ", 0) == 0)
            command = "PORT";
    return commands;
}

mode_t modeOf(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? (status.st_mode & 0777) : 0;
}

bool exists(const std::string& path)
{
    return std::filesystem::exists(path);
}

class TransferQueueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(root.path() + "/site");
        ASSERT_TRUE(server.start()) << server.lastError();
        site = QueueSite{"127.0.0.1", server.user(), server.password(), server.portText()};
        makeQueue();
    }

    void makeQueue()
    {
        queue = std::make_unique<TransferQueue>(QueueFiles(paths.koefilDfd, paths.rstfilTxt), dialogs);
        queue->setObserver(&recorder);
    }

    bool waitForEnds(std::size_t count, int timeoutMs = 30000)
    {
        return waitUntil([&] { return recorder.ends.size() >= count && !queue->busy(); }, timeoutMs);
    }

    std::string sizeText(const std::string& bytes) { return std::to_string(bytes.size()); }

    TempDir data;
    TempDir local;
    TempDir root;
    DataFilePaths paths = DataFilePaths::inDirectory(data.path());
    LocalFtpServer server{root.path()};
    ScriptedDialogs dialogs;
    QueueRecorder recorder;
    QueueSite site;
    std::unique_ptr<TransferQueue> queue;
};

// Between whole writes of the queue file, entries that leave the queue are
// noted in its journal, in any order. Whoever reads the file reads the queue
// as it stands; a note cut short, a journal of another file and one left
// without its file name nothing; start-up folds the journal into the file.
TEST(QueueFileJournal, ReadsTheQueueAsItStandsAndIsFoldedAtStart)
{
    auto entry = [](std::size_t i) {
        const std::string name = "page" + std::string(i % 7 + 1, 'x') + std::to_string(i) + ".html";
        return QueueEntry{kUploadDirection + ("/home/u/site/" + name), "host" + std::to_string(i % 3), "user",
                          "secret", "21", "/www", name, std::to_string(i * 100), i % 2 ? "1" : "0"};
    };
    auto names = [](const std::optional<QueueEntries>& queue) {
        std::vector<std::string> all;
        if (queue)
            for (const QueueEntry& e : queue->all())
                all.push_back(e.fileName);
        return all;
    };
    TempDir data;
    const std::string path = data.file("koefil.dfd");
    const std::string journal = path + ".journal";
    QueueEntries queue;
    for (std::size_t i = 0; i < 40; ++i)
        queue.append(entry(i));
    QueueFiles files(path, data.file("rstfil.txt"));
    ASSERT_TRUE(files.saveQueue(queue));
    queue.numberAsStored();
    const std::string whole = data.read("koefil.dfd");
    // Out of order, as several connections would confirm them.
    for (const std::size_t i : {0, 7, 3, 39})
        ASSERT_TRUE(files.noteLeft(queue.placeInFile(i), queue.at(i)));
    EXPECT_EQ(data.read("koefil.dfd"), whole);
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < 40; ++i)
        if (i != 0 && i != 7 && i != 3 && i != 39)
            expected.push_back(entry(i).fileName);
    QueueFiles reader(path, data.file("rstfil.txt"));
    EXPECT_EQ(names(reader.loadQueue()), expected);

    // A last note cut short by a kill names nothing; neither does a note
    // whose place holds another entry.
    {
        std::ofstream out(journal, std::ios::app | std::ios::binary);
        out << "5 " << std::string(16, '0') << "\r\n" << "12 ab";
    }
    EXPECT_EQ(names(reader.loadQueue()), expected);
    TextLineList restored, deletions;
    const DataFilePaths paths = DataFilePaths::inDirectory(data.path());
    // Start-up folds it: a plain queue file of what is left, no journal.
    ASSERT_TRUE(loadRestoreFiles(paths, restored, deletions).queueLoaded);
    EXPECT_FALSE(std::filesystem::exists(journal));
    EXPECT_EQ(restored[0], "36");
    EXPECT_EQ(names(QueueEntries::fromLines(restored)), expected);
    EXPECT_EQ(TextLineList(TextLineList::splitLines(data.read("koefil.dfd"))), restored);

    std::optional<QueueEntries> left = reader.loadQueue();
    ASSERT_TRUE(left);
    ASSERT_TRUE(files.saveQueue(*left));

    // A journal that names every entry: start-up removes the queue; a
    // journal without its queue file goes too.
    left->numberAsStored();
    for (std::size_t i = 0; i < left->count(); ++i)
        ASSERT_TRUE(files.noteLeft(left->placeInFile(i), left->at(i)));
    EXPECT_EQ(names(reader.loadQueue()), std::vector<std::string>{});
    EXPECT_FALSE(loadRestoreFiles(paths, restored, deletions).queueLoaded);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(std::filesystem::exists(journal));
    data.write("koefil.dfd.journal", "0123456789abcdef 10\r\n1 0123456789abcdef\r\n");
    loadRestoreFiles(paths, restored, deletions);
    EXPECT_FALSE(std::filesystem::exists(journal));
    // A journal left from an earlier queue (the new one was written whole
    // and a kill came before the old journal went) names nothing in the new
    // queue, even an entry that stands at a place it noted.
    QueueEntries earlier;
    for (std::size_t i = 0; i < 3; ++i)
        earlier.append(entry(i));
    ASSERT_TRUE(files.saveQueue(earlier));
    earlier.numberAsStored();
    ASSERT_TRUE(files.noteLeft(1, earlier.at(0)));
    ASSERT_TRUE(files.noteLeft(3, earlier.at(2)));
    QueueEntries later;
    for (const std::size_t i : {0, 5, 2})
        later.append(entry(i));
    ASSERT_TRUE(writeWholeFile(path, later.toText()));
    ASSERT_TRUE(std::filesystem::exists(journal));
    const std::vector<std::string> all{entry(0).fileName, entry(5).fileName, entry(2).fileName};
    EXPECT_EQ(names(reader.loadQueue()), all);
    ASSERT_TRUE(loadRestoreFiles(paths, restored, deletions).queueLoaded);
    EXPECT_EQ(names(QueueEntries::fromLines(restored)), all);
    EXPECT_EQ(names(reader.loadQueue()), all);
    std::filesystem::remove(path);

    // Never sent from the data directory by "Dir »".
    EXPECT_TRUE(OwnDataFiles::isOwnFileName("koefil.dfd.journal"));

    // A count no file could hold lines for is refused, not made room for.
    data.write("koefil.dfd", "100000000000000000000000000\r\n" + whole.substr(whole.find('\n') + 1));
    EXPECT_FALSE(loadRestoreFiles(paths, restored, deletions).queueLoaded);
    EXPECT_FALSE(reader.loadQueue());
    data.write("koefil.dfd", "41\r\n" + whole.substr(whole.find('\n') + 1));
    EXPECT_FALSE(reader.loadQueue());
}

TEST_F(TransferQueueTest, FilesGoUpAndComeDownSharingALogInPerSite)
{
    const std::string page = "<html>plain page</html>";
    const std::string picture = randomBytes(300000, 1);
    const std::string top = randomBytes(250, 2);
    local.write("index.htm", page);
    local.write("picture.bin", picture);
    local.write("top.bin", top);

    // Queued one after the other while the first is already running.
    EXPECT_EQ(queue->queueUpload(site, "/site", local.path(), "index.htm", sizeText(page), "0"),
              TransferQueue::Queued::Yes);
    EXPECT_TRUE(queue->busy());
    EXPECT_EQ(recorder.display.countText, "1 files in line ");
    queue->queueUpload(site, "/site", local.path(), "picture.bin", sizeText(picture), "1");
    queue->queueUpload(site, "/", local.path(), "top.bin", sizeText(top), "1");
    EXPECT_EQ(recorder.list, (std::vector<std::string>{"»» index.htm", "»» picture.bin", "»» top.bin"}));
    EXPECT_EQ(recorder.display.countText, "3 files in line ");
    // Written whole, for its owner only, once the loop turns after files
    // were queued (files queued in a row are written once, not once each).
    QCoreApplication::processEvents();
    TextLineList stored;
    ASSERT_TRUE(stored.loadFromFile(paths.koefilDfd));
    ASSERT_EQ(stored.size(), 28u);
    EXPECT_EQ(stored[0], "3");
    EXPECT_EQ(stored[1], "1" + local.path() + "/index.htm");
    EXPECT_EQ(stored[4], server.password());
    EXPECT_EQ(stored[9], "0");
    EXPECT_EQ(modeOf(paths.koefilDfd), 0600u);

    ASSERT_TRUE(waitForEnds(1)) << recorder.log.back();
    EXPECT_EQ(root.read("site/index.htm"), page);
    EXPECT_EQ(root.read("site/picture.bin"), picture);
    EXPECT_EQ(root.read("top.bin"), top);
    // One log-in. A folder change is one CWD, and a file in the folder of
    // the one before takes none; TYPE goes out only when the mode changes,
    // SYST once, before the first ASCII upload.
    EXPECT_EQ(withoutAddresses(server.commands()),
              (std::vector<std::string>{"USER tavlin", "PASS s3cret", "CWD /site", "TYPE A", "SYST",
                                        "PORT", "STOR index.htm", "TYPE I", "PORT", "STOR picture.bin", "CWD /",
                                        "PORT", "STOR top.bin"}));
    EXPECT_FALSE(exists(paths.koefilDfd));
    EXPECT_FALSE(recorder.display.countVisible);
    EXPECT_EQ(recorder.display.title, "Tavlinftp");
    EXPECT_TRUE(recorder.list.empty());
    EXPECT_FALSE(queue->client().Connected());
    EXPECT_TRUE(recorder.ends[0].remoteListChanged);
    EXPECT_FALSE(recorder.ends[0].localListChanged);
    EXPECT_EQ(recorder.ends[0].transferDirectory, "/");
    // A file of more than 100 bytes moved the progress button.
    EXPECT_NE(std::find(recorder.captions.begin(), recorder.captions.end(), "100%"), recorder.captions.end());

    // Down again: the second file belongs to another log-in (anonymous, with
    // an empty password field), which takes a QUIT and a new log-in. A new
    // connection knows nothing of where the last one was: folder and type
    // are set again.
    server.clearCommands();
    TempDir downloads;
    queue->queueDownload(site, "/site", downloads.path(), "picture.bin", sizeText(picture), "1");
    queue->queueDownload(QueueSite{"127.0.0.1", "anonymous", "", server.portText()}, "/", downloads.path(),
                         "top.bin", sizeText(top), "1");
    EXPECT_EQ(recorder.list, (std::vector<std::string>{"«« picture.bin", "«« top.bin"}));
    ASSERT_TRUE(waitForEnds(2)) << recorder.log.back();
    EXPECT_EQ(downloads.read("picture.bin"), picture);
    EXPECT_EQ(downloads.read("top.bin"), top);
    EXPECT_EQ(withoutAddresses(server.commands()),
              (std::vector<std::string>{"USER tavlin", "PASS s3cret", "CWD /site", "TYPE I", "PORT",
                                        "RETR picture.bin", "QUIT", "USER anonymous", "PASS tavlinftp@example.com",
                                        "CWD /", "TYPE I", "PORT", "RETR top.bin"}));
    EXPECT_FALSE(exists(paths.koefilDfd));
    EXPECT_FALSE(exists(paths.rstfilTxt));
    EXPECT_TRUE(recorder.ends[1].localListChanged);
    EXPECT_FALSE(queue->client().Connected());
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(TransferQueueTest, DownloadsAskBeforeOverwritingAndRefuseNamesOutsideTheFolder)
{
    const std::string remote = randomBytes(5000, 3);
    root.write("site/report.bin", remote);
    local.write("report.bin", "the user's own file");
    const std::string existing = local.path() + "/report.bin";

    // Names that would land outside the chosen folder are never queued.
    for (const std::string name : {"../report.bin", "sub/report.bin", ".", "..", ""}) {
        EXPECT_EQ(queue->queueDownload(site, "/site", local.path(), name, "5000", "1"),
                  TransferQueue::Queued::Refused)
            << name;
    }
    EXPECT_TRUE(recorder.logHas("refused: that name would be written outside the local folder"));
    EXPECT_TRUE(queue->entries().empty());

    // Cancel, and No with the save dialog cancelled: nothing queued.
    dialogs.expectYesNoCancel(QString::fromStdString(existing), "Overwrite File???", DialogAnswer::Cancel);
    EXPECT_EQ(queue->queueDownload(site, "/site", local.path(), "report.bin", "5000", "1"),
              TransferQueue::Queued::Cancelled);
    dialogs.expectYesNoCancel(QString::fromStdString(existing), "Overwrite File???", DialogAnswer::No)
        .expectSaveFile("report.bin", std::nullopt);
    EXPECT_EQ(queue->queueDownload(site, "/site", local.path(), "report.bin", "5000", "1"),
              TransferQueue::Queued::Cancelled);
    EXPECT_TRUE(queue->entries().empty());
    EXPECT_FALSE(queue->busy());

    // No with a new name: the download goes there and the old file stays.
    const std::string renamed = local.path() + "/report-copy.bin";
    dialogs.expectYesNoCancel(QString::fromStdString(existing), "Overwrite File???", DialogAnswer::No)
        .expectSaveFile("report.bin", QString::fromStdString(renamed));
    EXPECT_EQ(queue->queueDownload(site, "/site", local.path(), "report.bin", "5000", "1"),
              TransferQueue::Queued::Yes);
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(local.read("report-copy.bin"), remote);
    EXPECT_EQ(local.read("report.bin"), "the user's own file");

    // Yes overwrites.
    dialogs.expectYesNoCancel(QString::fromStdString(existing), "Overwrite File???", DialogAnswer::Yes);
    queue->queueDownload(site, "/site", local.path(), "report.bin", "5000", "1");
    ASSERT_TRUE(waitForEnds(2));
    EXPECT_EQ(local.read("report.bin"), remote);
}

// A name with CR or LF could never be sent (nor kept in the queue file, an
// entry a line): it is left out with a line in the log, and the files
// around it go as usual, with no question.
TEST_F(TransferQueueTest, NamesHoldingALineBreakAreSkippedWithALogLineAndTheQueueGoesOn)
{
    root.write("site/wanted.txt", "down");
    local.write("before.txt", "up 1");
    local.write("bad\nname.txt", "never");
    local.write("after.txt", "up 2");
    using Queued = TransferQueue::Queued;
    EXPECT_EQ(queue->queueUpload(site, "/site", local.path(), "before.txt", "4", "1"), Queued::Yes);
    EXPECT_EQ(queue->queueUpload(site, "/site", local.path(), "bad\nname.txt", "5", "1"), Queued::Kept);
    EXPECT_EQ(queue->queueUpload(site, "/si\rte", local.path(), "after.txt", "4", "1"), Queued::Kept);
    EXPECT_EQ(queue->queueDownload(site, "/site", local.path(), "x\r\nDELE wanted.txt", "4", "1"), Queued::Kept);
    EXPECT_EQ(queue->queueUpload(site, "/site", local.path(), "after.txt", "4", "1"), Queued::Yes);
    EXPECT_EQ(queue->queueDownload(site, "/site", local.path(), "wanted.txt", "4", "1"), Queued::Yes);
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(root.read("site/before.txt"), "up 1");
    EXPECT_EQ(root.read("site/after.txt"), "up 2");
    EXPECT_EQ(local.read("wanted.txt"), "down");
    EXPECT_EQ(root.read("site/wanted.txt"), "down");
    EXPECT_FALSE(exists(root.path() + "/site/bad\nname.txt"));
    for (const char* line : {"! \"bad\\nname.txt\" skipped: a name that holds a line break cannot be sent to an FTP server",
                             "! \"/si\\rte/after.txt\" skipped: a name that holds a line break cannot be sent to an FTP server",
                             "! \"x\\r\\nDELE wanted.txt\" skipped: a name that holds a line break cannot be sent to an FTP server"})
        EXPECT_TRUE(recorder.logHas(line)) << line;
    for (const std::string& command : server.commands())
        EXPECT_NE(command.rfind("DELE", 0), 0u) << command;
}

TEST_F(TransferQueueTest, AFailedFileIsRetriedOrRemovedAndTheQueueGoesOn)
{
    local.write("one.txt", "first");
    local.write("two.txt", "second");
    local.write("three.txt", "third");
    queue->queueUpload(site, "/site", local.path(), "one.txt", "5", "1");
    queue->queueUpload(site, "/site", local.path(), "two.txt", "6", "1");
    queue->queueUpload(site, "/site", local.path(), "three.txt", "5", "1");
    // Gone before its turn: the transfer fails, the user first tries again,
    // then removes it, and the queue goes on with the next file.
    std::filesystem::remove(local.path() + "/two.txt");
    // The question names the file and the reason.
    const QString question = ":Do You want to remove the file that caused the error from this transfer";
    const QStringList missing{QString::fromStdString("Could not upload " + local.path() + "/two.txt: "),
                              "Unable to open local file", question};
    dialogs.expectYesNoCancelContaining("Error!! ", missing, DialogAnswer::No)
        .expectMessage("Trying again! ")
        .expectYesNoCancelContaining("Error!! ", missing, DialogAnswer::Yes)
        .expectMessage("two.txt removed");

    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(root.read("site/one.txt"), "first");
    EXPECT_EQ(root.read("site/three.txt"), "third");
    EXPECT_FALSE(exists(root.path() + "/site/two.txt"));
    EXPECT_FALSE(exists(paths.koefilDfd));
    EXPECT_EQ(recorder.display.title, "Tavlinftp");

    // A wrong password is an error of a started log-in: the same question,
    // never a silent loss or a stuck queue.
    queue->queueUpload(QueueSite{"127.0.0.1", "tavlin", "wrong", server.portText()}, "/site", local.path(),
                       "one.txt", "5", "1");
    dialogs
        .expectYesNoCancelContaining("Error!! ",
                                     {QString::fromStdString("Could not upload " + local.path() + "/one.txt: 530"),
                                      question},
                                     DialogAnswer::Yes)
        .expectMessage("one.txt removed");
    ASSERT_TRUE(waitForEnds(2));
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_TRUE(queue->entries().empty());
}

TEST_F(TransferQueueTest, AServerThatCannotBeReachedLeavesTheQueuePendingForStart)
{
    local.write("page.htm", "page");
    const std::string port = server.portText();
    server.stop();
    queue->queueUpload(QueueSite{"127.0.0.1", "tavlin", "s3cret", port}, "/site", local.path(), "page.htm", "4",
                       "0");
    ASSERT_TRUE(waitUntil([&] { return !queue->busy(); }));
    EXPECT_TRUE(queue->queuePending());
    EXPECT_EQ(queue->entries().count(), 1u);
    EXPECT_TRUE(recorder.display.startVisible);
    EXPECT_EQ(recorder.display.startCaption, "Start");
    EXPECT_TRUE(recorder.logHas("No connection to 127.0.0.1 port " + port + " (500 "));
    TextLineList stored;
    ASSERT_TRUE(stored.loadFromFile(paths.koefilDfd));
    EXPECT_EQ(stored.size(), 10u);
}

TEST_F(TransferQueueTest, AHostTextThatNamesNoServerSaysWhyAndIsStoredAsTyped)
{
    local.write("page.htm", "page");
    // The port field holds the server's port; the text's own port wins, so
    // nothing may reach the server.
    const std::string typed = "ftpes://127.0.0.1:70000/www";
    queue->queueUpload(QueueSite{typed, "tavlin", "s3cret", server.portText()}, "/site", local.path(), "page.htm",
                       "4", "0");
    ASSERT_TRUE(waitUntil([&] { return !queue->busy(); }));
    EXPECT_TRUE(queue->queuePending());
    EXPECT_TRUE(recorder.logHas("No connection to " + typed + " (500 Cannot connect: the host address \"" + typed +
                                "\" has \"70000\" where a port number from 1 to 65535 belongs)"))
        << ::testing::PrintToString(recorder.log);
    EXPECT_TRUE(server.commands().empty());
    TextLineList stored;
    ASSERT_TRUE(stored.loadFromFile(paths.koefilDfd));
    ASSERT_EQ(stored.size(), 10u);
    EXPECT_EQ(stored[2], typed);   // the entry's host, after the count and the direction
}

TEST_F(TransferQueueTest, AbortedTransfersWaitForTheStartButtonAndFinishWhole)
{
    const std::string big = randomBytes(6 * 1024 * 1024, 4);
    local.write("big.bin", big);
    // The main window's abort, pressed while the file is on its way.
    recorder.onDisplay = [&](const QueueDisplay& shown) {
        if (queue->busy() && shown.percentage >= 5 && shown.startCaption != "Start")
            queue->requestAbort();
    };
    local.write("a.txt", "a");
    local.write("b.txt", "b");
    queue->queueUpload(site, "/site", local.path(), "a.txt", "1", "1");
    queue->queueUpload(site, "/site", local.path(), "b.txt", "1", "1");
    queue->queueUpload(site, "/site", local.path(), "big.bin", sizeText(big), "1");
    ASSERT_TRUE(waitUntil([&] { return !queue->busy(); }));
    recorder.onDisplay = nullptr;
    EXPECT_TRUE(recorder.logHas("! Upload of big.bin aborted"));
    EXPECT_TRUE(queue->queuePending());
    // The stopped queue is a plain queue file of what is left, with nothing
    // beside it that only this version could read.
    TextLineList stored;
    ASSERT_TRUE(stored.loadFromFile(paths.koefilDfd));
    ASSERT_EQ(stored.size(), 10u);
    EXPECT_EQ(stored[7], "big.bin");
    EXPECT_FALSE(exists(paths.koefilDfd + ".journal"));
    EXPECT_EQ(recorder.display.startCaption, "Start");
    EXPECT_TRUE(recorder.display.removeAllVisible);
    EXPECT_EQ(recorder.display.removeAllHint, "Regret transfer of " + local.path() + "/big.bin");
    queue->startButtonClicked();
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(root.read("site/big.bin"), big);

    // A download onto a file that was there: what arrived waits in the part
    // file, the user's file stays as it was until the start button has
    // resumed the download to its end.
    TempDir downloads;
    downloads.write("big.bin", "older bytes");
    recorder.onDisplay = [&](const QueueDisplay& shown) {
        if (queue->busy() && shown.percentage >= 5)
            queue->requestAbort();
    };
    server.clearCommands();
    dialogs.expectYesNoCancel(QString::fromStdString(downloads.path() + "/big.bin"), "Overwrite File???",
                              DialogAnswer::Yes);
    queue->queueDownload(site, "/site", downloads.path(), "big.bin", sizeText(big), "1");
    ASSERT_TRUE(waitUntil([&] { return !queue->busy(); }));
    recorder.onDisplay = nullptr;
    EXPECT_EQ(queue->resumeState(), TransferQueue::ResumeState::Offered);
    EXPECT_TRUE(recorder.logHas("! Download of big.bin aborted"));
    EXPECT_FALSE(recorder.logHas("Transfer request failed")) << ::testing::PrintToString(recorder.log);
    EXPECT_EQ(downloads.read("big.bin"), "older bytes");
    EXPECT_GT(downloads.read(".big.bin.tavlin-part").size(), 0u);
    EXPECT_TRUE(exists(paths.rstfilTxt));
    EXPECT_EQ(modeOf(paths.rstfilTxt), 0600u);
    queue->startButtonClicked();
    ASSERT_TRUE(waitForEnds(2));
    EXPECT_EQ(downloads.read("big.bin"), big);
    EXPECT_FALSE(exists(downloads.path() + "/.big.bin.tavlin-part"));
    const auto commands = server.commands();
    EXPECT_TRUE(std::any_of(commands.begin(), commands.end(),
                            [](const std::string& c) { return c.rfind("REST ", 0) == 0 && c != "REST 0"; }));
    EXPECT_FALSE(exists(paths.rstfilTxt));
    EXPECT_FALSE(exists(paths.koefilDfd));
}

TEST_F(TransferQueueTest, AnInterruptedDownloadResumesItsPartFileAndNeverTouchesTheUsersFile)
{
    const std::string remote = randomBytes(20000, 5);
    root.write("site/data.bin", remote);
    local.write("data.bin", "an older file of the user");
    QueueEntry entry{"2" + local.path() + "/data.bin", "127.0.0.1", "tavlin", "s3cret", server.portText(), "/site",
                     "data.bin", "20000", "1"};
    ASSERT_TRUE(ResumeRecord::forDownload(entry).toLines().saveToFile(paths.rstfilTxt));
    TextLineList restored, deletions;
    ASSERT_TRUE(loadRestoreFiles(paths, restored, deletions).resumeRecordLoaded);
    EXPECT_EQ(restored.size(), ResumeRecord::kLineCount);

    // Killed before its first byte: nothing to resume, the whole file is
    // fetched, and the user's file is replaced only by the complete one.
    queue->prepareResumeOfInterruptedDownload(restored);
    EXPECT_EQ(recorder.display.startCaption, "0%");
    EXPECT_EQ(recorder.display.startHint, "Get rest of data.bin");
    ASSERT_EQ(recorder.shownDownloads.size(), 1u);
    queue->startButtonClicked();
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(local.read("data.bin"), remote);
    for (const std::string& command : server.commands())
        EXPECT_NE(command.rfind("REST", 0), 0u) << command;

    // Killed with 8000 bytes in the part file: those are kept and the
    // rest fetched after them.
    local.write("data.bin", "an older file of the user");
    local.write(".data.bin.tavlin-part", remote.substr(0, 8000));
    server.clearCommands();
    queue->prepareResumeOfInterruptedDownload(restored);
    EXPECT_EQ(recorder.display.startCaption, "40%");
    queue->startButtonClicked();
    ASSERT_TRUE(waitForEnds(2));
    EXPECT_EQ(local.read("data.bin"), remote);
    EXPECT_FALSE(exists(local.path() + "/.data.bin.tavlin-part"));
    const auto commands = server.commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "REST 8000"), commands.end());
}

TEST_F(TransferQueueTest, RemoveAllForgetsTheQueueAndWhatTheInterruptedDownloadReceived)
{
    QueueEntries entries;
    entries.append(QueueEntry{"1" + local.path() + "/a.txt", "127.0.0.1", "tavlin", "s3cret", server.portText(),
                              "/", "a.txt", "1", "1"});
    queue->showPendingQueue(entries.toLines());
    ASSERT_TRUE(entries.toLines().saveToFile(paths.koefilDfd));
    EXPECT_EQ(recorder.list, (std::vector<std::string>{"»» a.txt"}));
    EXPECT_EQ(recorder.display.startCaption, "Start");
    EXPECT_EQ(recorder.display.startHint, "Send " + local.path() + "/a.txt");
    queue->removeAllClicked();
    EXPECT_TRUE(recorder.list.empty());
    EXPECT_FALSE(recorder.display.startVisible);
    EXPECT_FALSE(recorder.display.removeAllVisible);
    EXPECT_FALSE(exists(paths.koefilDfd));
    EXPECT_FALSE(queue->queuePending());

    local.write(".part.bin.tavlin-part", "partial");
    local.write("part.bin", "user's");
    QueueEntry download{"2" + local.path() + "/part.bin", "127.0.0.1", "tavlin", "s3cret", server.portText(), "/",
                        "part.bin", "900", "1"};
    queue->prepareResumeOfInterruptedDownload(ResumeRecord::forDownload(download).toLines());
    queue->removeAllClicked();
    EXPECT_FALSE(exists(local.path() + "/.part.bin.tavlin-part"));
    EXPECT_EQ(local.read("part.bin"), "user's");
    EXPECT_EQ(queue->resumeState(), TransferQueue::ResumeState::None);
}

TEST_F(TransferQueueTest, DeletingAnInterruptedDownloadKeepsTheFilesQueuedBehindIt)
{
    // Left by a run killed during a download, with an upload queued behind.
    local.write(".half.bin.tavlin-part", "half of it");
    local.write("half.bin", "the user's older file");
    local.write("later.txt", "queued later");
    local.write("new.txt", "queued now");
    QueueEntry download{"2" + local.path() + "/half.bin", "127.0.0.1", "tavlin", "s3cret", server.portText(),
                        "/site", "half.bin", "900", "1"};
    QueueEntries stored;
    stored.append(download);
    stored.append(QueueEntry{"1" + local.path() + "/later.txt", "127.0.0.1", "tavlin", "s3cret",
                             server.portText(), "/site", "later.txt", "12", "0"});
    ASSERT_TRUE(stored.toLines().saveToFile(paths.koefilDfd));
    ASSERT_TRUE(ResumeRecord::forDownload(download).toLines().saveToFile(paths.rstfilTxt));
    TextLineList restored, deletions;
    ASSERT_TRUE(loadRestoreFiles(paths, restored, deletions).resumeRecordLoaded);
    queue->prepareResumeOfInterruptedDownload(restored);
    EXPECT_EQ(queue->resumeState(), TransferQueue::ResumeState::Offered);

    // Cancel leaves everything as it was; OK deletes the download only.
    dialogs.expectOkCancel("Delete half.bin", false);
    EXPECT_EQ(queue->queueUpload(site, "/site", local.path(), "new.txt", "10", "0"),
              TransferQueue::Queued::Cancelled);
    EXPECT_TRUE(exists(paths.rstfilTxt));
    dialogs.expectOkCancel("Delete half.bin", true);
    EXPECT_EQ(queue->queueUpload(site, "/site", local.path(), "new.txt", "10", "0"), TransferQueue::Queued::Yes);
    EXPECT_EQ(recorder.list, (std::vector<std::string>{"»» later.txt", "»» new.txt"}));
    EXPECT_FALSE(exists(paths.rstfilTxt));
    EXPECT_FALSE(exists(local.path() + "/.half.bin.tavlin-part"));
    EXPECT_EQ(local.read("half.bin"), "the user's older file");
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(root.read("site/later.txt"), "queued later");
    EXPECT_EQ(root.read("site/new.txt"), "queued now");
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(TransferQueueTest, AFileQueuedAsAsciiThatHoldsBinaryDataGoesBinaryBothWays)
{
    // CR LF inside it would not survive an ASCII transfer to this server.
    const std::string picture = std::string("GIF89a\r\n\0\0\x01", 11) + "\r\nmore\n";
    local.write("logo.htm", picture);
    local.write("page.htm", "<p>\r\n</p>\r\n");
    queue->queueUpload(site, "/site", local.path(), "logo.htm", sizeText(picture), "0");
    queue->queueUpload(site, "/site", local.path(), "page.htm", "13", "0");
    ASSERT_TRUE(waitForEnds(1));
    EXPECT_EQ(root.read("site/logo.htm"), picture);
    EXPECT_TRUE(recorder.logHas("! logo.htm holds binary data (a NUL byte); sent in binary mode"));
    EXPECT_FALSE(recorder.logHas("page.htm holds binary data"));
    const auto commands = withoutAddresses(server.commands());
    const auto logo = std::find(commands.begin(), commands.end(), "STOR logo.htm");
    const auto page = std::find(commands.begin(), commands.end(), "STOR page.htm");
    ASSERT_NE(logo, commands.end());
    ASSERT_NE(page, commands.end());
    EXPECT_NE(std::find(commands.begin(), logo, "TYPE I"), logo);
    EXPECT_NE(std::find(logo, page, "TYPE A"), page);

    // Down again as ASCII: the text arrives with LF; the binary files are
    // fetched again in binary mode, byte for byte, the short one decided at
    // its end and the long one after its first 64 KiB. What the ASCII
    // attempt received replaces nothing.
    const std::string big = std::string("\0\r\n", 3) + randomBytes(300000, 21);
    root.write("site/big.bin", big);
    TempDir downloads;
    downloads.write("logo.htm", "the user's old logo");
    server.clearCommands();
    dialogs.expectYesNoCancel(QString::fromStdString(downloads.path() + "/logo.htm"), "Overwrite File???",
                              DialogAnswer::Yes);
    queue->queueDownload(site, "/site", downloads.path(), "logo.htm", sizeText(picture), "0");
    queue->queueDownload(site, "/site", downloads.path(), "big.bin", sizeText(big), "0");
    queue->queueDownload(site, "/site", downloads.path(), "page.htm", "13", "0");
    ASSERT_TRUE(waitForEnds(2)) << recorder.log.back();
    EXPECT_EQ(downloads.read("logo.htm"), picture);
    EXPECT_EQ(downloads.read("big.bin"), big);
    EXPECT_EQ(downloads.read("page.htm"), "<p>\n</p>\n");
    EXPECT_FALSE(exists(downloads.path() + "/.logo.htm.tavlin-part"));
    EXPECT_FALSE(exists(downloads.path() + "/.big.bin.tavlin-part"));
    EXPECT_TRUE(recorder.logHas("! logo.htm holds binary data (a NUL byte); fetched again in binary mode"));
    EXPECT_TRUE(recorder.logHas("! big.bin holds binary data (a NUL byte); fetched again in binary mode"));
    EXPECT_FALSE(recorder.logHas("page.htm holds binary data"));
    const auto fetched = withoutAddresses(server.commands());
    for (const std::string name : {"logo.htm", "big.bin"}) {
        const auto first = std::find(fetched.begin(), fetched.end(), "RETR " + name);
        ASSERT_NE(first, fetched.end()) << name;
        const auto again = std::find(first + 1, fetched.end(), "RETR " + name);
        ASSERT_NE(again, fetched.end()) << name;
        EXPECT_NE(std::find(first, again, "TYPE I"), again) << name;
    }
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(TransferQueueTest, ADownloadOntoAFullDiskLeavesTheUsersFileAndTheQueueFileFailureIsSaidOnce)
{
    SmallDisk disk(256 * 1024);
    RUN_ON_SMALL_DISK(disk);
    root.write("site/big.bin", randomBytes(1024 * 1024, 6));
    root.write("site/a.txt", "file a");
    root.write("site/b.txt", "file b");
    std::filesystem::create_directory(disk.path() + "/down");
    TempDir downloads;
    {
        std::ofstream keep(disk.file("down/big.bin"), std::ios::binary);
        keep << "precious";
    }
    // The queue file lies on the same small disk, which is full.
    const int filler = ::open(disk.file("filler").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(filler, 0);
    const std::string block(4096, 'f');
    while (::write(filler, block.data(), block.size()) > 0) {
    }
    ::close(filler);
    TransferQueue full(QueueFiles(disk.file("koefil.dfd"), disk.file("rstfil.txt")), dialogs);
    full.setObserver(&recorder);

    const QString question = ":Do You want to remove the file that caused the error from this transfer";
    dialogs.expectYesNoCancel(QString::fromStdString(disk.file("down/big.bin")), "Overwrite File???",
                              DialogAnswer::Yes)
        .expectYesNoCancelContaining("Error!! ",
                                     {QString::fromStdString("Could not download " + disk.file("down/big.bin")),
                                      question},
                                     DialogAnswer::Yes)
        .expectMessage("big.bin removed");
    full.queueDownload(site, "/site", disk.path() + "/down", "big.bin", "1048576", "1");
    full.queueDownload(site, "/site", downloads.path(), "a.txt", "6", "1");
    full.queueDownload(site, "/site", downloads.path(), "b.txt", "6", "1");
    ASSERT_TRUE(waitUntil([&] { return recorder.ends.size() == 1 && !full.busy(); }, 30000));
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(disk.read("down/big.bin"), "precious");
    EXPECT_FALSE(std::filesystem::exists(disk.file("down/.big.bin.tavlin-part")));
    EXPECT_TRUE(recorder.logHas("No space left on device")) << ::testing::PrintToString(recorder.log);
    EXPECT_EQ(downloads.read("a.txt"), "file a");
    EXPECT_EQ(downloads.read("b.txt"), "file b");
    EXPECT_EQ(std::count_if(recorder.log.begin(), recorder.log.end(),
                            [](const std::string& line) {
                                return line.find("Could not write the queue file") != std::string::npos;
                            }),
              1)
        << ::testing::PrintToString(recorder.log);
}

TEST(TransferQueueRetry, ATransferTriedAgainAfterTheServerDroppedTheConnectionLogsInAgain)
{
    ScriptedFtpServer server;
    const QByteArray pasv = "227 Entering Passive Mode (127,0,0,1,{p1},{p2})";
    server.login().expect("CWD /").reply("250 ok").expect("TYPE I").reply("200 ok")
        .expect("PASV").replyWithDataPort(pasv).expect("RETR f").reply("150 go").acceptDataConnection()
        .sendData("half").dropConnection()
        .acceptControlConnection().login().expect("CWD /").reply("250 ok").expect("TYPE I").reply("200 ok")
        .expect("PASV").replyWithDataPort(pasv).expect("RETR f").reply("150 go").acceptDataConnection()
        .sendData("whole file").closeData().reply("226 ok");
    ASSERT_TRUE(server.start());
    TempDir local;
    PassiveQueue passive;
    ScriptedDialogs& dialogs = passive.dialogs;
    QueueRecorder& recorder = passive.recorder;
    TransferQueue& queue = passive.queue;
    local.write("f", "the user's");
    dialogs.expectYesNoCancel(QString::fromStdString(local.file("f")), "Overwrite File???", DialogAnswer::Yes)
        .expectYesNoCancelContaining("Error!! ",
                                     {QString::fromStdString("Could not download " + local.file("f")),
                                      ":Do You want to remove the file that caused the error from this transfer"},
                                     DialogAnswer::No)
        .expectMessage("Trying again! ");
    queue.queueDownload(QueueSite{"127.0.0.1", "tavlin", "s3cret", server.portText().toStdString()}, "/",
                        local.path(), "f", "10", "1");
    ASSERT_TRUE(waitUntil([&] { return recorder.ends.size() == 1 && !queue.busy(); }, 30000))
        << server.failure().toStdString();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(local.read("f"), "whole file");
    EXPECT_TRUE(server.failure().isEmpty()) << server.failure().toStdString();
    const QList<QByteArray> commands = server.commands();
    EXPECT_EQ(std::count_if(commands.begin(), commands.end(), [](const QByteArray& c) { return c.startsWith("USER"); }),
              2);
}

// The folder and type a connection set are taken as known only while nothing
// can have moved the server: after a refused command the next file sets both
// again. The folder lies in a login folder other than "/", which the one CWD
// reaches as an absolute path.
TEST(TransferQueueCommands, AfterARefusedCommandTheFolderAndTypeAreSetAgain)
{
    ScriptedFtpServer server;
    const QByteArray pasv = "227 Entering Passive Mode (127,0,0,1,{p1},{p2})";
    auto upload = [&](const QByteArray& name) {
        server.expect("PASV").replyWithDataPort(pasv).acceptDataConnection().expect("STOR " + name)
            .reply("150 go").receiveDataUntilClosed().reply("226 stored");
    };
    server.login().expect("PWD").reply("257 \"/home/web\" is the current directory.")
        .expect("CWD /home/web/public_html").reply("250 ok").expect("TYPE I").reply("200 ok");
    upload("a.html");
    upload("b.html");
    server.expect("PASV").replyWithDataPort(pasv).acceptDataConnection().expect("STOR c.html")
        .reply("553 Could not create file.");
    server.expect("CWD /home/web/public_html").reply("250 ok").expect("TYPE I").reply("200 ok");
    upload("d.html");
    ASSERT_TRUE(server.start());
    TempDir local;
    PassiveQueue passive;
    ScriptedDialogs& dialogs = passive.dialogs;
    QueueRecorder& recorder = passive.recorder;
    TransferQueue& queue = passive.queue;
    dialogs.expectYesNoCancelContaining("Error!! ", {QStringLiteral("553 Could not create file.")}, DialogAnswer::Yes)
        .expectMessage("c.html removed");
    const QueueSite site{"127.0.0.1", "tavlin", "s3cret", server.portText().toStdString()};
    for (const char* name : {"a.html", "b.html", "c.html", "d.html"}) {
        local.write(name, std::string("page ") + name);
        queue.queueUpload(site, "public_html", local.path(), name, "11", "1");
    }
    ASSERT_TRUE(waitUntil([&] { return recorder.ends.size() == 1 && !queue.busy(); }, 30000))
        << server.failure().toStdString();
    EXPECT_TRUE(server.failure().isEmpty()) << server.failure().toStdString();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(server.commands().count("CWD /home/web/public_html"), 2);
    EXPECT_EQ(server.commands().count("TYPE I"), 2);
    EXPECT_EQ(server.receivedData(), QByteArray("page a.htmlpage b.htmlpage d.html"));
}

}  // namespace
