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
    if (FControlActivity != FSeenControlActivity || FByteCount != FSeenByteCount) {
        FSeenControlActivity = FControlActivity;
        FSeenByteCount = FByteCount;
        FLastActivityTick = now;
        return;
    }
    if (now - FLastActivityTick >= static_cast<std::uint64_t>(FInactivityTimeout) * 1000)
        EndInactiveRequest();
}

void TCustomFtpCli::EndInactiveRequest()
{
    FInactivityTimer->stop();
    const std::string reason = "426 Timeout: nothing received or sent for "
                               + std::to_string(FInactivityTimeout) + " seconds";
    DisplayStatus(reason);
    if (FErrorMessage.empty())
        FErrorMessage = reason;
    FStatusCode = 426;
    FStepStatus = 426;
    DropConnectionsAndEnd(426);
}
