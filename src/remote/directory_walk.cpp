#include "remote/directory_walk.h"

void DirectoryWalk::splitTarget()
{
    components.clear();
    std::string current;
    auto flush = [&] {
        if (!current.empty())
            components.push_back(current);
        current.clear();
    };
    for (const char c : target) {
        if (c == '/')
            flush();
        else
            current += c;
    }
    flush();
    componentCount = components.empty() ? 1 : static_cast<int>(components.size());
}

const std::string& DirectoryWalk::component(int oneBased) const
{
    static const std::string none;
    if (oneBased < 1 || oneBased > static_cast<int>(components.size()))
        return none;
    return components[static_cast<std::size_t>(oneBased - 1)];
}
