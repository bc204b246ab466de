#include "net/custom_sync_wsocket.h"

#include <QCoreApplication>
#include <QThread>

#include <chrono>

int TCustomSyncWSocket::RunSync(bool& flag, const std::function<void()>& method)
{
    flag = false;
    if (method)
        method();
    return WaitUntilSet(flag);
}

int TCustomSyncWSocket::WaitUntilSet(bool& flag)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(FTimeout);
    while (!flag) {
        if ((FTimeout > 0 && Clock::now() > deadline) || QCoreApplication::closingDown() || Terminated())
            return WaitTimedOut;
        PumpMessages();
        if (!flag)
            QThread::yieldCurrentThread();
    }
    return 0;
}
