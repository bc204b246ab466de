#include "core/file_type_icon_table.h"

#include "core/data_paths.h"
#include "core/directory_search.h"
#include "core/file_attributes.h"

#include <algorithm>

namespace {

// Lines beyond this many are not looked at when checking for a duplicate.
constexpr std::size_t kCompareLimit = 500;

void considerFile(TextLineList& table, const std::string& folder, const std::string& name,
                  const FileTypeProbe& probe)
{
    const std::string extension = fileExtension(name);
    if (extension.empty() || extension == ".EXE" || extension == ".exe")
        return;
    const FileTypeProbeResult result = probe(fileTypeProbePath(folder, extension));
    if (result.iconIndex <= 0)
        return;
    addFileTypeLine(table, extension, result.iconIndex);
}

}  // namespace

std::string fileExtension(const std::string& name)
{
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string fileTypeProbePath(const std::string& folder, const std::string& extension)
{
    return joinPath(folder, "*" + extension.substr(0, 4));
}

bool addFileTypeLine(TextLineList& table, const std::string& extension, int iconIndex)
{
    const std::string index = std::to_string(iconIndex);
    const std::string candidate = extension + index;
    const auto compared = table.lines().begin() +
                          static_cast<std::ptrdiff_t>(std::min(table.size(), kCompareLimit));
    if (std::find(table.lines().begin(), compared, candidate) != compared)
        return false;
    table.append(candidate);
    if (extension == ".COM") {
        table.append(".EXE" + index);
        table.append(".exe" + index);
    }
    return true;
}

void collectFileTypes(const std::string& root, const FileTypeProbe& probe, TextLineList& table)
{
    DirectorySearch rootSearch(joinPath(root, "*.*"), true);
    DirectoryEntry entry;
    while (rootSearch.next(entry)) {
        if (entry.attributes == kAttrArchive) {
            considerFile(table, root, entry.name, probe);
        } else if (entry.attributes == kAttrDirectory) {
            const std::string folder = joinPath(root, entry.name);
            DirectorySearch folderSearch(joinPath(folder, "*.*"), false);
            DirectoryEntry file;
            while (folderSearch.next(file))
                if (file.attributes == kAttrArchive)
                    considerFile(table, folder, file.name, probe);
        }
    }
}
