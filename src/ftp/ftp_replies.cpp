// Reading reply lines from the control connection and judging them.
#include "ftp/ftp_custom_client.h"

#include "net/wsocket.h"

#include <cstring>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

void TCustomFtpCli::ControlDataAvailable(std::uint16_t error)
{
    // The buffer keeps one byte free, as for a terminating zero. A full
    // buffer without a line end means a reply line longer than the buffer:
    // nothing sensible can follow, so the connection is given up.
    const int room = static_cast<int>(FReceiveBuffer.size()) - 1 - FReceiveLen;
    if (room <= 0) {
        FCloseReason = "426 Reply line too long, connection closed";
        FControlSocket->Close();
        return;
    }
    const int len = FControlSocket->Receive(FReceiveBuffer.data() + FReceiveLen, room);
    if (len == 0) {
        FControlSocket->Close();
        return;
    }
    if (len < 0)
        return;
    if (FReceiveLen == 0 && FReplyLines == 0)
        FReplyStartTick = TickCount();
    ++FControlActivity;
    FReceiveLen += len;
    FReceiveBuffer[static_cast<std::size_t>(FReceiveLen)] = 0;

    const bool acceptLF = FOptions.Contains(ftpAcceptLF);
    for (;;) {
        const char* start = FReceiveBuffer.data();
        const char* end = nullptr;
        int terminator = 0;
        if (acceptLF) {
            end = static_cast<const char*>(std::memchr(start, '\n', static_cast<std::size_t>(FReceiveLen)));
            terminator = 1;
        } else {
            for (int i = 0; i + 1 < FReceiveLen; ++i) {
                if (start[i] == '\r' && start[i + 1] == '\n') {
                    end = start + i;
                    break;
                }
            }
            terminator = 2;
        }
        if (!end)
            break;
        std::size_t lineLength = static_cast<std::size_t>(end - start);
        std::string line(start, lineLength);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        const int consumed = static_cast<int>(lineLength) + terminator;
        std::memmove(FReceiveBuffer.data(), FReceiveBuffer.data() + consumed,
                     static_cast<std::size_t>(FReceiveLen - consumed));
        FReceiveLen -= consumed;
        FReceiveBuffer[static_cast<std::size_t>(FReceiveLen)] = 0;

        if (ReplyTooLong(line, consumed)) {
            FControlSocket->Close();
            return;
        }
        // Bytes left after a reply's last line begin the next reply now.
        if (FReplyLines == 0)
            FReplyStartTick = TickCount();
        FLastResponse = line;
        if (OnResponse)
            OnResponse(this);
        DispatchLine(error);
    }
}

void TCustomFtpCli::DispatchLine(std::uint16_t error)
{
    switch (FState) {
    case ftpStateAwaitingWelcome:
        WelcomeLine(error);
        break;
    case ftpStateAwaitingReply:
        if (!FNext) {
            // Raised here it would only reach the socket; tell it instead.
            FLastUsageMessage = "Program error: FNext is nil";
            if (OnUsageError) {
                std::string text = FLastUsageMessage;
                OnUsageError(this, text);
            } else {
                DisplayStatus(FLastUsageMessage);
            }
            break;
        }
        (this->*FNext)();
        break;
    default:
        // Unsolicited lines are shown and otherwise ignored.
        Display("< " + FLastResponse);
        break;
    }
}

bool TCustomFtpCli::IsFinalLine()
{
    Display("< " + FLastResponse);
    if (FLastResponse.empty() || !IsDigit(FLastResponse[0]))
        return false;
    std::size_t i = 0;
    int code = 0;
    while (i < FLastResponse.size() && IsDigit(FLastResponse[i])) {
        if (code < 100000)
            code = code * 10 + (FLastResponse[i] - '0');
        ++i;
    }
    FStatusCode = code;
    return !(i < FLastResponse.size() && FLastResponse[i] == '-');
}

void TCustomFtpCli::GenericReply()
{
    if (!IsFinalLine())
        return;
    int status = FStatusCode;
    if (FOkResponses[0] == 0) {
        status = FStatusCode < 500 ? 0 : FStatusCode;
    } else {
        for (int ok : FOkResponses) {
            if (ok == 0)
                break;
            if (ok == FStatusCode) {
                status = 0;
                break;
            }
        }
    }
    FStepStatus = status;
    if (status != 0) {
        KeepFirstError();
        ForgetServerSettings();
    } else {
        NoteCommandSucceeded();
    }
    if (DataPassive() && FStatusCode == 227)
        FPasvResponse = FLastResponse;
    if (status == 0) {
        if (FCurrentStep == ftpStepSize)
            NoteSizeAnswer();
        else if (FCurrentStep == ftpStepCwd || FCurrentStep == ftpStepMkd
                 || FCurrentStep == ftpStepPwd || FCurrentStep == ftpStepCdup)
            ParseDirResult();
    }
    if (FAfterReply) {
        Handler after = FAfterReply;
        FAfterReply = nullptr;
        (this->*after)();
        return;
    }
    Finish(status);
}

void TCustomFtpCli::ParseSizeResult()
{
    const std::string& line = FLastResponse;
    std::size_t i = 0;
    while (i < line.size() && IsDigit(line[i]))
        ++i;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    std::int64_t size = 0;
    while (i < line.size() && IsDigit(line[i]) && size < (INT64_MAX - 9) / 10)
        size = size * 10 + (line[i++] - '0');
    FSizeResult = size;
}

void TCustomFtpCli::ParseDirResult()
{
    const std::string& line = FLastResponse;
    std::size_t i = 0;
    while (i < line.size() && IsDigit(line[i]))
        ++i;
    while (i < line.size() && line[i] == ' ')
        ++i;
    FDirResult.clear();
    if (i >= line.size() || line[i] != '"')
        return;
    ++i;
    while (i < line.size()) {
        if (line[i] == '"') {
            if (i + 1 < line.size() && line[i + 1] == '"') {
                FDirResult += '"';
                i += 2;
                continue;
            }
            break;
        }
        FDirResult += line[i++];
    }
}
