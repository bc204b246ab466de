#pragma once

#include <cstdint>

// Messages a socket component sends to itself. Network readiness, lookup
// results and the deferred requests all come back through these so that a
// component's events always run from the event loop, never inside the call
// that caused them.
enum TSocketUserMessage : unsigned {
    WM_SOCKET_EVENT = 1,       // wParam: handle, lParam: event bits | error << 16
    WM_LOOKUP_DONE = 2,        // wParam: lookup handle, lParam: error << 16
    WM_REVERSE_LOOKUP_DONE = 3,
    WM_CLOSE_REQUEST = 4,      // CloseLater
    WM_RELEASE_REQUEST = 5,    // ReleaseLater
    WM_TEST_EXCEPTION = 6,
    WM_LINE_MODE_DELIVERY = 20,
};

// Network event bits of WM_SOCKET_EVENT.
enum : std::uint16_t {
    FD_READ = 0x01,
    FD_WRITE = 0x02,
    FD_OOB = 0x04,
    FD_ACCEPT = 0x08,
    FD_CONNECT = 0x10,
    FD_CLOSE = 0x20,
};

struct TSocketMessage {
    unsigned Msg = 0;
    std::intptr_t WParam = 0;
    std::intptr_t LParam = 0;
    // Which connection of the component the message belongs to. POSIX hands
    // out the lowest free descriptor, so a closed and reopened socket often
    // gets the same number back; a stale message must not reach the new one.
    std::uint64_t Serial = 0;
};

inline std::intptr_t MakeSocketLParam(std::uint16_t low, std::uint16_t high)
{
    return static_cast<std::intptr_t>(static_cast<std::uint32_t>(low) | (static_cast<std::uint32_t>(high) << 16));
}
inline std::uint16_t LParamLow(std::intptr_t lParam) { return static_cast<std::uint16_t>(lParam & 0xFFFF); }
inline std::uint16_t LParamHigh(std::intptr_t lParam) { return static_cast<std::uint16_t>((lParam >> 16) & 0xFFFF); }
