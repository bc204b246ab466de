#pragma once

#include "cli/cli_options.h"

#include <optional>
#include <string>

// One login of a netrc file: the "machine" entry for a host, or "default".
struct NetrcLogin {
    std::string login;      // empty when the entry names none
    std::string password;
    bool hasPassword = false;
    // From the "default" entry, which stands for every host.
    bool fromDefault = false;
};

// Finds the login for `host` in the text of a netrc file (the format other
// FTP tools read: "machine NAME login NAME password WORD", "default",
// "account", "macdef NAME" up to an empty line, "#" comment lines, double
// quotes around words with blanks). With `user` given, only entries for
// that login (or naming none) count. The first matching machine entry wins,
// else the first matching default entry.
std::optional<NetrcLogin> FindNetrcLogin(const std::string& netrcText, const std::string& host,
                                         const std::string& user);

// Where the password comes from, first match wins: the URL,
// TAVLINFTP_PASSWORD (`environmentPassword`, null when not set), the netrc
// file (with --netrc; it may also name the user when the URL names none).
// TAVLINFTP_PASSWORD and a netrc default entry's password stand for no
// server in particular: they go only to a named user other than anonymous
// or ftp, never to an anonymous log-in, which servers log.
// A netrc file that others than its owner can read is refused, since the
// passwords in it are then no secret. False with `error` set when the
// netrc file cannot be used.
bool ResolveCredentials(CliOptions& options, const char* environmentPassword, const std::string& homeDir,
                        std::string& error);
