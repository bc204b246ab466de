#include "ftp/ftp_host_scheme.h"

#include "core/url_password_mask.h"

#include <algorithm>
#include <cctype>

namespace {

bool startsWithScheme(const std::string& text, const std::string& scheme)
{
    return text.size() >= scheme.size() &&
           std::equal(scheme.begin(), scheme.end(), text.begin(),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

}  // namespace

bool IsFtpPortNumber(const std::string& text)
{
    if (text.empty() || text.size() > 5 || !std::all_of(text.begin(), text.end(), [](unsigned char c) {
            return std::isdigit(c) != 0;
        }))
        return false;
    const int value = std::stoi(text);
    return value >= 1 && value <= 65535;
}

FtpHostAddress ParseFtpHost(const std::string& text)
{
    FtpHostAddress address;
    std::string rest;
    if (startsWithScheme(text, "ftpes://")) {
        address.tlsRequired = true;
        rest = text.substr(8);
    } else if (startsWithScheme(text, "ftp://")) {
        rest = text.substr(6);
    } else {
        address.host = text;
        return address;
    }
    const auto fail = [&address, &text](const std::string& why) {
        address.host.clear();
        address.port.clear();
        address.path.clear();
        // The text is shown in the log: a log-in typed into it keeps its
        // password there.
        address.error = "the host address \"" + MaskUrlPassword(text) + "\" " + why;
        return address;
    };

    std::string authority = rest.substr(0, rest.find('/'));
    if (authority.size() < rest.size()) {
        address.path = rest.substr(authority.size());
        while (address.path.size() > 1 && address.path.back() == '/')
            address.path.pop_back();
        if (address.path == "/")
            address.path.clear();
    }
    if (authority.find('@') != std::string::npos)
        return fail("holds a log-in; the user name and password have fields of their own");

    std::string portText;
    bool portGiven = false;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string::npos)
            return fail("has no \"]\" after the IPv6 address");
        address.host = authority.substr(1, close - 1);
        const std::string after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':')
                return fail("has \"" + after + "\" after the IPv6 address");
            portGiven = true;
            portText = after.substr(1);
        }
    } else if (std::count(authority.begin(), authority.end(), ':') == 1) {
        const std::size_t colon = authority.find(':');
        address.host = authority.substr(0, colon);
        portGiven = true;
        portText = authority.substr(colon + 1);
    } else {
        // No port, or an IPv6 address written without brackets (as older
        // site lists may hold it): all of it is the host.
        address.host = authority;
    }
    if (address.host.empty())
        return fail("names no host");
    if (portGiven && !IsFtpPortNumber(portText))
        return fail("has \"" + portText + "\" where a port number from 1 to 65535 belongs");
    if (portGiven)
        address.port = std::to_string(std::stoi(portText));
    return address;
}

std::string FtpHostText(const std::string& host, bool tlsRequired)
{
    // A bare host text is taken whole, so only a scheme needs the brackets.
    if (!tlsRequired)
        return host;
    return "ftpes://" + (host.find(':') != std::string::npos ? "[" + host + "]" : host);
}
