#pragma once

#include <string>

// The files the program keeps in its data directory: the site list with
// every site's password, the queue, the projects, the lock and the settings,
// and the temporary and swap files written beside them. They are never sent
// to a server from there, however the user came to list that folder.
class OwnDataFiles {
public:
    explicit OwnDataFiles(std::string dataDirectory) : dataDirectory_(std::move(dataDirectory)) {}

    // Whether `name` in `directory` is one of them: `directory` is the data
    // directory (by whatever path it was reached) and the name is one the
    // program writes there.
    bool contains(const std::string& directory, const std::string& name) const;

    // Whether the program writes a file of this name in its data directory.
    static bool isOwnFileName(const std::string& name);
    // Whether this is the temporary name a whole-file write of one of the
    // program's data files uses ("wbprj.dfd.tmp" and a process id), which a
    // write killed halfway leaves behind. Other files of such a shape are
    // not the program's.
    static bool isOwnTemporaryFileName(const std::string& name);

private:
    std::string dataDirectory_;
};
