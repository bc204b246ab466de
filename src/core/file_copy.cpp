#include "core/file_copy.h"

#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

bool copyFileOver(const std::string& source, const std::string& destination)
{
    std::error_code error;
    const fs::path target = fs::absolute(destination, error);
    if (error || source.empty() || destination.empty())
        return false;
    if (!fs::is_regular_file(source, error))
        return false;
    // Copying a file onto itself would otherwise end with an empty file.
    if (fs::equivalent(source, target, error))
        return true;
    const fs::path temporary = target.string() + ".copy" + std::to_string(::getpid());
    if (!fs::copy_file(source, temporary, fs::copy_options::overwrite_existing, error)) {
        fs::remove(temporary, error);
        return false;
    }
    fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return false;
    }
    return true;
}
