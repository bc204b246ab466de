#pragma once

#include <cstddef>
#include <string>
#include <vector>

// How deep a walk or a scan of the remote tree goes, and how long a server
// path it takes. No real site comes near either; a server that lists a
// folder inside itself (a link shown as a folder) would otherwise be walked
// without end, each level a CWD and a listing.
inline constexpr int kDeepestRemoteFolderLevel = 32;
inline constexpr std::size_t kLongestRemoteFolderPath = 2048;

// A walk down the remote tree towards a server path ("/home/user/www"), one
// directory per listing: each listing done selects the next component's node,
// whose directory change leads to the next listing. The login directory walk
// and the walk to a link's target each keep one.
struct DirectoryWalk {
    // An absolute server path; the walk starts at the root.
    std::string target;
    std::vector<std::string> components;
    int componentCount = 0;
    int step = 0;

    // Splits the target at each "/" into its components, however many there
    // are. Empty components (from the leading "/", "//" or a trailing "/")
    // are dropped: a node with an empty name cannot exist, so the walk would
    // stop there. The count is at least 1 (an empty first component for the
    // root itself).
    void splitTarget();

    // The component for a one-based step, empty past the count.
    const std::string& component(int oneBased) const;
};
