#pragma once

#include "ftp/ftp_client.h"
#include "services/hidden_files_listing.h"

#include <cstdint>
#include <string>
#include <vector>

// Whoever starts a request on the browsing session. The channel hands the
// request's end back to the one who asked for it, once.
class SessionAsker {
public:
    virtual ~SessionAsker() = default;
    virtual void requestDone(TFtpRequest request) = 0;
    virtual void requestFailed(TFtpRequest request, std::uint16_t error) = 0;
};

// Told what happens to the session as a whole, whoever asked.
class SessionListener {
public:
    virtual ~SessionListener() = default;
    // The session became connected or stopped being so.
    virtual void connectedChanged(bool /*connected*/) {}
    // Some request of the session failed (before its asker hears of it).
    virtual void anyRequestFailed() {}
    // Some request of the session ended and its asker has handled the end.
    virtual void requestEnded() {}
    // The client works (true) or waits for the user (false).
    virtual void busyChanged(bool /*busy*/) {}
    // The server closed the control connection: the session is over.
    virtual void sessionClosed() {}
    // A line for the FTP log: the client's conversation and its own notes.
    virtual void logLine(const std::string& /*line*/) {}
};

// What the browsing handler offers to the others through the channel: the
// transfer queue refreshes the remote side after an upload and connects the
// browsing session to a queued site.
class SessionBrowser {
public:
    virtual ~SessionBrowser() = default;
    // Lists the directory of the selected remote tree node again.
    virtual void showDirectory() = 0;
    // Connects with what the connection fields hold (or disconnects a
    // connected session), as the connect button does.
    virtual void connectWithFields() = 0;
};

// The one way onto the interactive session: it owns the browsing FTP client
// (FtpClient1) and the request gate, which starts a request only when none is
// outstanding (or after the user's abort). Every request is asked for by
// someone; its end goes back to that asker. The connected state, the abort
// mark and the running request live here and nowhere else.
class SessionChannel {
public:
    using Request = void (TCustomFtpCli::*)();
    // Whether the client shows the data it receives (on for a connect only).
    enum class FileDisplay { Off, On };

    SessionChannel();
    ~SessionChannel();
    SessionChannel(const SessionChannel&) = delete;
    SessionChannel& operator=(const SessionChannel&) = delete;

    // FtpClient1. Askers set its request properties (HostDirName,
    // HostFileName, ...) right before they ask.
    TFtpClient& client() { return client_; }
    const TFtpClient& client() const { return client_; }

    // Starts the request through the gate on behalf of `asker`. False when
    // the gate refused it (a request is running) or the client refused it
    // as misuse.
    bool ask(SessionAsker& asker, Request request, FileDisplay display = FileDisplay::Off);
    // Lists the server's current directory into the client's LocalFileName,
    // hidden files included where the server takes "LIST -a"; a server that
    // does not is listed again with plain LIST before the asker hears.
    bool askListing(SessionAsker& asker);
    // The user's abort: the abort goes through the gate even while a request
    // runs, and the session counts as ended, not connected and idle.
    void abort(SessionAsker& asker);
    // A new connect clears the abort mark.
    void clearAbort() { aborted_ = false; }
    bool aborted() const { return aborted_; }

    bool requestRunning() const { return requestRunning_; }
    bool connected() const { return connected_; }
    void setConnected(bool connected);

    void addListener(SessionListener* listener);
    void removeListener(SessionListener* listener);
    void log(const std::string& line);

    // The browsing handler registers itself; others reach it from here.
    void setBrowser(SessionBrowser* browser) { browser_ = browser; }
    void showDirectory();
    void connectWithFields();

private:
    void requestDone(TFtpRequest request, std::uint16_t error);
    // True when the listing that ended is being asked again without "-a".
    bool listingAskedAgain(TFtpRequest request, std::uint16_t error);
    std::string hostKey() const;
    void stateChanged();

    TFtpClient client_;
    HiddenFilesListing hiddenFiles_;
    std::vector<SessionListener*> listeners_;
    SessionBrowser* browser_ = nullptr;
    SessionAsker* asker_ = nullptr;
    bool connected_ = false;
    bool requestRunning_ = false;
    bool aborted_ = false;
    bool usageErrorSeen_ = false;
    // The client reported "not connected" and the end of that step is still
    // to come; then the session is over.
    bool closing_ = false;
};
