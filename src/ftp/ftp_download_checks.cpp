// What a download should bring: the remote file's size from a SIZE answer
// or from the byte count of the 150 reply, held against what arrived, and
// a resume that has nothing left to fetch.
#include "ftp/ftp_custom_client.h"

#include "ftp/ftp_download_file.h"
#include "ftp/ftp_local_stream.h"

#include <unistd.h>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Bytes(std::int64_t count) { return std::to_string(count) + " bytes"; }

} // namespace

std::int64_t TCustomFtpCli::AnnouncedByteCount(const std::string& line)
{
    // "150 Opening BINARY mode data connection for f (100000 bytes)."
    for (std::size_t open = line.rfind('('); open != std::string::npos;
         open = open == 0 ? std::string::npos : line.rfind('(', open - 1)) {
        std::size_t i = open + 1;
        std::int64_t count = 0;
        std::size_t digits = 0;
        while (i < line.size() && IsDigit(line[i]) && digits < 18) {
            count = count * 10 + (line[i] - '0');
            ++digits;
            ++i;
        }
        if (digits > 0 && line.compare(i, 6, " bytes") == 0)
            return count;
    }
    return -1;
}

void TCustomFtpCli::NoteSizeAnswer()
{
    ParseSizeResult();
    // Only a number is an answer; in ASCII type the size is not what a
    // binary download brings.
    const std::string& line = FLastResponse;
    std::size_t i = line.find_first_not_of("0123456789");
    if (i != std::string::npos)
        i = line.find_first_not_of(" \t", i);
    FSizeAnswered = Binary() && i != std::string::npos && IsDigit(line[i]);
    FSizeAnsweredFor = FHostFileName;
}

void TCustomFtpCli::KeepOrForgetSizeAnswer()
{
    // A SIZE answer stays good for a download of that file as long as only
    // the commands that prepare the download come in between.
    switch (FCurrentStep) {
    case ftpStepSize:
        FSizeAnswered = false;
        break;
    case ftpStepPort:
    case ftpStepType:
    case ftpStepRest:
    case ftpStepRetr:
    case ftpStepPwd:
    case ftpStepSyst:
        break;
    default:
        FSizeAnswered = false;
        break;
    }
}

void TCustomFtpCli::TakeExpectedDownloadSize()
{
    FAnnouncedSize = -1;
    FRemoteFileSize = -1;
    if (FDataCommandWord == "RETR" && FSizeAnswered && FSizeAnsweredFor == FHostFileName)
        FRemoteFileSize = FSizeResult;
    FSizeAnswered = false;
}

bool TCustomFtpCli::RefuseNeedlessResume()
{
    // Only a download that follows can be spared; REST on its own is sent.
    if (!FMultiStep || !FPendingSteps.Contains(ftpStepRetr) || FResumeAt <= 0 || !FSizeAnswered
        || FSizeAnsweredFor != FHostFileName || FSizeResult > FResumeAt)
        return false;
    const std::int64_t remote = FSizeResult;
    FSizeAnswered = false;
    if (remote < FResumeAt) {
        const std::int64_t local = FResumeAt;
        FResumeAt = 0;
        RefuseRequest(550, "550 Nothing to resume: the local file (" + Bytes(local)
                               + ") is larger than the remote file (" + Bytes(remote) + ")");
        return true;
    }
    // What an earlier try brought is the whole file: it takes the place
    // of the file it was meant for, as at the end of a download.
    if (DownloadUsesPartFile(FLocalFileName)) {
        const std::string part = DownloadPartPath(FLocalFileName);
        if (FtpLocalStream::FileSize(part) >= 0) {
            const std::string reason = ReplaceWithPartFile(part, DownloadDestination(FLocalFileName));
            if (!reason.empty()) {
                FResumeAt = 0;
                RefuseRequest(550, "550 Could not replace " + FLocalFileName + " with the downloaded file: " + reason);
                return true;
            }
        }
    }
    DisplayStatus("Nothing left to fetch: the local file already has all " + Bytes(remote));
    FPendingSteps.Exclude(ftpStepRetr);
    FResumeAt = 0;
    ArmRequestDone();
    FStepStatus = 0;
    Finish(0);
    return true;
}

void TCustomFtpCli::CheckDownloadSize()
{
    // A transfer that failed has said so already; ASCII transfers change the
    // byte count on their way and cannot be held against a size.
    if (FTransferStatus != 0 || FTransferFault != 0 || FDataCommandWord != "RETR" || !Binary())
        return;
    const std::int64_t got = FByteCount;
    const std::int64_t from = FResumeAt > 0 ? FResumeAt : 0;
    std::int64_t whole = -1;
    std::int64_t expected = -1;
    if (FRemoteFileSize >= 0) {
        // SIZE counts the whole file.
        whole = FRemoteFileSize;
        expected = whole - from;
    } else if (FAnnouncedSize >= 0) {
        // Servers count the whole file or what is left after REST.
        if (got == FAnnouncedSize)
            return;
        whole = FAnnouncedSize;
        expected = FAnnouncedSize - from;
    } else {
        return;
    }
    if (got == expected)
        return;
    std::string text;
    int code = 426;
    if (expected < 0 && got == 0) {
        code = 550;
        text = "550 Nothing to resume: the local file (" + Bytes(from) + ") is larger than the remote file ("
               + Bytes(whole) + ")";
    } else if (got < expected) {
        text = "426 Download incomplete: " + std::to_string(got) + " of " + Bytes(expected) + " received";
    } else {
        text = "426 Download longer than announced: " + Bytes(got) + " received, " + std::to_string(expected)
               + " expected";
    }
    DisplayStatus(text);
    NoteTransferFault(code, text);
}

bool TCustomFtpCli::StartWritingLocalFile()
{
    if (!FLocalStream.IsOpen() || FLocalStream.WritingBegun())
        return true;
    if (FLocalStream.BeginWriting()) {
        FLocalFileWritten = true;
        return true;
    }
    // Neither emptying nor positioning changes the file when it fails.
    EndOnLocalWriteError(FLocalStream.ErrorNumber());
    return false;
}

void TCustomFtpCli::ForgetDownloadPart(int code)
{
    // A failed download that brought nothing leaves no empty part file
    // behind; one with data keeps it, to be resumed.
    if (code != 0 && !FDownloadPart.empty() && FtpLocalStream::FileSize(FDownloadPart) == 0)
        ::unlink(FDownloadPart.c_str());
    FDownloadPart.clear();
    FDownloadDestination.clear();
}
