#include "app/local_tree_scan.h"

#include "core/data_paths.h"
#include "core/directory_search.h"
#include "core/file_attributes.h"

#include <algorithm>

namespace {

void scanFolder(const std::string& root, const std::string& relative, LocalTree& tree)
{
    const std::string folder = relative.empty() ? root : joinPath(root, relative);
    DirectorySearch search(joinPath(folder, "*.*"), true);
    if (relative.empty())
        tree.readable = search.isOpen();
    // Files first, then the sub-folders, each folder's names in name order,
    // so a tree goes up in the same order every time.
    std::vector<DirectoryEntry> files;
    std::vector<std::string> folders;
    DirectoryEntry entry;
    while (search.next(entry)) {
        if (entry.attributes == kAttrDirectory) {
            if (entry.symbolicLink)
                tree.skippedLinks.push_back(joinRelative(relative, entry.name));
            else
                folders.push_back(entry.name);
        } else {
            files.push_back(entry);
        }
    }
    std::sort(files.begin(), files.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
    std::sort(folders.begin(), folders.end());
    for (const DirectoryEntry& file : files)
        tree.files.push_back({relative, file.name, file.statusKnown ? file.size : 0});
    for (const std::string& name : folders)
        scanFolder(root, joinRelative(relative, name), tree);
}

}  // namespace

LocalTree scanLocalTree(const std::string& folder)
{
    LocalTree tree;
    scanFolder(folder, {}, tree);
    return tree;
}

std::string joinRelative(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    if (name.empty())
        return folder;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}
