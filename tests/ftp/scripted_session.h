#pragma once

#include "fixtures/scripted_ftp_server.h"
#include "ftp_event_log.h"
#include "support/temp_dir.h"

#include <QByteArray>
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <utility>

// A client with its event log, a scripted server and a local folder; the
// script starts with login() and goes on as the test writes it.
struct ScriptedSession {
    using Done = std::pair<TFtpRequest, int>;

    ScriptedFtpServer server;
    TFtpClient client;
    FtpEventLog log{client};
    TempDir local;

    // Starts the server and logs in.
    bool start(bool passive)
    {
        if (!server.start())
            return false;
        pointAt(client, server.portText().toStdString());
        client.SetPassive(passive);
        return run(&TCustomFtpCli::BeginLogin).second == 0;
    }

    // Runs one request to its end (or the deadline: {ftpRqNone, -1}).
    Done run(void (TCustomFtpCli::*begin)(), int timeoutMs = 10000)
    {
        const std::size_t before = log.done.size();
        (client.*begin)();
        if (!log.waitDone(before + 1, timeoutMs))
            return {ftpRqNone, -1};
        return log.done.back();
    }

    bool shown(const std::string& line) const
    {
        return std::find(log.display.begin(), log.display.end(), line) != log.display.end();
    }
};

// The data-connection preparation of one transfer in the script: PASV with a
// listening data port, or PORT.
inline ScriptedFtpServer& prepareData(ScriptedFtpServer& server, bool passive)
{
    if (passive)
        return server.expect("PASV").replyWithDataPort("227 Entering Passive Mode (127,0,0,1,{p1},{p2})");
    return server.expect("PORT").reply("200 PORT ok");
}

// The server's side of the data connection: accepted (passive) or opened
// to the client's PORT (active).
inline ScriptedFtpServer& openData(ScriptedFtpServer& server, bool passive)
{
    return passive ? server.acceptDataConnection() : server.connectToClientDataPort();
}

inline const char* modeName(const testing::TestParamInfo<bool>& info)
{
    return info.param ? "Passive" : "Active";
}
