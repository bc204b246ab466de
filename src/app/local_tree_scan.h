#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Everything under one local folder that a folder-tree upload or recording
// takes: its files, folder by folder, with the path of each file's folder
// below the one scanned ("" for the folder itself, "img/icons" further
// down). A symbolic link to a folder is never followed: it could lead out
// of the tree or round in a circle. It is reported instead, for the log.
struct LocalTreeFile {
    std::string relativeFolder;
    std::string name;
    std::uint64_t size = 0;
};

struct LocalTree {
    std::vector<LocalTreeFile> files;
    // Links to folders that were left out, by their path below the folder.
    std::vector<std::string> skippedLinks;
    // False when the folder itself could not be read.
    bool readable = false;
};

LocalTree scanLocalTree(const std::string& folder);

// "a" + "b" is "a/b"; an empty part adds nothing.
std::string joinRelative(const std::string& folder, const std::string& name);
