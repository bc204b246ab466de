#pragma once

#include "ftp/ftp_client.h"

#include <string>
#include <utility>
#include <vector>

// Records what an FTP client reports, in order, as short texts:
// "State(3)", "Command(USER x)", "Display(> USER x)", "Response(331 ...)",
// "SessionConnected(0)", "SessionClosed(0)", "Done(2,0)". Tests compare the
// sequence with what a caller of the component must be able to rely on.
class FtpEventLog {
public:
    explicit FtpEventLog(TCustomFtpCli& client);

    std::vector<std::string> events;
    std::vector<std::string> display;
    std::vector<std::pair<TFtpRequest, int>> done;
    std::vector<std::string> displayFile;
    std::vector<std::int64_t> progress;

    // Waits until `count` requests have ended.
    bool waitDone(std::size_t count = 1, int timeoutMs = 10000);
    // The events from the first one equal to `first` on (all when absent).
    std::vector<std::string> from(const std::string& first) const;
    void clear();

private:
    TCustomFtpCli& client_;
};

// Host/port/user settings for a server on 127.0.0.1.
void pointAt(TCustomFtpCli& client, const std::string& port, const std::string& user = "tavlin",
             const std::string& password = "s3cret");
