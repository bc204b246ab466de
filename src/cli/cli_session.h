#pragma once

#include "cli/cli_options.h"
#include "cli/cli_progress_meter.h"
#include "core/scratch_file.h"
#include "ftp/ftp_client.h"
#include "services/certificate_trust.h"


#include <cstdio>
#include <functional>
#include <memory>
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
    // A binary download asks SIZE first, so that a file of another size
    // than the server claims, or a resume with nothing to fetch, is seen.
    enum class Phase { LogIn, ChangeDir, SetType, System, Size, Command, Quit };

    void RequestDone(TFtpRequest rq, std::uint16_t error);
    void StartPhase(Phase phase);
    void StartCommand();
    void CommandDone();
    void Fail(const std::string& text);
    void End(int status);
    bool IsTransfer() const;
    bool IsListing() const;
    bool IsDownload() const;
    void PrintListing();
    // Server text for one of the two streams: escaped there when it is a
    // terminal.
    std::string ForOut(const std::string& text) const;
    std::string ForErr(const std::string& text) const;

    CliOptions options_;
    std::FILE* out_;
    std::FILE* err_;
    TFtpClient client_;
    CertificateTrust trust_;
    Phase phase_ = Phase::LogIn;
    bool outIsTerminal_;
    bool errIsTerminal_;
    std::string statistics_;
    // Said instead of statistics when a resume had nothing left to fetch.
    std::string nothingLeft_;
    // A listing is received whole into this file and printed once it is
    // complete: data blocks end anywhere, also inside a name.
    std::unique_ptr<ScratchFile> listing_;
    // Shown on standard error for get and put when it is a terminal.
    std::unique_ptr<CliProgressMeter> meter_;
    void StartProgressMeter();
    int status_ = 0;
    bool ended_ = false;
    std::function<void(int)> finished_;
};
