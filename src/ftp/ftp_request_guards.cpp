// Guards of the control connection: no command argument may carry a line
// break into a second command, and no reply may go on without end.
#include "ftp/ftp_custom_client.h"

#include "net/wsocket.h"

namespace {

// A reply that goes on longer than this is not a reply any more; reading
// it would keep the client busy for as long as the server likes.
constexpr int MaxReplyLines = 10000;
constexpr std::int64_t MaxReplyBytes = 1 << 20;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The same test as for a final reply line: a number not followed by "-".
bool EndsReply(const std::string& line)
{
    std::size_t i = 0;
    while (i < line.size() && IsDigit(line[i]))
        ++i;
    return i > 0 && !(i < line.size() && line[i] == '-');
}

bool HoldsLineBreakOrNul(const std::string& text)
{
    return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

} // namespace

// The property a step puts into its command line, and how a message names
// it; none for steps whose command holds nothing the caller gave.
static const std::string* ArgumentOf(const TCustomFtpCli& client, TFtpStep step, const char*& name)
{
    switch (step) {
    case ftpStepUser: name = "user name"; return &client.UserName();
    case ftpStepPass: name = "password"; return &client.PassWord();
    case ftpStepCwd: name = "directory name"; return &client.HostDirName();
    case ftpStepMkd:
    case ftpStepRmd:
    case ftpStepDele:
    case ftpStepRnfr:
    case ftpStepSize:
    case ftpStepRetr:
    case ftpStepList:
    case ftpStepNlst:
    case ftpStepStor:
    case ftpStepAppe: name = "remote name"; return &client.HostFileName();
    case ftpStepRnto: name = "new name"; return &client.LocalFileName();
    case ftpStepRaw: name = "command"; return &client.LocalFileName();
    default: return nullptr;
    }
}

bool TCustomFtpCli::RefuseUnsafeArgument(TFtpStep step)
{
    const char* name = "";
    const std::string* value = ArgumentOf(*this, step, name);
    if (!value || !HoldsLineBreakOrNul(*value))
        return false;
    RefuseRequest(501, std::string("501 Not sent: the ") + name + " contains CR, LF or NUL");
    return true;
}

bool TCustomFtpCli::RefuseUnsafeArguments(TFtpSteps steps)
{
    // Every step is looked at before the first one runs, so a request that
    // cannot be sent whole sends nothing at all.
    for (int n = ftpStepOpen; n <= ftpStepPort; ++n) {
        const auto step = static_cast<TFtpStep>(n);
        if (steps.Contains(step) && RefuseUnsafeArgument(step))
            return true;
    }
    return false;
}

void TCustomFtpCli::RefuseRequest(int code, const std::string& reason)
{
    FStatusCode = code;
    if (FErrorMessage.empty())
        FErrorMessage = reason;
    DisplayStatus(reason);
    FStepContinuation = nullptr;
    FPendingSteps.Clear();
    FStepStatus = code;
    ArmRequestDone();
    Finish(code);
}

bool TCustomFtpCli::ReplyTooLong(const std::string& line, int consumed)
{
    if (EndsReply(line)) {
        FReplyLines = 0;
        FReplyBytes = 0;
        return false;
    }
    ++FReplyLines;
    FReplyBytes += consumed;
    if (FReplyLines < MaxReplyLines && FReplyBytes < MaxReplyBytes)
        return false;
    FCloseReason = "426 Reply too long (more than " + std::to_string(MaxReplyLines) + " lines or "
                   + std::to_string(MaxReplyBytes / 1024) + " KiB), connection closed";
    DisplayStatus(FCloseReason);
    return true;
}
