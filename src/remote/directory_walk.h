#pragma once

#include <array>
#include <string>

// A walk down the remote tree towards a server path ("/home/user/www"), one
// directory per listing: each listing done selects the next component's node,
// whose directory change leads to the next listing. The login directory walk
// and the walk to a link's target each keep one.
struct DirectoryWalk {
    static constexpr int kMaxComponents = 7;

    std::string target;
    std::array<std::string, kMaxComponents> components;
    int componentCount = 0;
    int step = 0;

    // Splits the target, from its second character on (the leading "/"), at
    // each "/" into at most seven components; anything after the seventh is
    // ignored. Empty components (from "//" or a trailing "/") are dropped: a
    // node with an empty name cannot exist, so the walk would stop there.
    // The count is at least 1.
    void splitTarget();

    // The component for a one-based step, empty past the count.
    const std::string& component(int oneBased) const;
};
