// Works one queue off with the transfer queue engine and no window: every
// file of a local folder up into a remote directory (the directory transfer),
// or the named remote files down into a local folder (one download each, as
// the download button queues them). Each file goes through the queue's full
// command sequence: CWD "/", CWD to its directory, TYPE, PASV or PORT, STOR
// or RETR.
//
//   bench_queue_driver DATA_DIR up|down PORT USER PASSWORD REMOTE_DIR LOCAL_DIR
//                      passive|active [NAME=SIZE...]
//
// TAVLINFTP_BENCH_CONNECTIONS=N in the environment has N transfer
// connections work the queue at once (1 to 8; 1 when not set).
#include "core/data_files.h"
#include "services/unattended_dialogs.h"
#include "transfer/transfer_queue.h"

#include <QCoreApplication>

#include "core/windowless_event_loop.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

class ErrorsToStderr : public TransferQueueObserver {
public:
    void logLine(const std::string& line) override
    {
        if (line.rfind("! Transfer request failed", 0) == 0 || line.rfind("! No connection", 0) == 0)
            std::fprintf(stderr, "%s\n", line.c_str());
    }
};

}  // namespace

int main(int argc, char** argv)
{
    // Run as the command-line tool runs the same engine.
    chooseWindowlessEventLoop();
    QCoreApplication app(argc, argv);
    if (argc < 9) {
        std::fprintf(stderr, "usage: %s DATA_DIR up|down PORT USER PASSWORD REMOTE_DIR LOCAL_DIR passive|active "
                             "[NAME=SIZE...]\n", argv[0]);
        return 2;
    }
    const DataFilePaths paths = DataFilePaths::inDirectory(argv[1]);
    const bool upload = std::string(argv[2]) == "up";
    const QueueSite site{"127.0.0.1", argv[4], argv[5], argv[3]};
    const std::string remoteDir = argv[6], localDir = argv[7];
    const bool passive = std::string(argv[8]) == "passive";

    // The directory transfer asks for a confirmation; nothing else may be asked.
    UnattendedDialogs dialogs([](UnattendedDialogs::Question question, const QString& caption, const QString& text) {
        return question == UnattendedDialogs::Question::Name ? DialogAnswer::Ok
                                                              : UnattendedDialogs::refuse(question, caption, text);
    });
    ErrorsToStderr observer;
    TransferQueue queue(QueueFiles(paths.koefilDfd, paths.rstfilTxt), dialogs);
    queue.setObserver(&observer);
    queue.setPassiveMode([passive] { return passive; });
    if (const char* connections = std::getenv("TAVLINFTP_BENCH_CONNECTIONS"))
        queue.setConnections(static_cast<std::size_t>(std::max(1, std::atoi(connections))));

    if (upload) {
        std::vector<TransferQueue::LocalFile> files;
        for (const auto& entry : std::filesystem::directory_iterator(localDir))
            if (entry.is_regular_file())
                files.push_back({entry.path().filename().string(), std::to_string(entry.file_size())});
        std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
        queue.queueDirectory(site, remoteDir, localDir, files, [](const std::string&) { return "1"; }, remoteDir);
    } else {
        for (int i = 9; i < argc; ++i) {
            std::string name = argv[i], size = "0";
            if (const std::size_t eq = name.find('='); eq != std::string::npos) {
                size = name.substr(eq + 1);
                name.resize(eq);
            }
            queue.queueDownload(site, remoteDir, localDir, name, size, "1");
        }
    }
    while (queue.busy() || !queue.entries().empty()) {
        // A failure asks the user, who is not there; a pending queue means a
        // connection could not be made.
        if (!queue.busy() && queue.queuePending())
            return 1;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return 0;
}
