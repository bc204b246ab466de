#pragma once

#include "fixtures/local_ftp_server.h"
#include "support/temp_dir.h"

#include <QString>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

// One run of tavlinftp-cli: exit status (-1: did not end in time, -2:
// crashed) and what it wrote.
struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

using CliEnvironment = std::vector<std::pair<QString, QString>>;

// Runs the tool with its output read through pipes, with the test's
// environment (less TAVLINFTP_PASSWORD and any proxy) plus `environment`.
CliRun runCli(const std::vector<std::string>& arguments, const CliEnvironment& environment = {});

// The same while the caller's event loop keeps running (a window open in the
// test answers its timers and sockets meanwhile). `meanwhile` is called
// between turns of the loop with what the tool has written to standard
// output so far, until it returns true once (a step the test takes while the
// tool waits), then no more.
CliRun runCliWhileEventsRun(const std::vector<std::string>& arguments,
                            const std::function<bool(const std::string& outSoFar)>& meanwhile = {},
                            const CliEnvironment& environment = {});

// Runs the tool with standard output and error on a terminal (a pseudo
// terminal); `out` then holds what the terminal received.
CliRun runCliOnTerminal(const std::vector<std::string>& arguments);

// The real FTP server over a folder with site/index.html, and a local folder.
class CliAgainstServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.write("site/index.html", "<html>hello</html>");
        ASSERT_TRUE(server.start()) << server.lastError();
    }
    std::string url(const std::string& dir = "/site") const
    {
        return "ftp://" + server.user() + ":" + server.password() + "@127.0.0.1:" + server.portText() + dir;
    }
    TempDir root;
    TempDir local;
    LocalFtpServer server{root.path()};
};
