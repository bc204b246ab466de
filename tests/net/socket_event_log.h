#pragma once

#include "net/wsocket.h"

#include <string>
#include <vector>

// Records the events a socket fires, in order, as short texts such as
// "connected 10061", "state 3>4", "closed 0", "sent 0", "dns 0". Data
// events are recorded only when no reader is installed by the test.
class SocketEventLog {
public:
    void attach(TWSocket& socket, bool recordDataAvailable = true);
    const std::vector<std::string>& events() const { return events_; }
    int count(const std::string& prefix) const;
    bool contains(const std::string& event) const;
    void clear() { events_.clear(); }
    void add(const std::string& event) { events_.push_back(event); }

private:
    std::vector<std::string> events_;
};
