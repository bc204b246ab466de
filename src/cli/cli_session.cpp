#include "cli/cli_session.h"

#include "cli/cli_terminal_text.h"
#include "ftp/ftp_download_file.h"
#include "ftp/ftp_host_scheme.h"
#include "ftp/ftp_system_reply.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <unistd.h>
#include <utility>

CliSession::CliSession(CliOptions options, std::FILE* out, std::FILE* err)
    : options_(std::move(options)), out_(out), err_(err), trust_(options_.trustFile, nullptr, options_.trust),
      outIsTerminal_(::isatty(::fileno(out)) == 1), errIsTerminal_(::isatty(::fileno(err)) == 1)
{
    client_.SetHostName(FtpHostText(options_.host, options_.tls));
    trust_.attach(client_);
    client_.SetPort(options_.port);
    client_.SetUserName(options_.user);
    client_.SetPassWord(options_.password);
    client_.SetPassive(options_.passive);
    client_.SetProxy(options_.proxy);
    client_.SetBinary(!options_.ascii);
    client_.SetInactivityTimeout(options_.timeout);
    client_.OnProgress = [this](TCustomFtpCli*, std::int64_t position, bool&) {
        if (meter_)
            meter_->update(position);
    };
    client_.OnDisplay = [this](TCustomFtpCli*, std::string& msg) {
        if (msg.rfind("! ", 0) == 0) {
            if (msg.find(" bytes received/sent in ") != std::string::npos)
                statistics_ = msg.substr(2);
            else if (msg.rfind("! Nothing left to fetch", 0) == 0)
                nothingLeft_ = msg.substr(2);
        }
        if (options_.verbose)
            std::fprintf(err_, "%s\n", ForErr(msg).c_str());
    };
    client_.OnRequestDone = [this](TCustomFtpCli*, TFtpRequest rq, std::uint16_t error) { RequestDone(rq, error); };
}

void CliSession::Start(std::function<void(int)> finished)
{
    finished_ = std::move(finished);
    StartPhase(Phase::LogIn);
}

bool CliSession::IsListing() const
{
    return options_.command == "ls" || options_.command == "nlst";
}

bool CliSession::IsDownload() const
{
    return options_.command == "get" || options_.command == "resume-get";
}

std::string CliSession::ForOut(const std::string& text) const
{
    return outIsTerminal_ ? TerminalSafe(text) : text;
}

std::string CliSession::ForErr(const std::string& text) const
{
    return errIsTerminal_ ? TerminalSafe(text) : text;
}

bool CliSession::IsTransfer() const
{
    const std::string& c = options_.command;
    return c == "get" || c == "resume-get" || c == "put" || c == "append";
}

void CliSession::StartPhase(Phase phase)
{
    phase_ = phase;
    try {
        switch (phase) {
        case Phase::LogIn:
            client_.BeginLogin();
            break;
        case Phase::ChangeDir:
            if (options_.directory.empty())
                return StartPhase(Phase::SetType);
            client_.SetHostDirName(options_.directory);
            client_.BeginChangeDir();
            break;
        case Phase::SetType:
            client_.BeginSetType();
            break;
        case Phase::System:
            // An ASCII upload keeps the file's line ends for a UNIX server.
            if (!options_.ascii || (options_.command != "put" && options_.command != "append"))
                return StartPhase(Phase::Size);
            client_.BeginSystem();
            break;
        case Phase::Size:
            if (!IsDownload() || options_.ascii)
                return StartPhase(Phase::Command);
            client_.SetHostFileName(options_.args[0]);
            client_.BeginFileSize();
            break;
        case Phase::Command:
            StartCommand();
            break;
        case Phase::Quit:
            client_.BeginQuit();
            break;
        }
    } catch (const FtpException& e) {
        Fail(e.what());
        End(2);
    }
}

void CliSession::StartCommand()
{
    const std::string& c = options_.command;
    const auto& a = options_.args;
    client_.SetDisplayFileFlag(false);
    if (c == "ls" || c == "nlst") {
        // Unnamed, so that a command killed while listing leaves no file
        // in the temporary folder.
        listing_ = std::make_unique<ScratchFile>();
        if (!listing_->open(QDir::tempPath().toStdString())) {
            Fail("cannot create a temporary file for the listing");
            status_ = 1;
            StartPhase(Phase::Quit);
            return;
        }
        client_.SetLocalFileName(listing_->path());
        client_.SetHostFileName(a.empty() ? "" : a[0]);
        c == "ls" ? client_.BeginListDir() : client_.BeginListNames();
    } else if (c == "get" || c == "resume-get") {
        StartProgressMeter();
        client_.SetHostFileName(a[0]);
        client_.SetLocalFileName(a[1]);
        c == "get" ? client_.BeginGetFile() : client_.BeginResumeGetFile();
    } else if (c == "put" || c == "append") {
        StartProgressMeter();
        client_.SetLocalFileName(a[0]);
        client_.SetHostFileName(a[1]);
        c == "put" ? client_.BeginPutFile() : client_.BeginAppendFile();
    } else if (c == "size") {
        client_.SetHostFileName(a[0]);
        client_.BeginFileSize();
    } else if (c == "mkdir") {
        client_.SetHostFileName(a[0]);
        client_.BeginMakeDir();
    } else if (c == "rmdir") {
        client_.SetHostFileName(a[0]);
        client_.BeginRemoveDir();
    } else if (c == "delete") {
        client_.SetHostFileName(a[0]);
        client_.BeginDelete();
    } else if (c == "rename") {
        client_.SetHostFileName(a[0]);
        client_.SetLocalFileName(a[1]);
        client_.BeginRename();
    } else if (c == "raw") {
        client_.SetLocalFileName(a[0]);
        client_.BeginRawCommand();
    }
}

void CliSession::Fail(const std::string& text)
{
    if (meter_)
        meter_->clear();
    std::fprintf(err_, "tavlinftp-cli: %s\n", ForErr(text).c_str());
}

void CliSession::RequestDone(TFtpRequest, std::uint16_t error)
{
    if (ended_)
        return;
    if (phase_ == Phase::Quit) {
        End(status_);
        return;
    }
    // A server without SIZE, or one that does not know the file: the
    // download goes ahead unchecked, or is refused on its own.
    if (phase_ == Phase::Size && error != 0 && client_.Connected() && client_.State() == ftpStateReady) {
        StartPhase(Phase::Command);
        return;
    }
    // A server that refuses SYST gets CR LF, as any other that is not UNIX.
    if (phase_ == Phase::System && (error == 0 || (client_.Connected() && client_.State() == ftpStateReady))) {
        client_.SetAsciiUploadKeepsLineEnds(error == 0 && SystemReplyNamesUnix(client_.LastResponse()));
        StartPhase(Phase::Size);
        return;
    }
    if (error != 0) {
        std::string text = client_.ErrorMessage().empty() ? client_.LastResponse() : client_.ErrorMessage();
        if (text.empty())
            text = "request failed";
        Fail(text + " (error " + std::to_string(error) + ")");
        status_ = 1;
        // Say goodbye when the connection is still there.
        if (client_.Connected() && client_.State() == ftpStateReady)
            StartPhase(Phase::Quit);
        else
            End(status_);
        return;
    }
    switch (phase_) {
    case Phase::LogIn:
        StartPhase(Phase::ChangeDir);
        break;
    case Phase::ChangeDir:
        StartPhase(Phase::SetType);
        break;
    case Phase::SetType:
        StartPhase(Phase::System);
        break;
    case Phase::System:
        break;
    case Phase::Size:
        StartPhase(Phase::Command);
        break;
    case Phase::Command:
        CommandDone();
        StartPhase(Phase::Quit);
        break;
    case Phase::Quit:
        break;
    }
}

void CliSession::PrintListing()
{
    QFile file(QString::fromStdString(listing_->path()));
    if (!file.open(QIODevice::ReadOnly)) {
        Fail("cannot read the received listing");
        status_ = 1;
        return;
    }
    // One entry per line, whatever line end the server used.
    for (QByteArray line : file.readAll().split('\n')) {
        while (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            std::fprintf(out_, "%s\n", ForOut(line.toStdString()).c_str());
    }
}

void CliSession::StartProgressMeter()
{
    // The conversation of -v goes to the same stream; the two would tear
    // each other's lines.
    if (!errIsTerminal_ || options_.verbose)
        return;
    const std::string& c = options_.command;
    std::int64_t total = -1;
    std::int64_t offset = 0;
    if (c == "put" || c == "append") {
        total = QFileInfo(QString::fromStdString(options_.args[0])).size();
    } else {
        // Known when the size was asked before a binary download.
        if (!options_.ascii && client_.SizeResult() > 0)
            total = client_.SizeResult();
        if (c == "resume-get")
            offset = std::max<long long>(0, DownloadResumeSize(options_.args[1]));
    }
    meter_ = std::make_unique<CliProgressMeter>(err_, total, offset);
}

void CliSession::CommandDone()
{
    if (meter_)
        meter_->clear();
    if (IsListing())
        PrintListing();
    if (options_.command == "size")
        std::fprintf(out_, "%lld\n", static_cast<long long>(client_.SizeResult()));
    else if (options_.command == "raw")
        std::fprintf(out_, "%s\n", ForOut(client_.LastResponse()).c_str());
    else if (options_.command == "mkdir" && !client_.DirResult().empty())
        std::fprintf(out_, "%s\n", ForOut(client_.DirResult()).c_str());
    if (!nothingLeft_.empty())
        std::fprintf(out_, "%s\n", nothingLeft_.c_str());
    else if (IsTransfer() && !statistics_.empty())
        std::fprintf(out_, "%s\n", statistics_.c_str());
    std::fflush(out_);
}

void CliSession::End(int status)
{
    if (ended_)
        return;
    ended_ = true;
    if (meter_)
        meter_->clear();
    std::fflush(out_);
    std::fflush(err_);
    if (finished_)
        finished_(status);
}
