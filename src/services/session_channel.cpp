#include "services/session_channel.h"

#include "core/text_line_list.h"

#include <algorithm>

namespace {

// No line beside a "total" line: an empty folder, or a server that took an
// option it did not know for the name of something that is not there.
bool listedNothing(const std::string& listingFile)
{
    TextLineList lines;
    if (!lines.loadFromFile(listingFile))
        return true;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty() || (i == 0 && lines[i].front() == 't'))
            continue;
        return false;
    }
    return true;
}

} // namespace

SessionChannel::SessionChannel()
{
    client_.OnRequestDone = [this](TCustomFtpCli*, TFtpRequest request, std::uint16_t error) {
        requestDone(request, error);
    };
    client_.OnStateChange = [this](TCustomFtpCli*) { stateChanged(); };
    client_.OnDisplay = [this](TCustomFtpCli*, std::string& line) { log(line); };
    // A request refused as misuse starts nothing and ends with no
    // request-done; note it so the gate does not stay shut for good.
    client_.OnUsageError = [this](TCustomFtpCli*, std::string& text) {
        usageErrorSeen_ = true;
        log("! " + text);
    };
}

SessionChannel::~SessionChannel()
{
    client_.OnRequestDone = nullptr;
    client_.OnStateChange = nullptr;
    client_.OnDisplay = nullptr;
    client_.OnUsageError = nullptr;
}

bool SessionChannel::ask(SessionAsker& asker, Request request, FileDisplay display)
{
    if (!requestRunning_) {
        requestRunning_ = true;
    } else if (aborted_) {
        // After the user's abort the next request may go, and nothing is
        // counted as running any more.
        requestRunning_ = false;
    } else {
        return false;
    }
    asker_ = &asker;
    usageErrorSeen_ = false;
    client_.SetDisplayFileFlag(display == FileDisplay::On);
    (client_.*request)();
    if (usageErrorSeen_) {
        usageErrorSeen_ = false;
        requestRunning_ = false;
        return false;
    }
    return true;
}

bool SessionChannel::askListing(SessionAsker& asker)
{
    if (requestRunning_ && !aborted_)
        return false;
    client_.SetHostFileName(hiddenFiles_.startListing(hostKey()));
    if (ask(asker, &TCustomFtpCli::BeginListDir))
        return true;
    hiddenFiles_.forgetListing();
    return false;
}

std::string SessionChannel::hostKey() const
{
    return client_.HostName() + ":" + client_.Port();
}

void SessionChannel::abort(SessionAsker& asker)
{
    aborted_ = true;
    hiddenFiles_.forgetListing();
    ask(asker, &TCustomFtpCli::BeginAbort);
    setConnected(false);
    requestRunning_ = false;
}

void SessionChannel::setConnected(bool connected)
{
    connected_ = connected;
    for (SessionListener* listener : std::vector<SessionListener*>(listeners_))
        listener->connectedChanged(connected);
}

void SessionChannel::addListener(SessionListener* listener)
{
    listeners_.push_back(listener);
}

void SessionChannel::removeListener(SessionListener* listener)
{
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void SessionChannel::log(const std::string& line)
{
    for (SessionListener* listener : std::vector<SessionListener*>(listeners_))
        listener->logLine(line);
}

void SessionChannel::showDirectory()
{
    if (browser_)
        browser_->showDirectory();
}

void SessionChannel::connectWithFields()
{
    if (browser_)
        browser_->connectWithFields();
}

void SessionChannel::stateChanged()
{
    const TFtpClientState state = client_.State();
    const auto tellBusy = [this](bool busy) {
        for (SessionListener* listener : std::vector<SessionListener*>(listeners_))
            listener->busyChanged(busy);
    };
    if (state == ftpStateReady) {
        tellBusy(false);
        return;
    }
    tellBusy(true);
    if (state == ftpStateNotConnected)
        closing_ = true;
    if (state == ftpStateStepDone && closing_) {
        // The control connection has closed: the session is over.
        tellBusy(false);
        closing_ = false;
        setConnected(false);
        for (SessionListener* listener : std::vector<SessionListener*>(listeners_))
            listener->sessionClosed();
    }
}

bool SessionChannel::listingAskedAgain(TFtpRequest request, std::uint16_t error)
{
    if (request != ftpRqListDir)
        return false;
    const bool nothing = error == 0 && listedNothing(client_.LocalFileName());
    const HiddenFilesListing::Next next = hiddenFiles_.listingEnded(hostKey(), error, nothing);
    if (hiddenFiles_.justLearntRefusal())
        log("! The server does not take LIST -a: folders are listed without hidden files");
    if (next != HiddenFilesListing::Next::ListPlain || !asker_ || !connected_ || aborted_)
        return false;
    client_.SetHostFileName({});
    if (ask(*asker_, &TCustomFtpCli::BeginListDir))
        return true;
    hiddenFiles_.forgetListing();
    return false;
}

void SessionChannel::requestDone(TFtpRequest request, std::uint16_t error)
{
    requestRunning_ = false;
    if (listingAskedAgain(request, error))
        return;
    SessionAsker* asker = asker_;
    if (error != 0) {
        // A server that cannot be looked up or reached says nothing on the
        // control connection, so the log would stay silent and the click on
        // Connect seem to do nothing; show the client's reason. (A server
        // that refuses the session has its reply logged already.)
        constexpr std::uint16_t kFirstSocketError = 10000;
        if (request == ftpRqOpen && error >= kFirstSocketError && !client_.LastResponse().empty())
            log("! " + client_.LastResponse());
        for (SessionListener* listener : std::vector<SessionListener*>(listeners_))
            listener->anyRequestFailed();
        if (asker)
            asker->requestFailed(request, error);
    } else if (asker) {
        asker->requestDone(request);
    }
    for (SessionListener* listener : std::vector<SessionListener*>(listeners_))
        listener->requestEnded();
}
