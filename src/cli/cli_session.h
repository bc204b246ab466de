#pragma once

#include "cli/cli_options.h"
#include "ftp/ftp_client.h"

#include <cstdio>
#include <functional>
#include <string>

// Runs one command on an FTP server with the asynchronous client, the way
// the program itself chains requests: log in, change to the URL's
// directory, set the transfer type, do the command, quit. Each step starts
// from the previous step's request-done event.
class CliSession {
public:
    CliSession(CliOptions options, std::FILE* out, std::FILE* err);

    // Starts the chain; `finished` is called once with the exit status.
    void Start(std::function<void(int)> finished);

private:
    enum class Phase { LogIn, ChangeDir, SetType, Command, Quit };

    void RequestDone(TFtpRequest rq, std::uint16_t error);
    void StartPhase(Phase phase);
    void StartCommand();
    void CommandDone();
    void Fail(const std::string& text);
    void End(int status);
    bool IsTransfer() const;

    CliOptions options_;
    std::FILE* out_;
    std::FILE* err_;
    TFtpClient client_;
    Phase phase_ = Phase::LogIn;
    std::string statistics_;
    int status_ = 0;
    bool ended_ = false;
    std::function<void(int)> finished_;
};
