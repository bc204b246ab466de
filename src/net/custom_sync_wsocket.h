#pragma once

#include "net/custom_line_wsocket.h"

#include <functional>

// Adds waits that run the event loop until a flag is set.
class TCustomSyncWSocket : public TCustomLineWSocket {
public:
    static constexpr int WaitTimedOut = 12001;

    // Wait limit in milliseconds; 0 waits without limit.
    int Timeout() const { return FTimeout; }
    void SetTimeout(int milliseconds) { FTimeout = milliseconds; }

    // Clears flag, calls method, then waits until flag is set.
    int RunSync(bool& flag, const std::function<void()>& method);
    // 0 once flag is set; 12001 on timeout, application shutdown or a stop
    // request for the thread.
    int WaitUntilSet(bool& flag);

private:
    int FTimeout = 0;
};
