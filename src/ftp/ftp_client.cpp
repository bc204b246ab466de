#include "ftp/ftp_client.h"

#include "net/wsocket.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

bool TFtpClient::RunAndWait(void (TCustomFtpCli::*begin)())
{
    ClearUsageErrorReported();
    try {
        (this->*begin)();
    } catch (...) {
        return false;
    }
    // A usage error that went to OnUsageError started nothing; waiting would
    // only report the previous request's outcome.
    if (UsageErrorReported())
        return false;
    return WaitForRequest();
}

bool TFtpClient::WaitForRequest()
{
    FDeadline = TickCount() + static_cast<std::uint64_t>(FTimeout) * 1000;
    FProgressSeen = false;
    // Wakes the wait now and then, so the deadline is seen even when no
    // event comes.
    QTimer wake;
    wake.start(50);
    for (;;) {
        if (State() == ftpStateReady)
            return LastStepStatus() == 0;
        if (!QCoreApplication::instance() || QCoreApplication::closingDown())
            break;
        if (FProgressSeen) {
            FProgressSeen = false;
            FDeadline = TickCount() + static_cast<std::uint64_t>(FTimeout) * 1000;
        }
        if (FTimeout > 0 && TickCount() > FDeadline)
            break;
        if (FMultiThreaded)
            ControlSocket()->PumpMessages();
        else
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        QThread::yieldCurrentThread();
    }
    BeginAbort();
    SetErrorMessage("426 Timeout");
    SetStatusCode(426);
    return false;
}

void TFtpClient::TriggerProgress(std::int64_t count, bool& abort)
{
    // A transfer that keeps moving never times out. Progress comes for every
    // block, so only note it here; the wait moves its deadline.
    FProgressSeen = true;
    TCustomFtpCli::TriggerProgress(count, abort);
}

bool TFtpClient::Open() { return RunAndWait(&TCustomFtpCli::BeginOpen); }
bool TFtpClient::User() { return RunAndWait(&TCustomFtpCli::BeginUser); }
bool TFtpClient::Pass() { return RunAndWait(&TCustomFtpCli::BeginPass); }
bool TFtpClient::ChangeDir() { return RunAndWait(&TCustomFtpCli::BeginChangeDir); }
bool TFtpClient::PrintDir() { return RunAndWait(&TCustomFtpCli::BeginPrintDir); }
bool TFtpClient::ParentDir() { return RunAndWait(&TCustomFtpCli::BeginParentDir); }
bool TFtpClient::SetType() { return RunAndWait(&TCustomFtpCli::BeginSetType); }
bool TFtpClient::GetFile() { return RunAndWait(&TCustomFtpCli::BeginGetFile); }
bool TFtpClient::PutFile() { return RunAndWait(&TCustomFtpCli::BeginPutFile); }
bool TFtpClient::Quit() { return RunAndWait(&TCustomFtpCli::BeginQuit); }
bool TFtpClient::Abort() { return RunAndWait(&TCustomFtpCli::BeginAbort); }
bool TFtpClient::ListDir() { return RunAndWait(&TCustomFtpCli::BeginListDir); }
bool TFtpClient::MakeDir() { return RunAndWait(&TCustomFtpCli::BeginMakeDir); }
bool TFtpClient::Rename() { return RunAndWait(&TCustomFtpCli::BeginRename); }
bool TFtpClient::Delete() { return RunAndWait(&TCustomFtpCli::BeginDelete); }
bool TFtpClient::RemoveDir() { return RunAndWait(&TCustomFtpCli::BeginRemoveDir); }
bool TFtpClient::FileSize() { return RunAndWait(&TCustomFtpCli::BeginFileSize); }
bool TFtpClient::ResumeGetFile() { return RunAndWait(&TCustomFtpCli::BeginResumeGetFile); }
