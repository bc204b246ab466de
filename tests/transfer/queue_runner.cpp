// A small driver of the transfer queue for tests that kill it: it queues
// the named files, works the queue off, and when the file named for holding
// has reached the given percentage it prints "holding" and stops dead, so
// the test can kill it with the transfer half done.
// TAVLINFTP_TEST_CONNECTIONS=N in the environment works the queue with N
// connections.
//
//   queue_runner DATA_DIR LOCAL_DIR PORT USER PASSWORD up|down REMOTE_DIR
//                HOLD_NAME HOLD_PERCENT NAME...     (downloads: NAME=SIZE)
//
// Exit status 0 when the queue ended without holding, 2 for bad arguments,
// 3 when the queue asked the user anything (no one is there to answer).
#include "core/data_files.h"
#include "services/unattended_dialogs.h"
#include "transfer/transfer_queue.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class Holder : public TransferQueueObserver {
public:
    Holder(const TransferQueue& queue, std::string name, int percent)
        : queue_(queue), name_(std::move(name)), percent_(percent)
    {
    }
    void displayChanged(const QueueDisplay&) override
    {
        // The engine's own percentage of the file: the display may show
        // another file's, or the queue's as a whole.
        for (const TransferQueue::RunningFile& running : queue_.runningFiles()) {
            if (running.entry->fileName != name_ || running.bytes == 0 || running.percentage < percent_)
                continue;
            std::printf("holding\n");
            std::fflush(stdout);
            for (;;)
                ::pause();
        }
    }
    void logLine(const std::string& line) override { std::fprintf(stderr, "%s\n", line.c_str()); }

private:
    const TransferQueue& queue_;
    std::string name_;
    int percent_;
};

std::string sizeOf(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? std::to_string(status.st_size) : "0";
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 11)
        return 2;
    const std::string dataDir = argv[1], localDir = argv[2];
    const QueueSite site{"127.0.0.1", argv[4], argv[5], argv[3]};
    const bool upload = std::string(argv[6]) == "up";
    const std::string remoteDir = argv[7];
    const DataFilePaths paths = DataFilePaths::inDirectory(dataDir);

    UnattendedDialogs dialogs(&UnattendedDialogs::refuse);
    TransferQueue queue(QueueFiles(paths.koefilDfd, paths.rstfilTxt), dialogs);
    if (const char* connections = std::getenv("TAVLINFTP_TEST_CONNECTIONS"))
        queue.setConnections(static_cast<std::size_t>(std::max(1, std::atoi(connections))));
    Holder holder(queue, argv[8], std::atoi(argv[9]));
    queue.setObserver(&holder);
    for (int i = 10; i < argc; ++i) {
        // A download is named with its remote size: NAME=SIZE.
        std::string name = argv[i], size;
        if (const std::size_t eq = name.find('='); eq != std::string::npos) {
            size = name.substr(eq + 1);
            name.resize(eq);
        }
        if (upload)
            queue.queueUpload(site, remoteDir, localDir, name, sizeOf(localDir + "/" + name), "1");
        else
            queue.queueDownload(site, remoteDir, localDir, name, size, "1");
    }
    while (queue.busy() || !queue.entries().empty()) {
        if (!queue.busy() && queue.queuePending())
            return 1;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return 0;
}
