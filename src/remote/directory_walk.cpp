#include "remote/directory_walk.h"

void DirectoryWalk::splitTarget()
{
    for (std::string& c : components)
        c.clear();
    componentCount = 0;
    std::string current;
    auto flush = [&] {
        if (!current.empty() && componentCount < kMaxComponents)
            components[static_cast<std::size_t>(componentCount++)] = current;
        current.clear();
    };
    for (std::size_t i = 1; i < target.size() && componentCount < kMaxComponents; ++i) {
        if (target[i] == '/')
            flush();
        else
            current += target[i];
    }
    flush();
    if (componentCount == 0)
        componentCount = 1;
}

const std::string& DirectoryWalk::component(int oneBased) const
{
    static const std::string none;
    if (oneBased < 1 || oneBased > componentCount)
        return none;
    return components[static_cast<std::size_t>(oneBased - 1)];
}
