#include "net/socket_resolve.h"

#include "net/socket_errors.h"

#include <arpa/inet.h>
#include <cctype>
#include <cstdio>
#include <netdb.h>
#include <sys/socket.h>

namespace {

std::string formatted(const char* format, const std::string& value)
{
    const int size = std::snprintf(nullptr, 0, format, value.c_str());
    std::string out(static_cast<std::size_t>(size), '\0');
    std::snprintf(out.data(), out.size() + 1, format, value.c_str());
    return out;
}

bool startsWithNumber(const std::string& text, long& number)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i])))
        return false;
    number = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        number = number * 10 + (text[i] - '0');
        if (number > 1000000)
            break;   // far past any port or protocol number already
        ++i;
    }
    return true;
}

}  // namespace

std::string TrimmedSocketText(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool IsDottedAddress(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i])))
        return false;
    int dots = 0;
    int number = 0;
    for (; i < text.size() && text[i] != ' '; ++i) {
        const char c = text[i];
        if (c == '.') {
            if (++dots > 3)
                return false;
            if (i + 1 >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i + 1])))
                return false;
            number = 0;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            number = number * 10 + (c - '0');
            if (number > 255)
                return false;
        } else {
            return false;
        }
    }
    for (; i < text.size(); ++i) {
        if (text[i] != ' ')
            return false;
    }
    return dots == 3;
}

in_addr_t ResolveHost(const std::string& host)
{
    if (host.empty() || host.size() > 256)
        throw ESocketException("WSocketResolveHost: '" + host + "' Invalid Hostname.", WSAEINVAL);
    const std::string name = TrimmedSocketText(host);
    if (IsDottedAddress(name)) {
        const in_addr_t address = inet_addr(name.c_str());
        if (address == INADDR_NONE && name != "255.255.255.255")
            throw ESocketException("WSocketResolveHost: '" + host + "' Invalid IP address.", WSAEINVAL);
        return address;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    const int rc = getaddrinfo(name.c_str(), nullptr, &hints, &result);
    if (rc != 0 || result == nullptr) {
        const int error = rc != 0 ? WinsockErrorFromGai(rc) : WSAHOST_NOT_FOUND;
        if (result != nullptr)
            freeaddrinfo(result);
        throw ESocketException(formatted("WSocketResolveHost: Cannot convert host address '%s'", host), error);
    }
    const in_addr_t address = reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(result);
    return address;
}

std::uint16_t ResolvePort(const std::string& port, const std::string& proto)
{
    if (port.empty() || port.size() >= 32)
        throw ESocketException("WSocketResolvePort: Invalid Port.", WSAEINVAL);
    long number = 0;
    if (startsWithNumber(port, number)) {
        // A number that does not fit a port would silently name another one.
        if (number > 65535)
            throw ESocketException("WSocketResolvePort: Invalid Port.", WSAEINVAL);
        return static_cast<std::uint16_t>(number);
    }
    const std::string name = TrimmedSocketText(port);
    const servent* service = getservbyname(name.c_str(), proto.empty() ? nullptr : proto.c_str());
    if (service == nullptr)
        throw ESocketException(formatted("WSocketResolvePort: Cannot convert port '%s'", port), WSANO_DATA);
    return ntohs(static_cast<std::uint16_t>(service->s_port));
}

int ResolveProto(const std::string& proto)
{
    if (proto.empty() || proto.size() >= 32)
        throw ESocketException("WSocketResolveProto: Invalid Protocol.", WSAEINVAL);
    long number = 0;
    if (startsWithNumber(proto, number))
        return static_cast<int>(number);
    const std::string name = TrimmedSocketText(proto);
    // The two protocols a socket can use here have fixed numbers: no need to
    // read the protocol database for every data connection, and minimal
    // systems may lack it.
    std::string lower;
    for (char c : name)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "tcp")
        return IPPROTO_TCP;
    if (lower == "udp")
        return IPPROTO_UDP;
    if (const protoent* entry = getprotobyname(name.c_str()))
        return entry->p_proto;
    throw ESocketException(formatted("WSocketResolveProto: Cannot convert protocol '%s'", proto), WSANO_DATA);
}

std::string DottedAddress(in_addr_t networkOrderAddress)
{
    char text[INET_ADDRSTRLEN] = {};
    in_addr address{};
    address.s_addr = networkOrderAddress;
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}
