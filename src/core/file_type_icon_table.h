#pragma once

#include "core/text_line_list.h"

#include <functional>
#include <string>

// The file-type icon table (fiext1.fil): one line per extension, the
// extension as found on disk with its dot, followed directly by the decimal
// index of its icon in the program's icon list (".txt12"). Built once, at
// the first start, from the files found on the root file system; the remote
// file list uses it to give each listed file an icon.

// What the icon source says about a probe path such as "/etc/*.conf".
struct FileTypeProbeResult {
    int iconIndex = 0;  // 0 or less: no icon, the file type is left out
    std::string typeName;
};
using FileTypeProbe = std::function<FileTypeProbeResult(const std::string& probePath)>;

// The extension of a file name: from its last dot to the end, dot included;
// empty without a dot.
std::string fileExtension(const std::string& name);

// The probe path for a file's type: the folder it was found in, "/", "*" and
// the first four characters of the extension (so ".html" probes "*.htm").
std::string fileTypeProbePath(const std::string& folder, const std::string& extension);

// Adds the line for one extension unless the first 500 lines of the table
// already hold it. ".COM" adds ".EXE" and ".exe" lines with the same index
// after its own line. Returns whether anything was added.
bool addFileTypeLine(TextLineList& table, const std::string& extension, int iconIndex);

// Searches `root` and each of its folders, one level deep, and adds a line
// for the extension of every ordinary file found (attribute word exactly
// "archive": regular, writable by its owner, not hidden). Files without an
// extension, ".EXE"/".exe" files, and files whose probe yields no icon are
// left out. A root that cannot be read adds nothing.
void collectFileTypes(const std::string& root, const FileTypeProbe& probe, TextLineList& table);
