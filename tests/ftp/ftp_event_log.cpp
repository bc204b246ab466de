#include "ftp_event_log.h"

#include "support/wait.h"

#include <QtGlobal>
#include <algorithm>
#include <cstdio>

FtpEventLog::FtpEventLog(TCustomFtpCli& client) : client_(client)
{
    client.OnStateChange = [this](TCustomFtpCli* c) {
        events.push_back("State(" + std::to_string(c->State()) + ")");
    };
    client.OnCommand = [this](TCustomFtpCli*, std::string& cmd) { events.push_back("Command(" + cmd + ")"); };
    // TAVLIN_FTP_TRACE=1 shows the conversation while a test runs.
    static const bool trace = qEnvironmentVariableIsSet("TAVLIN_FTP_TRACE");
    client.OnDisplay = [this](TCustomFtpCli*, std::string& msg) {
        if (trace)
            std::fprintf(stderr, "ftp: %s\n", msg.c_str());
        events.push_back("Display(" + msg + ")");
        display.push_back(msg);
    };
    client.OnResponse = [this](TCustomFtpCli* c) { events.push_back("Response(" + c->LastResponse() + ")"); };
    client.OnSessionConnected = [this](TCustomFtpCli*, std::uint16_t e) {
        events.push_back("SessionConnected(" + std::to_string(e) + ")");
    };
    client.OnSessionClosed = [this](TCustomFtpCli*, std::uint16_t e) {
        events.push_back("SessionClosed(" + std::to_string(e) + ")");
    };
    client.OnRequestDone = [this](TCustomFtpCli*, TFtpRequest rq, std::uint16_t e) {
        events.push_back("Done(" + std::to_string(rq) + "," + std::to_string(e) + ")");
        done.emplace_back(rq, e);
    };
    client.OnDisplayFile = [this](TCustomFtpCli*, std::string& line) { displayFile.push_back(line); };
    client.OnProgress = [this](TCustomFtpCli*, std::int64_t count, bool&) { progress.push_back(count); };
}

bool FtpEventLog::waitDone(std::size_t count, int timeoutMs)
{
    return waitUntil([&] { return done.size() >= count; }, timeoutMs);
}

std::vector<std::string> FtpEventLog::from(const std::string& first) const
{
    auto it = std::find(events.begin(), events.end(), first);
    if (it == events.end())
        return events;
    return {it, events.end()};
}

void FtpEventLog::clear()
{
    events.clear();
    display.clear();
    done.clear();
    displayFile.clear();
    progress.clear();
}

void pointAt(TCustomFtpCli& client, const std::string& port, const std::string& user,
             const std::string& password)
{
    client.SetHostName("127.0.0.1");
    client.SetPort(port);
    client.SetUserName(user);
    client.SetPassWord(password);
}
