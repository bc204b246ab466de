#include "webwatch/login_change.h"

#include <array>

SiteLogin loginOf(const RemoteFileTarget& target)
{
    return SiteLogin{target.server, target.login, target.password, target.port};
}

bool isStorableLogin(const SiteLogin& login)
{
    for (const std::string* value : {&login.server, &login.login, &login.password, &login.port})
        if (value->find_first_of("\r\n") != std::string::npos)
            return false;
    return true;
}

std::size_t countFilesWithLogin(const ProjectStore& store, std::size_t p, const SiteLogin& old)
{
    std::size_t count = 0;
    for (std::size_t j = 0; j < store.fileCount(p); ++j)
        count += loginOf(store.file(p, j)) == old ? 1 : 0;
    return count;
}

std::size_t changeProjectLogin(ProjectStore& store, std::size_t p, const SiteLogin& old, const SiteLogin& now)
{
    if (!isStorableLogin(now))
        return 0;
    std::size_t changed = 0;
    for (std::size_t j = 0; j < store.fileCount(p); ++j) {
        if (!(loginOf(store.file(p, j)) == old))
            continue;
        const std::array<std::pair<ProjectField, const std::string*>, 4> fields{
            {{ProjectField::Server, &now.server},
             {ProjectField::Login, &now.login},
             {ProjectField::Password, &now.password},
             {ProjectField::Port, &now.port}}};
        for (const auto& [field, value] : fields)
            store.setField(p, j, field, *value);
        ++changed;
    }
    return changed;
}

std::size_t changeDeletionLogin(DeletionList& list, const SiteLogin& old, const SiteLogin& now)
{
    if (!isStorableLogin(now))
        return 0;
    std::size_t changed = 0;
    std::vector<DeletionEntry> entries = list.entries();
    for (DeletionEntry& entry : entries) {
        if (!(loginOf(entry) == old))
            continue;
        entry.server = now.server;
        entry.login = now.login;
        entry.password = now.password;
        entry.port = now.port;
        ++changed;
    }
    if (changed == 0)
        return 0;
    list.clear();
    for (const DeletionEntry& entry : entries)
        list.append(entry);
    return changed;
}
