#pragma once

#include "ftp/ftp_proxy.h"

#include <cstddef>
#include <string>

// The SOCKS proxy is kept in "prox.dfd" after the passive-mode flag of line
// 3, which stays where it is: line 4 names the kind ("socks4", "socks4a",
// "socks5" or "none"), then host, port, user and password, one per line.
// A file written before the proxy existed has no line 4, or one that names
// no kind, and means "no proxy"; its other lines are written back unchanged.
namespace proxy_file {

inline constexpr std::size_t kKindLineIndex = 3;

FtpProxy readProxy(const std::string& path);

enum class StoreResult { Saved, FileMissing, WriteFailed };
// Saves the proxy into its lines and leaves every other line as it was. A
// missing file is created (it holds nothing else yet), with line 3 "0".
// With a password stored the file is made readable by its owner only.
StoreResult storeProxy(const std::string& path, const FtpProxy& proxy);

}  // namespace proxy_file
