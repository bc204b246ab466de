#pragma once

#include <string>

// How a host text asks to be reached. "ftpes://host" requires FTP over
// explicit TLS (AUTH TLS on the usual port); "ftp://host" is plain FTP; a
// bare host name is plain FTP as well. The scheme is part of the host text
// wherever hosts are stored, so older files keep loading unchanged.
struct FtpHostAddress {
    std::string host;      // without scheme and without a trailing "/"
    bool tlsRequired = false;
};

FtpHostAddress ParseFtpHost(const std::string& text);
