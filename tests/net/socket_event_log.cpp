#include "socket_event_log.h"

#include <algorithm>

void SocketEventLog::attach(TWSocket& socket, bool recordDataAvailable)
{
    socket.OnSessionConnected = [this](TCustomWSocket*, std::uint16_t e) { add("connected " + std::to_string(e)); };
    socket.OnSessionClosed = [this](TCustomWSocket*, std::uint16_t e) { add("closed " + std::to_string(e)); };
    socket.OnSessionAvailable = [this](TCustomWSocket*, std::uint16_t e) { add("available " + std::to_string(e)); };
    socket.OnDataSent = [this](TCustomWSocket*, std::uint16_t e) { add("sent " + std::to_string(e)); };
    socket.OnSendData = [this](TCustomWSocket*, int n) { add("senddata " + std::to_string(n)); };
    socket.OnDnsLookupDone = [this](TCustomWSocket*, std::uint16_t e) { add("dns " + std::to_string(e)); };
    socket.OnChangeState = [this](TCustomWSocket*, TSocketState o, TSocketState n) {
        add("state " + std::to_string(o) + ">" + std::to_string(n));
    };
    if (recordDataAvailable)
        socket.OnDataAvailable = [this](TCustomWSocket*, std::uint16_t e) { add("data " + std::to_string(e)); };
}

int SocketEventLog::count(const std::string& prefix) const
{
    return static_cast<int>(std::count_if(events_.begin(), events_.end(),
                                          [&](const std::string& e) { return e.rfind(prefix, 0) == 0; }));
}

bool SocketEventLog::contains(const std::string& event) const
{
    return std::find(events_.begin(), events_.end(), event) != events_.end();
}
