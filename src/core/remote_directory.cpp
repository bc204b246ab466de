#include "core/remote_directory.h"

#include <vector>

namespace {

bool isTreePath(const std::string& directory)
{
    return directory == "." || directory.rfind("./", 0) == 0;
}

void appendComponents(std::vector<std::string>& components, const std::string& path)
{
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string component = path.substr(start, end - start);
        if (component == "..") {
            // Above the root there is nothing; the server stays at "/".
            if (!components.empty())
                components.pop_back();
        } else if (!component.empty() && component != ".") {
            components.push_back(component);
        }
        start = end + 1;
    }
}

} // namespace

bool isRelativeToLoginFolder(const std::string& directory)
{
    return !directory.empty() && directory.front() != '/' && !isTreePath(directory);
}

std::string absoluteRemoteDirectory(const std::string& directory, const std::string& loginFolder)
{
    std::vector<std::string> components;
    if (directory.empty() || isRelativeToLoginFolder(directory))
        appendComponents(components, loginFolder);
    appendComponents(components, directory);
    std::string path;
    for (const std::string& component : components)
        path += "/" + component;
    return path.empty() ? std::string("/") : path;
}
