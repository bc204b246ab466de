#pragma once

#include "ftp/ftp_custom_client.h"

// The FTP client as the program uses it: the asynchronous component plus a
// limit for blocking waits and blocking forms of the main requests. The
// blocking forms run the event loop while they wait, so every other event
// of the program may run meanwhile.
class TFtpClient : public TCustomFtpCli {
public:
    TFtpClient() = default;

    // Limit of a blocking wait in seconds; 0 waits without limit.
    int Timeout() const { return FTimeout; }
    void SetTimeout(int seconds) { FTimeout = seconds; }
    // Blocking waits then run only the control socket's own events, for use
    // on a thread of its own.
    bool MultiThreaded() const { return FMultiThreaded; }
    void SetMultiThreaded(bool v) { FMultiThreaded = v; }

    // Blocking forms: true when the request ended with success.
    bool Open();
    bool User();
    bool Pass();
    bool ChangeDir();
    bool PrintDir();
    bool ParentDir();
    bool SetType();
    bool GetFile();
    bool PutFile();
    bool Quit();
    bool Abort();
    bool ListDir();
    bool MakeDir();
    bool Rename();
    bool Delete();
    bool RemoveDir();
    bool FileSize();
    bool ResumeGetFile();

    // Waits until the running request has ended (true on success). On
    // timeout or when the application ends, the request is aborted and
    // ErrorMessage becomes "426 Timeout".
    bool WaitForRequest();

protected:
    void TriggerProgress(std::int64_t count, bool& abort) override;

private:
    bool RunAndWait(void (TCustomFtpCli::*begin)());

    int FTimeout = 15;
    bool FMultiThreaded = false;
    std::uint64_t FDeadline = 0;
    bool FProgressSeen = false;
};
