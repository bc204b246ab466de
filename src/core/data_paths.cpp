#include "core/data_paths.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

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

std::string defaultDataDirectory(const char* xdgDataHome, const std::string& homeDirectory)
{
    if (xdgDataHome && *xdgDataHome == '/')
        return joinPath(xdgDataHome, "tavlinftp");
    return joinPath(joinPath(homeDirectory, ".local/share"), "tavlinftp");
}

std::string defaultDataDirectory()
{
    std::string home;
    if (const char* fromEnvironment = std::getenv("HOME"); fromEnvironment && *fromEnvironment)
        home = fromEnvironment;
    else if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        home = entry->pw_dir;
    else
        home = "/tmp";
    return defaultDataDirectory(std::getenv("XDG_DATA_HOME"), home);
}
