// Several transfer connections working one queue against a real server:
// each file goes once and arrives whole, and a server that takes fewer
// connections than asked for is worked with the ones it takes.
#include "core/data_files.h"
#include "fixtures/local_ftp_server.h"
#include "queue_recorder.h"
#include "support/random_bytes.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "transfer/transfer_queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

namespace {

// Notes which connections spoke, beside what the recorder keeps.
class ConnectionRecorder : public QueueRecorder {
public:
    void connectionLogLine(int connection, const std::string& line) override
    {
        connections.insert(connection);
        logLine(line);
    }
    std::set<int> connections;
};

class QueueConnectionsTest : public ::testing::Test {
protected:
    void startServer(LocalFtpServer::Options options = {})
    {
        std::filesystem::create_directories(root.path() + "/site/pages");
        server = std::make_unique<LocalFtpServer>(root.path(), options);
        ASSERT_TRUE(server->start()) << server->lastError();
        site = QueueSite{"127.0.0.1", server->user(), server->password(), server->portText()};
        queue = std::make_unique<TransferQueue>(QueueFiles(paths.koefilDfd, paths.rstfilTxt), dialogs);
        queue->setObserver(&recorder);
        QObject::connect(queue.get(), &TransferQueue::fileFailed, [this](const QueueEntry& entry) {
            failed.push_back(entry.fileName);
        });
    }

    // `count` files of assorted sizes, alternately into /site and into
    // /site/pages, queued one after the other as the upload button does.
    std::map<std::string, std::string> queueFiles(int count)
    {
        std::map<std::string, std::string> files;
        for (int i = 0; i < count; ++i) {
            const std::string name = "file" + std::to_string(i / 2) + ".bin";
            const std::string bytes = randomBytes(static_cast<std::size_t>(i % 4 == 0 ? 700000 : 1000 + i * 37),
                                                  static_cast<unsigned>(i + 1));
            const bool inPages = i % 2 == 1;
            TempDir& folder = inPages ? pagesDir : local;
            folder.write(name, bytes);
            files[(inPages ? "site/pages/" : "site/") + name] = bytes;
            EXPECT_EQ(queue->queueUpload(site, inPages ? "/site/pages" : "/site", folder.path(), name,
                                         std::to_string(bytes.size()), "1"),
                      TransferQueue::Queued::Yes);
        }
        return files;
    }

    bool waitForEnd() { return waitUntil([&] { return recorder.ends.size() == 1 && !queue->busy(); }, 60000); }

    std::map<std::string, int> storesPerFile() const
    {
        std::map<std::string, int> stores;
        for (const std::string& command : server->commands())
            if (command.rfind("STOR ", 0) == 0)
                ++stores[command.substr(5)];
        return stores;
    }

    long logIns() const
    {
        const std::vector<std::string> commands = server->commands();
        return std::count_if(commands.begin(), commands.end(),
                             [](const std::string& command) { return command.rfind("USER ", 0) == 0; });
    }

    TempDir data;
    TempDir local;
    TempDir pagesDir;
    TempDir root;
    DataFilePaths paths = DataFilePaths::inDirectory(data.path());
    std::unique_ptr<LocalFtpServer> server;
    ScriptedDialogs dialogs;
    ConnectionRecorder recorder;
    QueueSite site;
    std::unique_ptr<TransferQueue> queue;
    std::vector<std::string> failed;
};

TEST_F(QueueConnectionsTest, ThreeConnectionsWorkOneQueueAndSendEachFileOnceAndWhole)
{
    startServer();
    queue->setConnections(3);
    const std::map<std::string, std::string> files = queueFiles(24);
    ASSERT_TRUE(waitForEnd()) << recorder.log.back();

    for (const auto& [path, bytes] : files)
        EXPECT_EQ(root.read(path), bytes) << path;
    const std::map<std::string, int> stores = storesPerFile();
    EXPECT_EQ(stores.size(), 12u);  // two folders hold files of the same names
    for (const auto& [name, sent] : stores)
        EXPECT_EQ(sent, 2) << name << " is in both folders and goes once into each";
    // Three log-ins of their own, each connection's lines told apart.
    EXPECT_EQ(logIns(), 3);
    EXPECT_EQ(recorder.connections, (std::set<int>{1, 2, 3}));
    EXPECT_TRUE(failed.empty());
    EXPECT_TRUE(recorder.list.empty());
    EXPECT_FALSE(std::filesystem::exists(paths.koefilDfd));
    for (TFtpClient* client : queue->clients())
        EXPECT_FALSE(client->Connected());
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(QueueConnectionsTest, AFurtherConnectionTheServerRefusesLowersTheirNumberAndNoFileFails)
{
    LocalFtpServer::Options options;
    options.maxConnectionsPerIp = 2;
    startServer(options);
    queue->setConnections(4);
    const std::map<std::string, std::string> files = queueFiles(16);
    ASSERT_TRUE(waitForEnd()) << recorder.log.back();

    for (const auto& [path, bytes] : files)
        EXPECT_EQ(root.read(path), bytes) << path;
    for (const auto& [name, sent] : storesPerFile())
        EXPECT_EQ(sent, 2) << name;
    EXPECT_TRUE(failed.empty());
    // Said once, however often the server refused.
    const long said = std::count_if(recorder.log.begin(), recorder.log.end(), [](const std::string& line) {
        return line.find("! The server refused a further connection") == 0;
    });
    EXPECT_EQ(said, 1);
    EXPECT_TRUE(recorder.logHas("the queue goes on with 2 connections")) << recorder.log.back();
    EXPECT_EQ(logIns(), 2);
    EXPECT_FALSE(std::filesystem::exists(paths.koefilDfd));
    EXPECT_EQ(dialogs.pending(), 0u);

    // The next run asks for four again, and is worked with two again.
    recorder.ends.clear();
    recorder.log.clear();
    local.write("again.bin", "again");
    queue->queueUpload(site, "/site", local.path(), "again.bin", "5", "1");
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(root.read("site/again.bin"), "again");
    EXPECT_TRUE(failed.empty());
}

// A server that takes fewer connections than asked for and turns the others
// away late (a server that starts a process per connection refuses one
// only once that process runs, after the first log-in has sent files): no
// file fails, the connections it holds (as many as it holds) work the queue
// off, and the refusal is said once, the connections' own lines being no
// errors. Turned away at connect (421), or at USER with 530 "too many
// connections".
TEST_F(QueueConnectionsTest, LateRefusalsOfFurtherConnectionsLeaveTheOnesHeldToWorkTheQueueOff)
{
    struct Case {
        const char* name;
        int connectionsHeld;
        bool atLogIn;
    };
    for (const Case& each : {Case{"one held, 421 at connect", 1, false}, Case{"two held, 421 at connect", 2, false},
                             Case{"one held, 530 at USER", 1, true}}) {
        SCOPED_TRACE(each.name);
        std::filesystem::remove_all(root.path() + "/site");
        LocalFtpServer::Options options;
        (each.atLogIn ? options.loginsPerIp : options.maxConnectionsPerIp) = each.connectionsHeld;
        options.refusalDelayMs = 1500;
        recorder = ConnectionRecorder();
        failed.clear();
        ASSERT_NO_FATAL_FAILURE(startServer(options));
        queue->setConnections(4);
        const std::map<std::string, std::string> files = queueFiles(12);
        const bool ended = waitForEnd();
        EXPECT_TRUE(ended) << ::testing::PrintToString(recorder.log);
        if (!ended) {
            queue.reset();
            server.reset();
            continue;
        }

        for (const auto& [path, bytes] : files)
            EXPECT_EQ(root.read(path), bytes) << path;
        EXPECT_TRUE(failed.empty());
        EXPECT_EQ(dialogs.pending(), 0u);
        const std::string held = each.connectionsHeld == 1 ? "1 connection" : "2 connections";
        const long said = std::count_if(recorder.log.begin(), recorder.log.end(), [](const std::string& line) {
            return line.find("! The server refused a further connection") == 0;
        });
        EXPECT_EQ(said, 1);
        EXPECT_TRUE(recorder.logHas("the queue goes on with " + held)) << ::testing::PrintToString(recorder.log);
        const long errorLines = std::count_if(recorder.log.begin(), recorder.log.end(), [](const std::string& line) {
            return line.find("! Transfer request failed") == 0;
        });
        EXPECT_EQ(errorLines, 0) << ::testing::PrintToString(recorder.log);
        // Each file once, on the connections held.
        for (const auto& [name, sent] : storesPerFile())
            EXPECT_EQ(sent, 2) << name;
        EXPECT_FALSE(std::filesystem::exists(paths.koefilDfd));
        queue.reset();
        server.reset();
    }
}

}  // namespace
