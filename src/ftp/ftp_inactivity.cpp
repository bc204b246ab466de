// The inactivity limit: a request during which nothing moves for too long
// ends, instead of waiting for a server that may never answer.
#include "ftp/ftp_custom_client.h"

#include "net/wsocket.h"

#include <QTimer>

#include <algorithm>

void TCustomFtpCli::WatchInactivity()
{
    if (FInactivityTimeout <= 0 || FRequestDoneFlag)
        return;
    if (!FInactivityTimer) {
        FInactivityTimer = std::make_unique<QTimer>();
        QObject::connect(FInactivityTimer.get(), &QTimer::timeout, FInactivityTimer.get(),
                         [this] { CheckInactivity(); });
    }
    // Each request gets the whole limit from its start.
    FSeenControlActivity = FControlActivity;
    FSeenByteCount = FByteCount;
    FLastActivityTick = TickCount();
    // Looking now and then is enough: traffic itself only counts, so a fast
    // transfer pays nothing for the watch.
    const int interval = std::clamp(FInactivityTimeout * 1000 / 4, 50, 1000);
    if (!FInactivityTimer->isActive() || FInactivityTimer->interval() != interval)
        FInactivityTimer->start(interval);
}

void TCustomFtpCli::CheckInactivity()
{
    if (FRequestDoneFlag || FInactivityTimeout <= 0) {
        FInactivityTimer->stop();
        return;
    }
    const std::uint64_t now = TickCount();
    // A person deciding about a certificate is not a server gone quiet.
    if (FAskingUser) {
        FLastActivityTick = now;
        return;
    }
    // A reply that drips in a line at a time is never inactive, and is
    // timed whole from its first byte instead. A reply begins only once the
    // server has something to say, so a transfer's end reply, which comes
    // when the transfer is done, is not timed with the transfer.
    const std::uint64_t limit = static_cast<std::uint64_t>(FInactivityTimeout) * 1000;
    if ((FReplyLines > 0 || FReceiveLen > 0) && now - FReplyStartTick >= limit) {
        EndInactiveRequest("426 Timeout: the server's reply was not complete after "
                           + std::to_string(FInactivityTimeout) + " seconds");
        return;
    }
    if (FControlActivity != FSeenControlActivity || FByteCount != FSeenByteCount) {
        FSeenControlActivity = FControlActivity;
        FSeenByteCount = FByteCount;
        FLastActivityTick = now;
        return;
    }
    if (now - FLastActivityTick >= limit)
        EndInactiveRequest("426 Timeout: nothing received or sent for " + std::to_string(FInactivityTimeout)
                           + " seconds");
}

void TCustomFtpCli::EndInactiveRequest(const std::string& reason)
{
    FInactivityTimer->stop();
    DisplayStatus(reason);
    if (FErrorMessage.empty())
        FErrorMessage = reason;
    FStatusCode = 426;
    FStepStatus = 426;
    DropConnectionsAndEnd(426);
}
