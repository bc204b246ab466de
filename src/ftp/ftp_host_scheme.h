#pragma once

#include <string>

// How a host text asks to be reached. "ftpes://host" requires FTP over
// explicit TLS (AUTH TLS after the welcome); "ftp://host" is plain FTP; a
// bare host name is plain FTP as well. The scheme is part of the host text
// wherever hosts are stored, so older files keep loading unchanged and the
// text the user typed is kept as typed; it is taken apart only here.
//
// After a scheme the text may name a port and a path, as in a URL:
// "ftpes://host:2121/pub/www", "ftp://[::1]:21/". A bare host text is taken
// whole (an IPv6 address such as "::1" is full of colons), as it always was.
struct FtpHostAddress {
    std::string host;          // the name or address to connect to (no brackets)
    std::string port;          // the port written after the host, or empty
    std::string path;          // the directory written after the host, or empty
    bool tlsRequired = false;
    // Why the text names no server ("ftpes://", a bad port); empty when it
    // does. An address with an error must not be connected to.
    std::string error;
};

FtpHostAddress ParseFtpHost(const std::string& text);

// The host text for `host` as the command line hands it on: the scheme when
// TLS is required, an IPv6 address in brackets so that its colons are not
// read as a port.
std::string FtpHostText(const std::string& host, bool tlsRequired);

// Whether the text is a port number: decimal digits for 1 to 65535.
bool IsFtpPortNumber(const std::string& text);
