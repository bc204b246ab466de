#pragma once

#include <cstdint>
#include <netinet/in.h>
#include <string>

// Blocking name, service and protocol resolution as used by Connect and
// Listen. Failures raise ESocketException with the component's texts.

// The text without the blanks, tabs and line ends around it. Addresses,
// ports and protocols are taken this way wherever they are set or resolved,
// so a value typed with a stray space still names the same thing.
std::string TrimmedSocketText(const std::string& text);

// True for text of the form d.d.d.d (blanks allowed around it, each number
// at most 255).
bool IsDottedAddress(const std::string& text);

// Host name or dotted address -> IPv4 address in network byte order.
// May block on a name lookup.
in_addr_t ResolveHost(const std::string& host);

// Port number or service name -> port in host byte order.
std::uint16_t ResolvePort(const std::string& port, const std::string& proto);

// Protocol number or name ("tcp", "udp", "6") -> protocol number.
int ResolveProto(const std::string& proto);

// Dotted text of an address in network byte order.
std::string DottedAddress(in_addr_t networkOrderAddress);
