#include "core/stale_temporary_files.h"

#include "core/own_data_files.h"

#include <filesystem>

void removeStaleTemporaryFiles(const std::string& directory)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        // Only by the names the program's own writes use: a user's
        // "thesis.tmp2" in the same folder is the user's.
        if (OwnDataFiles::isOwnTemporaryFileName(entry.path().filename().string()) &&
            entry.is_regular_file(error) && !entry.is_symlink(error))
            std::filesystem::remove(entry.path(), error);
    }
}
