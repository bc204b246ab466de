#pragma once

#include "webwatch/deletion_list.h"
#include "webwatch/project_store.h"

#include <cstddef>
#include <string>

// How a file of a web project logs in: server, login, password and port, as
// every project record, deletion list entry and queue entry repeats them.
struct SiteLogin {
    std::string server;
    std::string login;
    std::string password;
    std::string port;

    friend bool operator==(const SiteLogin&, const SiteLogin&) = default;
};

SiteLogin loginOf(const RemoteFileTarget& target);
// A value with a line break would cut the record it is written into in two.
bool isStorableLogin(const SiteLogin& login);

// The files of project p that log in with exactly `old`.
std::size_t countFilesWithLogin(const ProjectStore& store, std::size_t p, const SiteLogin& old);

// Writes `now` into every file of project p that logs in with `old`; their
// stamps stay, so no file is sent again for it. Returns how many changed.
std::size_t changeProjectLogin(ProjectStore& store, std::size_t p, const SiteLogin& old, const SiteLogin& now);

// The same for the entries of a deletion list.
std::size_t changeDeletionLogin(DeletionList& list, const SiteLogin& old, const SiteLogin& now);
