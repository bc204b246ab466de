#pragma once

#include "core/text_line_list.h"

#include <cstddef>
#include <string>

// Where one file of a web project lives and how to log in there: the six
// values that a project record, a deletion list entry and an upload queue
// entry all carry, in the order the files store them.
struct RemoteFileTarget {
    std::string server;
    std::string login;
    std::string password;
    std::string port;
    std::string remoteDirectory;
    std::string remoteFileName;

    // Appends the six values to `lines`, one line each, in stored order.
    void appendLines(TextLineList& lines) const;
    // Takes the six values from lines[first] .. lines[first + 5], which the
    // caller has checked are there.
    void readLines(const TextLineList& lines, std::size_t first);

    friend bool operator==(const RemoteFileTarget&, const RemoteFileTarget&) = default;
};

// How a remote file is named to the user: "/shop/page.html on host".
std::string remoteFileTargetText(const RemoteFileTarget& target);
