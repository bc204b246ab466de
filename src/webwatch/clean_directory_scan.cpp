#include "webwatch/clean_directory_scan.h"

#include "core/directory_search.h"
#include "core/file_attributes.h"
#include "core/text_line_list.h"
#include "core/wildcard.h"
#include "transfer/transfer_mode_decision.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <unordered_set>
#include <utility>

namespace {

// New records to put into the line list before line `position` (a line
// index of the list as it stood before the scan).
struct Insertion {
    std::size_t position;
    std::vector<std::string> lines;
};

// Puts every insertion in place in one pass, so taking in thousands of files
// costs one copy of the list rather than one shift of its tail per file.
std::vector<std::string> withInsertions(const std::vector<std::string>& lines, std::vector<Insertion>& insertions,
                                        std::size_t added)
{
    std::vector<std::string> result;
    result.reserve(lines.size() + added);
    std::size_t copied = 0;
    for (auto& insertion : insertions) {
        result.insert(result.end(), lines.begin() + static_cast<std::ptrdiff_t>(copied),
                      lines.begin() + static_cast<std::ptrdiff_t>(insertion.position));
        copied = insertion.position;
        std::move(insertion.lines.begin(), insertion.lines.end(), std::back_inserter(result));
    }
    result.insert(result.end(), lines.begin() + static_cast<std::ptrdiff_t>(copied), lines.end());
    return result;
}

std::string nativeOf(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// Deeper than this no site goes; it also ends a walk that a bind mount
// would make endless.
constexpr int kMaxFolderDepth = 32;

// One line of an ignore file, and the folder whose file held it.
struct IgnoreRule {
    std::string base;  // native folder, ending in '/'
    std::string pattern;
    bool byPath = false;      // matched against the path below `base`
    bool foldersOnly = false; // written with a trailing '/'
};
using IgnoreRules = std::vector<IgnoreRule>;

bool isIgnored(const IgnoreRules& rules, const std::string& nativePath, std::string_view name, bool folder)
{
    for (const IgnoreRule& rule : rules) {
        if (rule.foldersOnly && !folder)
            continue;
        if (nativePath.compare(0, rule.base.size(), rule.base) != 0)
            continue;
        const std::string_view below = std::string_view(nativePath).substr(rule.base.size());
        if (wildcardMatch(rule.pattern, rule.byPath ? below : name))
            return true;
    }
    return false;
}

// The rules of the ignore file in `folder` (native, ending in '/'), each
// file read once per discovery.
class IgnoreFiles {
public:
    const IgnoreRules& of(const std::string& folder)
    {
        const auto known = read_.find(folder);
        if (known != read_.end())
            return known->second;
        IgnoreRules& rules = read_[folder];
        TextLineList lines;
        if (!lines.loadFromFile(folder + kIgnoreFileName))
            return rules;
        for (std::string line : lines.lines()) {
            const auto notBlank = [](unsigned char c) { return !std::isspace(c); };
            line.erase(line.begin(), std::find_if(line.begin(), line.end(), notBlank));
            line.erase(std::find_if(line.rbegin(), line.rend(), notBlank).base(), line.end());
            if (line.empty() || line.front() == '#')
                continue;
            IgnoreRule rule{folder, line};
            if (rule.pattern.back() == '/') {
                rule.foldersOnly = true;
                rule.pattern.pop_back();
            }
            if (rule.pattern.find('/') != std::string::npos) {
                rule.byPath = true;
                rule.pattern.erase(0, rule.pattern.find_first_not_of('/'));
            }
            if (!rule.pattern.empty())
                rules.push_back(std::move(rule));
        }
        return rules;
    }

private:
    std::map<std::string, IgnoreRules> read_;
};

// The folder all of the project's files lie in (native, ending in '/'):
// ignore files from there down apply.
std::string commonFolderOf(const std::vector<std::string>& folders)
{
    if (folders.empty())
        return {};
    std::string common = folders.front();
    for (const std::string& folder : folders) {
        const auto differ = std::mismatch(common.begin(), common.end(), folder.begin(), folder.end());
        common.erase(differ.first, common.end());
    }
    const std::size_t slash = common.rfind('/');
    return slash == std::string::npos ? std::string() : common.substr(0, slash + 1);
}

// Walks a clean folder and its new sub-folders for one clean file, adding a
// record for each file to take in.
class FolderWalk {
public:
    FolderWalk(const std::vector<std::string>& lines, std::size_t cleanFile,
               const std::vector<std::string>& asciiExtensions, std::unordered_set<std::string>& known,
               const std::unordered_set<std::string>& recordFolders, IgnoreFiles& ignoreFiles,
               CleanDirectoryDiscovery& found, Insertion& insertion)
        : lines_(lines), cleanFile_(cleanFile), asciiExtensions_(asciiExtensions), known_(known),
          recordFolders_(recordFolders), ignoreFiles_(ignoreFiles), found_(found), insertion_(insertion)
    {
    }

    void walk(const std::string& storedFolder, const std::string& remoteDirectory, const IgnoreRules& rules,
              int depth)
    {
        const std::string native = nativeOf(storedFolder);
        IgnoreRules here = rules;
        if (depth > 0) {
            const IgnoreRules& own = ignoreFiles_.of(native);
            here.insert(here.end(), own.begin(), own.end());
        }
        const char separator = storedFolder.back();
        std::vector<std::string> subFolders;
        bool tookAny = false;
        DirectorySearch search(native + "*.*", true);
        DirectoryEntry entry;
        while (search.next(entry)) {
            if (!isStorableValue(entry.name))
                continue;
            const bool folder = entry.attributes == kAttrDirectory;
            if (isIgnored(here, native + entry.name, entry.name, folder))
                continue;
            if (folder) {
                if (!entry.symbolicLink && entry.name.front() != '.' && depth < kMaxFolderDepth
                    && !recordFolders_.contains(native + entry.name + '/'))
                    subFolders.push_back(entry.name);
                continue;
            }
            if (entry.attributes != kAttrArchive || isLitterName(entry.name))
                continue;
            std::string candidate = " " + storedFolder + entry.name;
            if (entry.symbolicLink) {
                if (!known_.contains(candidate))
                    found_.skippedLinks.push_back(native + entry.name);
                continue;
            }
            if (!known_.insert(candidate).second)
                continue;
            addRecord(std::move(candidate), remoteDirectory, entry.name);
            tookAny = true;
        }
        if (tookAny && depth > 0)
            found_.newFolders.push_back(native);
        // Files of a folder stand before those of its sub-folders.
        for (const std::string& name : subFolders) {
            std::string remote = remoteDirectory;
            if (remote.empty() || remote.back() != '/')
                remote += '/';
            walk(storedFolder + name + separator, remote + name, here, depth + 1);
        }
    }

private:
    void addRecord(std::string localLine, const std::string& remoteDirectory, const std::string& name)
    {
        std::vector<std::string>& out = insertion_.lines;
        out.push_back(std::move(localLine));
        for (ProjectField k : {ProjectField::Server, ProjectField::Login, ProjectField::Password, ProjectField::Port})
            out.push_back(lines_[cleanFile_ + static_cast<std::size_t>(k) - 1]);
        out.push_back(" " + remoteDirectory);
        out.push_back(" " + name);
        out.push_back(" " + decideTransferMode(TransferModeChoice::AutoDetect, name, asciiExtensions_));
        out.push_back(" " + std::string(kNeverUploadedStamp));
        ++found_.taken;
    }

    const std::vector<std::string>& lines_;
    std::size_t cleanFile_;
    const std::vector<std::string>& asciiExtensions_;
    std::unordered_set<std::string>& known_;
    const std::unordered_set<std::string>& recordFolders_;
    IgnoreFiles& ignoreFiles_;
    CleanDirectoryDiscovery& found_;
    Insertion& insertion_;
};

} // namespace

bool isLitterName(std::string_view name)
{
    static constexpr std::array<const char*, 8> kLitter{"*~",        ".#*",       "*.swp",       "*.tmp",
                                                       ".DS_Store", "Thumbs.db", "desktop.ini", kIgnoreFileName};
    return std::any_of(kLitter.begin(), kLitter.end(),
                       [&](const char* pattern) { return wildcardMatch(pattern, name); });
}

std::string folderPartOf(const std::string& localPath)
{
    const std::size_t separator = localPath.find_last_of("/\\");
    return separator == std::string::npos ? std::string() : localPath.substr(0, separator + 1);
}

CleanDirectoryDiscovery takeInCleanDirectoryFiles(ProjectStore& projects, std::size_t p, std::size_t fileCount,
                                                  const std::vector<std::string>& asciiExtensions)
{
    CleanDirectoryDiscovery found;
    const std::vector<std::string>& lines = projects.lines().lines();
    if (p >= projects.projectCount() || projects.recordLine(p, fileCount) > lines.size())
        return found;

    std::unordered_set<std::string> known;
    known.reserve(fileCount * 2 + 16);
    // Folders that hold a file of the project are looked after by their own
    // files' modes, never entered as new sub-folders.
    std::unordered_set<std::string> recordFolders;
    std::vector<std::string> distinctFolders;
    for (std::size_t j = 0; j < fileCount; ++j) {
        const std::string& localLine = lines[projects.recordLine(p, j)];
        known.insert(localLine);
        const std::string folder = nativeOf(folderPartOf(localLine.substr(1)));
        if (!folder.empty() && recordFolders.insert(folder).second)
            distinctFolders.push_back(folder);
    }
    const std::string commonFolder = commonFolderOf(distinctFolders);

    std::vector<Insertion> insertions;
    IgnoreFiles ignoreFiles;
    // Each folder is read once per scan, however its files are spread over
    // the project: a second reading could only find what the first already
    // took in.
    std::unordered_set<std::string> listedFolders;
    for (std::size_t j = 0; j < fileCount; ++j) {
        const std::size_t first = projects.recordLine(p, j);
        const std::string& modeLine = lines[first + static_cast<std::size_t>(ProjectField::ModeCode) - 1];
        if (modeLine != " 0" && modeLine != " 1")
            continue;
        // A path without a folder names no folder to look after; the data
        // folder it would be read from is not the user's site.
        const std::string folder = folderPartOf(lines[first].substr(1));
        if (folder.empty())
            continue;
        if (!listedFolders.insert(folder).second)
            continue;

        // The ignore files from the project's common folder down to this one.
        const std::string native = nativeOf(folder);
        IgnoreRules rules;
        std::size_t end = !commonFolder.empty() && native.starts_with(commonFolder) ? commonFolder.size() : native.size();
        for (;;) {
            const IgnoreRules& level = ignoreFiles.of(native.substr(0, end));
            rules.insert(rules.end(), level.begin(), level.end());
            if (end >= native.size())
                break;
            end = native.find('/', end) + 1;
        }

        Insertion insertion{first + kProjectRecordLines, {}};
        FolderWalk walk(lines, first, asciiExtensions, known, recordFolders, ignoreFiles, found, insertion);
        walk.walk(folder, lines[first + static_cast<std::size_t>(ProjectField::RemoteDirectory) - 1].substr(1), rules,
                  0);
        if (!insertion.lines.empty())
            insertions.push_back(std::move(insertion));
    }
    if (found.taken > 0)
        projects.setLines(TextLineList(withInsertions(lines, insertions, found.taken * kProjectRecordLines)));
    return found;
}
