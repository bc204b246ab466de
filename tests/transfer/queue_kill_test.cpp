// A queue killed in the middle of its work (SIGKILL, nothing flushed, no
// handler run) is found whole at the next start and finishes byte-identical.
#include "core/data_files.h"
#include "support/random_bytes.h"
#include "core/restore_files.h"
#include "fixtures/local_ftp_server.h"
#include "queue_recorder.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "transfer/transfer_queue.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <sys/stat.h>

namespace {

mode_t modeOf(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? (status.st_mode & 0777) : 0;
}

class QueueKillTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(root.path() + "/site");
        ASSERT_TRUE(server.start()) << server.lastError();
    }

    // Runs the queue driver until it holds in the middle of `holdName`, then
    // kills it.
    void runAndKill(const QStringList& tail)
    {
        QProcess runner;
        QStringList arguments{QString::fromStdString(data.path()), QString::fromStdString(local.path()),
                              QString::fromStdString(server.portText()), "tavlin", "s3cret"};
        arguments += tail;
        runner.start(QStringLiteral(TAVLIN_QUEUE_RUNNER), arguments);
        ASSERT_TRUE(runner.waitForStarted());
        QByteArray said;
        const bool held = waitUntil(
            [&] {
                said += runner.readAllStandardOutput();
                return said.contains("holding") || runner.state() == QProcess::NotRunning;
            },
            60000);
        if (!held)
            runner.kill();
        ASSERT_TRUE(held) << runner.readAllStandardError().toStdString();
        ASSERT_EQ(runner.state(), QProcess::Running) << runner.readAllStandardError().toStdString();
        runner.kill();  // SIGKILL
        ASSERT_TRUE(runner.waitForFinished());
    }

    TempDir data;
    TempDir local;
    TempDir root;
    DataFilePaths paths = DataFilePaths::inDirectory(data.path());
    LocalFtpServer server{root.path()};
    ScriptedDialogs dialogs;
    QueueRecorder recorder;
};

TEST_F(QueueKillTest, AKilledUploadQueueComesBackPendingAndAKilledDownloadResumes)
{
    const std::string first = randomBytes(3 * 1024 * 1024, 1);
    const std::string second = randomBytes(4 * 1024 * 1024, 2);
    const std::string third = randomBytes(300, 3);
    local.write("first.bin", first);
    local.write("second.bin", second);
    local.write("third.bin", third);
    runAndKill({"up", "/site", "second.bin", "20", "first.bin", "second.bin", "third.bin"});

    // The first file was done before the kill; the file still holds the two
    // after it, owner-readable only.
    TextLineList restored, deletions;
    StartupFlags flags = loadRestoreFiles(paths, restored, deletions);
    ASSERT_TRUE(flags.queueLoaded);
    EXPECT_EQ(restored.size(), 19u);
    EXPECT_EQ(restored[7], "second.bin");
    EXPECT_EQ(modeOf(paths.koefilDfd), 0600u);

    {
        TransferQueue queue(QueueFiles(paths.koefilDfd, paths.rstfilTxt), dialogs);
        queue.setObserver(&recorder);
        queue.showPendingQueue(restored);
        EXPECT_EQ(recorder.display.startCaption, "Start");
        EXPECT_EQ(recorder.list, (std::vector<std::string>{"»» second.bin", "»» third.bin"}));
        queue.startButtonClicked();
        ASSERT_TRUE(waitUntil([&] { return recorder.ends.size() == 1 && !queue.busy(); }, 30000));
    }
    EXPECT_EQ(root.read("site/first.bin"), first);
    EXPECT_EQ(root.read("site/second.bin"), second);
    EXPECT_EQ(root.read("site/third.bin"), third);
    EXPECT_FALSE(std::filesystem::exists(paths.koefilDfd));

    // A download killed half way: the resume record offers it with the
    // share already on disk, and the start button fetches only the rest.
    const std::string big = randomBytes(24 * 1024 * 1024, 4);
    root.write("site/big.bin", big);
    runAndKill({"down", "/site", "big.bin", "30", "big.bin=" + QString::number(big.size())});
    restored.clear();
    flags = loadRestoreFiles(paths, restored, deletions);
    ASSERT_TRUE(flags.resumeRecordLoaded);
    EXPECT_EQ(modeOf(paths.rstfilTxt), 0600u);
    EXPECT_FALSE(std::filesystem::exists(local.path() + "/big.bin"));
    const auto present = std::filesystem::file_size(local.path() + "/.big.bin.tavlin-part");
    ASSERT_GT(present, 0u);
    ASSERT_LT(present, big.size());

    server.clearCommands();
    TransferQueue queue(QueueFiles(paths.koefilDfd, paths.rstfilTxt), dialogs);
    recorder.ends.clear();
    queue.setObserver(&recorder);
    queue.prepareResumeOfInterruptedDownload(restored);
    EXPECT_EQ(recorder.display.startCaption, std::to_string(present / (big.size() / 100)) + "%");
    queue.startButtonClicked();
    ASSERT_TRUE(waitUntil([&] { return recorder.ends.size() == 1 && !queue.busy(); }, 30000));
    EXPECT_EQ(local.read("big.bin"), big);
    const auto commands = server.commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "REST " + std::to_string(present)), commands.end());
    EXPECT_FALSE(std::filesystem::exists(paths.rstfilTxt));
}


// A queue of 5,000 files killed the moment the server has confirmed its
// 1,500th file, before the queue has noted it: the next start finds every
// file not yet noted, the one in flight included, and finishes the queue
// with each file on the server whole and only that one sent twice.
TEST_F(QueueKillTest, AQueueOf5000FilesKilledHalfWayLosesNoneAndSendsOnlyTheFileInFlightAgain)
{
    constexpr int kFiles = 5000;
    constexpr int kKilledAt = 1500;
    auto nameOf = [](int i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%04d.txt", i);
        return std::string(name);
    };
    QStringList arguments{QString::fromStdString(data.path()), QString::fromStdString(local.path()),
                          QString::fromStdString(server.portText()), "tavlin", "s3cret", "up", "/site", "-", "101"};
    for (int i = 0; i < kFiles; ++i) {
        local.write(nameOf(i), std::to_string(i * 7919));
        arguments << QString::fromStdString(nameOf(i));
    }
    QProcess runner;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TAVLINFTP_TEST_KILL_AT", "transferred:" + QString::number(kKilledAt));
    runner.setProcessEnvironment(environment);
    runner.start(QStringLiteral(TAVLIN_QUEUE_RUNNER), arguments);
    ASSERT_TRUE(runner.waitForStarted());
    ASSERT_TRUE(waitUntil([&] { return runner.state() == QProcess::NotRunning; }, 120000));
    ASSERT_EQ(runner.exitStatus(), QProcess::CrashExit) << runner.readAllStandardError().toStdString();

    TextLineList restored, deletions;
    ASSERT_TRUE(loadRestoreFiles(paths, restored, deletions).queueLoaded);
    EXPECT_FALSE(std::filesystem::exists(paths.koefilDfd + ".journal"));
    ASSERT_EQ(restored[0], std::to_string(kFiles - kKilledAt + 1));
    EXPECT_EQ(restored[7], nameOf(kKilledAt - 1));
    {
        TransferQueue queue(QueueFiles(paths.koefilDfd, paths.rstfilTxt), dialogs);
        queue.setObserver(&recorder);
        ASSERT_TRUE(queue.showPendingQueue(restored));
        queue.startButtonClicked();
        ASSERT_TRUE(waitUntil([&] { return recorder.ends.size() == 1 && !queue.busy(); }, 240000));
    }
    EXPECT_FALSE(std::filesystem::exists(paths.koefilDfd));
    int wrong = 0;
    for (int i = 0; i < kFiles; ++i)
        wrong += root.read("site/" + nameOf(i)) != std::to_string(i * 7919);
    EXPECT_EQ(wrong, 0);
    std::map<std::string, int> stores;
    for (const std::string& command : server.commands())
        if (command.rfind("STOR ", 0) == 0)
            ++stores[command.substr(5)];
    EXPECT_EQ(stores.size(), static_cast<std::size_t>(kFiles));
    for (const auto& [name, sent] : stores)
        EXPECT_EQ(sent, name == nameOf(kKilledAt - 1) ? 2 : 1) << name;
}

// A queue worked off by three connections, killed the moment the server has
// confirmed its 20th file: the files not yet confirmed are all still queued,
// so the next start sends again only what was in flight, at most one file
// per connection, and the server ends with every file whole.
TEST_F(QueueKillTest, AQueueOfThreeConnectionsKilledSendsAtMostThreeFilesAgain)
{
    constexpr int kFiles = 60;
    constexpr int kKilledAt = 20;
    auto nameOf = [](int i) { return "p" + std::to_string(i) + ".bin"; };
    auto bytesOf = [](int i) { return randomBytes(i % 3 == 0 ? 400000 : 3000 + i, static_cast<unsigned>(i) + 7); };
    QStringList arguments{QString::fromStdString(data.path()), QString::fromStdString(local.path()),
                          QString::fromStdString(server.portText()), "tavlin", "s3cret", "up", "/site", "-", "101"};
    for (int i = 0; i < kFiles; ++i) {
        local.write(nameOf(i), bytesOf(i));
        arguments << QString::fromStdString(nameOf(i));
    }
    QProcess runner;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TAVLINFTP_TEST_KILL_AT", "transferred:" + QString::number(kKilledAt));
    environment.insert("TAVLINFTP_TEST_CONNECTIONS", "3");
    runner.setProcessEnvironment(environment);
    runner.start(QStringLiteral(TAVLIN_QUEUE_RUNNER), arguments);
    ASSERT_TRUE(runner.waitForStarted());
    ASSERT_TRUE(waitUntil([&] { return runner.state() == QProcess::NotRunning; }, 120000));
    ASSERT_EQ(runner.exitStatus(), QProcess::CrashExit) << runner.readAllStandardError().toStdString();
    int loggedIn = 0;
    for (const std::string& command : server.commands())
        loggedIn += command.rfind("USER ", 0) == 0;
    EXPECT_EQ(loggedIn, 3);

    // Every file whose transfer the server had not confirmed is queued, and
    // the one it had just confirmed too: only the 19 before it are gone.
    TextLineList restored, deletions;
    ASSERT_TRUE(loadRestoreFiles(paths, restored, deletions).queueLoaded);
    ASSERT_EQ(restored[0], std::to_string(kFiles - kKilledAt + 1));
    {
        TransferQueue queue(QueueFiles(paths.koefilDfd, paths.rstfilTxt), dialogs);
        queue.setConnections(3);
        queue.setObserver(&recorder);
        ASSERT_TRUE(queue.showPendingQueue(restored));
        queue.startButtonClicked();
        ASSERT_TRUE(waitUntil([&] { return recorder.ends.size() == 1 && !queue.busy(); }, 120000));
    }
    EXPECT_FALSE(std::filesystem::exists(paths.koefilDfd));
    for (int i = 0; i < kFiles; ++i)
        EXPECT_EQ(root.read("site/" + nameOf(i)), bytesOf(i)) << nameOf(i);
    std::map<std::string, int> stores;
    for (const std::string& command : server.commands())
        if (command.rfind("STOR ", 0) == 0)
            ++stores[command.substr(5)];
    EXPECT_EQ(stores.size(), static_cast<std::size_t>(kFiles));
    int sentAgain = 0;
    for (const auto& [name, sent] : stores) {
        EXPECT_LE(sent, 2) << name;
        sentAgain += sent > 1;
    }
    EXPECT_GE(sentAgain, 1);
    EXPECT_LE(sentAgain, 3);
}

}  // namespace
