#include "core/data_paths.h"

#include <filesystem>
#include <system_error>

std::string joinPath(const std::string& directory, const std::string& name)
{
    if (!directory.empty() && directory.back() == '/')
        return directory + name;
    return directory + "/" + name;
}

std::string currentDirectory()
{
    std::error_code error;
    auto path = std::filesystem::current_path(error);
    return error ? std::string() : path.string();
}
