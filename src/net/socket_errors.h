#pragma once

#include <stdexcept>
#include <string>

// Network failures travel through the program as Windows Sockets error
// numbers (10004 to 11004), because the FTP layer and its users show and
// compare those numbers. These helpers translate the POSIX codes.

// Windows Sockets numbers used by name in the code.
enum : int {
    WSAEINTR = 10004,
    WSAEBADF = 10009,
    WSAEACCES = 10013,
    WSAEFAULT = 10014,
    WSAEINVAL = 10022,
    WSAEMFILE = 10024,
    WSAEWOULDBLOCK = 10035,
    WSAEINPROGRESS = 10036,
    WSAEALREADY = 10037,
    WSAENOTSOCK = 10038,
    WSAECONNABORTED = 10053,
    WSAECONNRESET = 10054,
    WSAENOTCONN = 10057,
    WSAESHUTDOWN = 10058,
    WSAETIMEDOUT = 10060,
    WSAECONNREFUSED = 10061,
    WSANOTINITIALISED = 10093,
    WSAHOST_NOT_FOUND = 11001,
    WSATRY_AGAIN = 11002,
    WSANO_RECOVERY = 11003,
    WSANO_DATA = 11004,
};

// Failures of an encrypted connection, beyond the Windows Sockets numbers.
enum : int {
    TLS_E_HANDSHAKE = 21001,
    TLS_E_TRUNCATED = 21002,   // closed without close_notify: data may be missing
    TLS_E_PROTOCOL = 21003,
    TLS_E_SETUP = 21004,
    TLS_E_CERTIFICATE = 21005,
};

// The fixed English text of an error number ("Not a WinSock error" for
// numbers outside the table).
std::string SocketErrorText(int errorCode);

// errno value -> Windows Sockets number of the same meaning.
int WinsockErrorFromErrno(int posixErrno);

// getaddrinfo() result (EAI_*) -> Windows Sockets number.
int WinsockErrorFromGai(int gaiError);

// Raised for misuse of a socket component and for resolution failures when
// no OnError handler is attached.
class ESocketException : public std::runtime_error {
public:
    explicit ESocketException(const std::string& message, int errorCode = 0)
        : std::runtime_error(message), ErrorCode(errorCode) {}
    int ErrorCode;
};
