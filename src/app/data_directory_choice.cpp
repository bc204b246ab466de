#include "app/data_directory_choice.h"

#include "app/installation.h"
#include "core/data_paths.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

bool isRegularFile(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool sameFolder(const std::string& a, const std::string& b)
{
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;
}

// Files only this program makes: a folder holding one of them was once a
// data directory.
bool holdsDataFiles(const std::string& folder)
{
    for (const char* name : {"serv3.adr", "wbprj.dfd", "fiext1.fil", "koefil.dfd"})
        if (isRegularFile(joinPath(folder, name)))
            return true;
    return false;
}

}  // namespace

DataDirectoryChoice chooseDataDirectory(const std::string& named, const std::string& programFile,
                                        const std::string& currentDirectory, const std::string& defaultDirectory)
{
    DataDirectoryChoice choice;
    if (!named.empty()) {
        choice.directory = fs::path(currentDirectory).append(named).lexically_normal().string();
        if (choice.directory.size() > 1 && choice.directory.back() == '/')
            choice.directory.pop_back();
    } else {
        const std::string programFolder = fs::path(programFile).parent_path().string();
        choice.directory = !programFolder.empty() && isRegularFile(joinPath(programFolder, kInstallManifestName))
            ? programFolder
            : defaultDirectory;
    }
    if (!currentDirectory.empty() && !sameFolder(currentDirectory, choice.directory)
        && holdsDataFiles(currentDirectory))
        choice.notice = "! The data files in " + currentDirectory + " are not used: the data directory is "
            + choice.directory + ". Start with --data-dir " + currentDirectory + " to use them.";
    return choice;
}

bool makeDataDirectory(const std::string& directory, std::string& why)
{
    std::error_code error;
    if (fs::is_directory(directory, error))
        return true;
    const fs::path path(directory);
    if (path.has_parent_path())
        fs::create_directories(path.parent_path(), error);
    if (!error && ::mkdir(directory.c_str(), 0700) != 0) {
        const int reason = errno;
        if (!(reason == EEXIST && fs::is_directory(directory, error)))
            error = std::error_code(reason, std::generic_category());
    }
    if (error) {
        why = error.message();
        return false;
    }
    return true;
}
