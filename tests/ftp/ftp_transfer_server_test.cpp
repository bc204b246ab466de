// Transfers against a real FTP server, in active and in passive mode.
#include "fixtures/local_ftp_server.h"
#include "support/random_bytes.h"
#include "ftp_event_log.h"
#include "support/temp_dir.h"
#include "support/wait.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>

namespace {

// The same, four bytes per draw: quicker for large files.
std::string randomWords(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; i += 4) {
        const std::uint32_t word = generator();
        std::memcpy(bytes.data() + i, &word, std::min<std::size_t>(4, size - i));
    }
    return bytes;
}

int openDescriptors()
{
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir))
            ++count;
        ::closedir(dir);
    }
    return count;
}

using Done = std::pair<TFtpRequest, int>;

class FtpTransferServer : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start()) << server.lastError();
        pointAt(client, server.portText(), server.user(), server.password());
        client.SetPassive(GetParam());
        ASSERT_EQ(run(&TCustomFtpCli::BeginLogin), Done(ftpRqLogin, 0));
        ASSERT_EQ(run(&TCustomFtpCli::BeginSetBinary), Done(ftpRqSetType, 0));
        server.clearCommands();
    }

    Done run(void (TCustomFtpCli::*begin)())
    {
        const std::size_t before = log.done.size();
        (client.*begin)();
        if (!log.waitDone(before + 1, 20000))
            return {ftpRqNone, -1};
        return log.done.back();
    }

    TempDir root;
    TempDir local;
    LocalFtpServer server{root.path()};
    TFtpClient client;
    FtpEventLog log{client};
};

} // namespace

TEST_P(FtpTransferServer, RoundTripsAreByteIdentical)
{
    const std::size_t sizes[] = {0, 1, 1514, 1 << 20, 20 << 20};
    unsigned seed = 1;
    for (std::size_t size : sizes) {
        SCOPED_TRACE("size " + std::to_string(size));
        const std::string name = "file" + std::to_string(size) + ".bin";
        const std::string bytes = randomBytes(size, seed++);
        local.write(name, bytes);

        client.SetLocalFileName(local.file(name));
        client.SetHostFileName(name);
        ASSERT_EQ(run(&TCustomFtpCli::BeginPutFile), Done(ftpRqPutFile, 0)) << client.ErrorMessage();
        EXPECT_EQ(client.ByteCount(), static_cast<std::int64_t>(size));
        ASSERT_EQ(root.read(name), bytes);

        client.SetLocalFileName(local.file("back-" + name));
        ASSERT_EQ(run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 0)) << client.ErrorMessage();
        EXPECT_EQ(client.ByteCount(), static_cast<std::int64_t>(size));
        ASSERT_EQ(local.read("back-" + name), bytes);
    }
    // Every transfer ends with its statistics line.
    const auto stats = std::count_if(log.display.begin(), log.display.end(), [](const std::string& line) {
        return line.find(" bytes received/sent in ") != std::string::npos;
    });
    EXPECT_EQ(stats, 10);
}

TEST_P(FtpTransferServer, FiftyMebibyteUploadArrivesByteIdentical)
{
    // Large enough that the upload runs through many windows of the file,
    // with the kernel full in between.
    const std::string bytes = randomWords(50 << 20, 11);
    local.write("fifty.bin", bytes);
    client.SetLocalFileName(local.file("fifty.bin"));
    client.SetHostFileName("fifty.bin");
    const std::size_t before = log.done.size();
    client.BeginPutFile();
    ASSERT_TRUE(log.waitDone(before + 1, 120000));
    ASSERT_EQ(log.done.back(), Done(ftpRqPutFile, 0)) << client.ErrorMessage();
    EXPECT_EQ(client.ByteCount(), static_cast<std::int64_t>(bytes.size()));
    const std::string stored = root.read("fifty.bin");
    EXPECT_EQ(stored.size(), bytes.size());
    EXPECT_TRUE(stored == bytes) << "the stored file differs from the local one";

    // Progress runs from the start of the file up to its size, never back,
    // and comes as the data goes out, not only once per block of the file:
    // an abort asked for from OnProgress must not wait long on a slow line.
    ASSERT_GT(log.progress.size(), 2u);
    EXPECT_EQ(log.progress.front(), 0);
    EXPECT_EQ(log.progress.back(), static_cast<std::int64_t>(bytes.size()));
    EXPECT_TRUE(std::is_sorted(log.progress.begin(), log.progress.end()));
    std::int64_t widestStep = 0;
    for (std::size_t i = 1; i < log.progress.size(); ++i)
        widestStep = std::max(widestStep, log.progress[i] - log.progress[i - 1]);
    EXPECT_LE(widestStep, 128 * 1024);
    EXPECT_NE(std::find_if(log.display.begin(), log.display.end(),
                           [](const std::string& line) {
                               return line.rfind("! 52428800 bytes received/sent in ", 0) == 0;
                           }),
              log.display.end());
}

TEST_P(FtpTransferServer, ResumedDownloadContinuesAnExistingLocalFile)
{
    const std::string bytes = randomBytes(300000, 7);
    root.write("big.bin", bytes);
    local.write("big.bin", bytes.substr(0, 1000));
    client.SetLocalFileName(local.file("big.bin"));
    client.SetHostFileName("big.bin");
    ASSERT_EQ(run(&TCustomFtpCli::BeginResumeGetFile), Done(ftpRqResumeGetFile, 0)) << client.ErrorMessage();
    EXPECT_EQ(local.read("big.bin"), bytes);
    ASSERT_FALSE(log.progress.empty());
    EXPECT_EQ(log.progress.front(), 1000);
    EXPECT_GT(log.progress.back(), 1000);
    EXPECT_LE(log.progress.back(), 300000);
    EXPECT_EQ(client.ResumeAt(), 0);
    const auto commands = server.commands();
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[1], "REST 1000");
    EXPECT_EQ(commands[2], "RETR big.bin");

    // Without a local file there is nothing to resume: no REST at all.
    server.clearCommands();
    log.progress.clear();
    client.SetLocalFileName(local.file("fresh.bin"));
    ASSERT_EQ(run(&TCustomFtpCli::BeginResumeGetFile), Done(ftpRqResumeGetFile, 0));
    EXPECT_EQ(local.read("fresh.bin"), bytes);
    EXPECT_EQ(log.progress.front(), 0);
    for (const auto& command : server.commands())
        EXPECT_NE(command.rfind("REST", 0), 0u) << command;
}

TEST_P(FtpTransferServer, AppendAddsToTheRemoteFile)
{
    root.write("log.txt", "first part|");
    local.write("more.txt", "second part");
    client.SetLocalFileName(local.file("more.txt"));
    client.SetHostFileName("log.txt");
    ASSERT_EQ(run(&TCustomFtpCli::BeginAppendFile), Done(ftpRqAppendFile, 0));
    EXPECT_EQ(root.read("log.txt"), "first part|second part");
}

TEST_P(FtpTransferServer, ListingGoesToAFileAndNamesToOnDisplayFile)
{
    root.write("alpha.txt", "a");
    root.write("beta.txt", "bb");
    root.write("sub/inner.txt", "c");
    client.SetLocalFileName(local.file("FTPDIRL.TXT"));
    client.SetHostFileName("");
    ASSERT_EQ(run(&TCustomFtpCli::BeginListDir), Done(ftpRqListDir, 0));
    const std::string listing = local.read("FTPDIRL.TXT");
    EXPECT_NE(listing.find("alpha.txt\r\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("beta.txt\r\n"), std::string::npos);
    EXPECT_NE(listing.find("sub\r\n"), std::string::npos);
    EXPECT_EQ(listing[0], '-') << "long listing layout expected: " << listing;

    client.SetDisplayFileFlag(true);
    ASSERT_EQ(run(&TCustomFtpCli::BeginListNames), Done(ftpRqListNames, 0));
    auto names = log.displayFile;
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"alpha.txt", "beta.txt", "sub"}));
    EXPECT_EQ(server.commands().back(), "NLST");
}

TEST_P(FtpTransferServer, FailuresEndOnceLeaveNoOpenFileAndTheClientReady)
{
    const int descriptors = openDescriptors();

    client.SetLocalFileName(local.file("does-not-exist"));
    client.SetHostFileName("up.bin");
    EXPECT_EQ(run(&TCustomFtpCli::BeginPutFile), Done(ftpRqPutFile, 426));
    EXPECT_EQ(client.ErrorMessage(), "426 Unable to open local file " + local.file("does-not-exist"));

    client.SetLocalFileName(local.file("no-such-dir/x.bin"));
    client.SetHostFileName("remote-missing.bin");
    root.write("remote-missing.bin", "data");
    EXPECT_EQ(run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 550));
    EXPECT_EQ(client.LastResponse(), "Unable to open local file " + local.file("no-such-dir/x.bin"));

    std::filesystem::remove(root.file("remote-missing.bin"));
    client.SetLocalFileName(local.file("x.bin"));
    EXPECT_EQ(run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 550));
    EXPECT_EQ(client.ErrorMessage().substr(0, 4), "550 ");

    EXPECT_EQ(client.State(), ftpStateReady);
    EXPECT_EQ(openDescriptors(), descriptors);
    pumpEventsFor(50);
    EXPECT_EQ(log.done.size(), 5u) << "each request ends exactly once";

    // And the next transfer works on the same connection.
    local.write("ok.bin", "fine");
    client.SetLocalFileName(local.file("ok.bin"));
    client.SetHostFileName("ok.bin");
    EXPECT_EQ(run(&TCustomFtpCli::BeginPutFile), Done(ftpRqPutFile, 0));
    EXPECT_EQ(root.read("ok.bin"), "fine");
}

TEST_P(FtpTransferServer, ProgressAbortEndsTheTransferWithAnError)
{
    const std::string bytes = randomBytes(4 << 20, 3);
    local.write("abort.bin", bytes);
    client.OnProgress = [](TCustomFtpCli*, std::int64_t count, bool& abort) { abort = count > 100000; };
    client.SetLocalFileName(local.file("abort.bin"));
    client.SetHostFileName("abort.bin");
    const Done done = run(&TCustomFtpCli::BeginPutFile);
    EXPECT_EQ(done.first, ftpRqPutFile);
    EXPECT_NE(done.second, 0);
    EXPECT_NE(std::find(log.display.begin(), log.display.end(), "! Abort requested"), log.display.end());
    EXPECT_LT(root.read("abort.bin").size(), bytes.size());
    EXPECT_EQ(client.State(), ftpStateReady);
}

INSTANTIATE_TEST_SUITE_P(Modes, FtpTransferServer, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Passive" : "Active";
                         });
