#include "core/own_data_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 16> kOwnNames{
    "fiext1.fil", "FTPDIRL.TXT", "rstfil.txt", "koefil.dfd", "serv3.adr",      "serv.adr",      "ascd.dfd",
    "prox.dfd",   "wbprj.dfd",   "nyweb.dfd",  "nyweb2.dfd", "defil.dfd",      "tlstrust.dfd", "tavlinftp.lock",
    "tavlinftp.window.lock",     "tavlinftp.ini",
};

bool endsWithIgnoringCase(std::string_view text, std::string_view ending)
{
    if (text.size() < ending.size())
        return false;
    return std::equal(ending.begin(), ending.end(), text.end() - static_cast<std::ptrdiff_t>(ending.size()),
                      [](char a, char b) {
                          return std::tolower(static_cast<unsigned char>(a)) ==
                                 std::tolower(static_cast<unsigned char>(b));
                      });
}

bool sameDirectory(const std::string& a, const std::string& b)
{
    struct stat first {};
    struct stat second {};
    if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0)
        return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace

bool OwnDataFiles::isOwnFileName(const std::string& name)
{
    for (std::string_view own : kOwnNames) {
        if (name == own)
            return true;
        // Files written beside a data file while it is replaced: its
        // temporary copy, its swap file, a lock, the queue file's journal.
        if (name.size() > own.size() && name.compare(0, own.size(), own) == 0 && name[own.size()] == '.')
            return true;
    }
    // Data files the list above does not know yet keep the program's own
    // endings.
    return endsWithIgnoringCase(name, ".dfd") || endsWithIgnoringCase(name, ".adr");
}

bool OwnDataFiles::isOwnTemporaryFileName(const std::string& name)
{
    constexpr std::string_view kMark = ".tmp";
    for (std::string_view own : kOwnNames) {
        const std::size_t digits = own.size() + kMark.size();
        if (name.size() <= digits || name.compare(0, own.size(), own) != 0 ||
            name.compare(own.size(), kMark.size(), kMark) != 0)
            continue;
        if (std::all_of(name.begin() + static_cast<std::ptrdiff_t>(digits), name.end(),
                        [](unsigned char c) { return c >= '0' && c <= '9'; }))
            return true;
    }
    return false;
}

bool OwnDataFiles::contains(const std::string& directory, const std::string& name) const
{
    return isOwnFileName(name) && sameDirectory(directory, dataDirectory_);
}
