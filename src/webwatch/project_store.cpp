#include "webwatch/project_store.h"

#include "core/data_file_read.h"
#include "core/directory_search.h"

#include <algorithm>
#include <charconv>

namespace {

bool beginsWithSpace(const std::string& line)
{
    return !line.empty() && line.front() == ' ';
}

std::string withoutLeadingSpace(const std::string& line)
{
    return beginsWithSpace(line) ? line.substr(1) : line;
}

std::optional<std::uint64_t> parseCount(std::string_view text)
{
    // Lenient about surrounding blanks (a hand-edited file), strict about
    // everything else: a sign or any other character makes it no number.
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool isFlag(const std::string& line)
{
    return line == "0" || line == "1";
}

bool isModeCode(std::string_view value)
{
    return value.size() == 1 && value[0] >= '0' && value[0] <= '3';
}

bool isStamp(std::string_view value)
{
    return value == kNeverUploadedStamp
        || (!value.empty() && std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }));
}

bool allStorable(const std::vector<ProjectFileEntry>& records)
{
    return std::all_of(records.begin(), records.end(), [](const ProjectFileEntry& entry) {
        for (const auto& line : entry.recordLines())
            if (!isStorableValue(line))
                return false;
        return true;
    });
}

} // namespace

bool ProjectStore::load(const std::string& path)
{
    TextLineList loaded;
    if (!loaded.loadFromFile(path) || !projectLinesFault(loaded, path).empty())
        return false;
    // Empty lines after the last project hold nothing, but would be read as
    // the name of a project appended after them.
    while (loaded.size() > 1 && loaded.lines().back().empty())
        loaded.lines().pop_back();
    setLines(std::move(loaded));
    return true;
}

bool ProjectStore::save(const std::string& path) const
{
    if (!projectLinesFault(lines_, path).empty())
        return false;
    // Every project file record carries its log-in, password included.
    return lines_.saveToFile(path, FileAccess::OwnerOnly);
}

void ProjectStore::setLines(TextLineList lines)
{
    lines_ = std::move(lines);
    rebuildIndex();
}

void ProjectStore::rebuildIndex()
{
    index_.clear();
    const auto declared = declaredProjectCount();
    if (!declared)
        return;
    std::size_t line = 1;
    for (std::uint64_t k = 0; k < *declared; ++k) {
        while (line < lines_.size() && beginsWithSpace(lines_[line]))
            ++line;
        if (line >= lines_.size())
            break;
        index_.push_back(line);
        line += kProjectHeaderLines;
    }
}

std::optional<std::uint64_t> ProjectStore::declaredProjectCount() const
{
    if (lines_.empty())
        return std::nullopt;
    return parseCount(lines_[0]);
}

std::size_t ProjectStore::projectLine(std::size_t p) const
{
    return validProject(p) ? index_[p] : lines_.size();
}

std::string ProjectStore::projectName(std::size_t p) const
{
    return validProject(p) ? lines_[index_[p]] : std::string();
}

bool ProjectStore::cleanDirectory(std::size_t p) const
{
    return validProject(p) && lines_.lineOr(index_[p] + 1) == "1";
}

bool ProjectStore::deleteMissing(std::size_t p) const
{
    return validProject(p) && lines_.lineOr(index_[p] + 2) == "1";
}

bool ProjectStore::setFlag(std::size_t line, bool on)
{
    if (line >= lines_.size())
        return false;
    lines_[line] = on ? "1" : "0";
    return true;
}

bool ProjectStore::setCleanDirectory(std::size_t p, bool on)
{
    return validProject(p) && setFlag(index_[p] + 1, on);
}

bool ProjectStore::setDeleteMissing(std::size_t p, bool on)
{
    return validProject(p) && setFlag(index_[p] + 2, on);
}

std::size_t ProjectStore::fileCount(std::size_t p) const
{
    if (!validProject(p))
        return 0;
    std::size_t count = 0;
    std::size_t start = index_[p] + kProjectHeaderLines;
    // A record counts only when all nine of its lines are there and begin
    // with a space. In a well-formed file that is the same as looking at the
    // first line of each record; in a damaged one it keeps a short record
    // from swallowing the next project's name line.
    while (start + kProjectRecordLines <= lines_.size()) {
        for (std::size_t i = 0; i < kProjectRecordLines; ++i)
            if (!beginsWithSpace(lines_[start + i]))
                return count;
        ++count;
        start += kProjectRecordLines;
    }
    return count;
}

std::size_t ProjectStore::recordLine(std::size_t p, std::size_t j) const
{
    return projectLine(p) + kProjectHeaderLines + kProjectRecordLines * j;
}

std::size_t ProjectStore::fieldLine(std::size_t p, std::size_t j, ProjectField k) const
{
    return recordLine(p, j) + static_cast<std::size_t>(k) - 1;
}

std::string ProjectStore::field(std::size_t p, std::size_t j, ProjectField k) const
{
    if (j >= fileCount(p))
        return {};
    return withoutLeadingSpace(lines_[fieldLine(p, j, k)]);
}

bool ProjectStore::setField(std::size_t p, std::size_t j, ProjectField k, std::string_view value)
{
    if (j >= fileCount(p) || !isStorableValue(value))
        return false;
    lines_[fieldLine(p, j, k)] = " " + std::string(value);
    return true;
}

ProjectFileEntry ProjectStore::file(std::size_t p, std::size_t j) const
{
    if (j >= fileCount(p))
        return ProjectFileEntry::fromRecordLines({});
    const std::size_t first = recordLine(p, j);
    std::vector<std::string> record(lines_.lines().begin() + static_cast<std::ptrdiff_t>(first),
                                    lines_.lines().begin() + static_cast<std::ptrdiff_t>(first + kProjectRecordLines));
    return ProjectFileEntry::fromRecordLines(record);
}

WebProject ProjectStore::project(std::size_t p) const
{
    WebProject project;
    if (!validProject(p))
        return project;
    project.name = projectName(p);
    project.cleanDirectory = cleanDirectory(p);
    project.deleteMissing = deleteMissing(p);
    const std::size_t count = fileCount(p);
    project.files.reserve(count);
    for (std::size_t j = 0; j < count; ++j)
        project.files.push_back(file(p, j));
    return project;
}

bool ProjectStore::insertFiles(std::size_t p, std::size_t position, const std::vector<ProjectFileEntry>& records)
{
    if (!validProject(p) || index_[p] + kProjectHeaderLines > lines_.size())
        return false;
    if (position > fileCount(p) || !allStorable(records))
        return false;
    std::vector<std::string> block;
    block.reserve(records.size() * kProjectRecordLines);
    for (const auto& record : records) {
        auto recordLines = record.recordLines();
        block.insert(block.end(), recordLines.begin(), recordLines.end());
    }
    auto& all = lines_.lines();
    all.insert(all.begin() + static_cast<std::ptrdiff_t>(recordLine(p, position)), block.begin(), block.end());
    rebuildIndex();
    return true;
}

bool ProjectStore::removeFile(std::size_t p, std::size_t j)
{
    if (j >= fileCount(p))
        return false;
    auto& all = lines_.lines();
    const auto first = all.begin() + static_cast<std::ptrdiff_t>(recordLine(p, j));
    all.erase(first, first + static_cast<std::ptrdiff_t>(kProjectRecordLines));
    rebuildIndex();
    return true;
}

bool ProjectStore::addToDeclaredCount(int delta)
{
    const auto declared = declaredProjectCount();
    if (!declared || (delta < 0 && *declared == 0))
        return false;
    lines_[0] = std::to_string(delta < 0 ? *declared - 1 : *declared + 1);
    return true;
}

bool ProjectStore::removeProject(std::size_t p)
{
    if (!validProject(p))
        return false;
    const std::size_t first = index_[p];
    std::size_t end = std::min(first + kProjectHeaderLines, lines_.size());
    while (end < lines_.size() && beginsWithSpace(lines_[end]))
        ++end;
    if (!addToDeclaredCount(-1))
        return false;
    auto& all = lines_.lines();
    all.erase(all.begin() + static_cast<std::ptrdiff_t>(first), all.begin() + static_cast<std::ptrdiff_t>(end));
    rebuildIndex();
    return true;
}

bool ProjectStore::appendProject(std::string_view name, bool cleanDirectory, bool deleteMissing,
                                 const std::vector<ProjectFileEntry>& records)
{
    if (!isValidProjectName(name) || !allStorable(records))
        return false;
    const TextLineList before = lines_;
    if (lines_.empty())
        lines_.append("0");
    if (!addToDeclaredCount(+1))
        return false;
    const std::size_t nameLine = lines_.size();
    lines_.append(std::string(name));
    lines_.append(cleanDirectory ? "1" : "0");
    lines_.append(deleteMissing ? "1" : "0");
    for (const auto& record : records)
        for (auto& line : record.recordLines())
            lines_.append(std::move(line));
    rebuildIndex();
    // In a damaged file (a count on line 0 lower than the projects present,
    // a last project cut short after its name) the new project would not be
    // found where it was written, and later edits would land on other
    // projects' lines. Leave such a file as it was.
    if (index_.empty() || index_.back() != nameLine) {
        setLines(before);
        return false;
    }
    return true;
}

bool ProjectStore::isValidProjectName(std::string_view name)
{
    return !name.empty() && name.front() != ' ' && isStorableValue(name);
}

std::optional<std::string> ProjectStore::stampOf(const std::string& localPath)
{
    return uploadStampOf(localPath);
}

std::optional<std::size_t> findProjectByName(const ProjectStore& store, const std::string& name)
{
    for (std::size_t p = 0; p < store.projectCount(); ++p)
        if (store.projectName(p) == name)
            return p;
    return std::nullopt;
}

std::string projectLinesFault(const TextLineList& lines, const std::string& fileName)
{
    const auto at = [&](std::size_t index, const std::string& what) {
        return fileName + ", line " + std::to_string(index + 1) + ": " + what;
    };
    if (lines.empty())
        return fileName + " is empty; it does not even hold the number of projects";
    const std::string& first = lines[0];
    if (first.find('\0') != std::string::npos)
        return at(0, "the file is not plain text (it holds NUL bytes, as UTF-16 and binary files do)");
    const auto declared = parseCount(first);
    if (!declared) {
        if (first.find('\r') != std::string::npos)
            return at(0, "the lines end in a bare CR; project files have CR LF or LF line ends");
        return at(0, "the number of projects is not a number from 0 up");
    }
    const std::string count = std::to_string(*declared);
    std::size_t line = 1;
    for (std::uint64_t k = 1; k <= *declared; ++k) {
        const std::string project = "project " + std::to_string(k) + " of " + count;
        if (line >= lines.size())
            return at(line, "the file ends where " + project + " should begin");
        if (lines[line].empty())
            return at(line, "the name of " + project + " is empty");
        if (beginsWithSpace(lines[line]))
            return at(line, "a record line stands where the name of " + project + " should be");
        for (std::size_t flag = line + 1; flag <= line + 2; ++flag) {
            const char* which = flag == line + 1 ? "clean-directory" : "delete-missing-files";
            if (flag >= lines.size())
                return at(flag, "the file ends before the " + std::string(which) + " flag of " + project);
            if (!isFlag(lines[flag]))
                return at(flag, "the " + std::string(which) + " flag of " + project + " is not 0 or 1");
        }
        line += kProjectHeaderLines;
        while (line < lines.size() && beginsWithSpace(lines[line])) {
            const std::size_t record = line;
            for (std::size_t i = 0; i < kProjectRecordLines; ++i)
                if (record + i >= lines.size() || !beginsWithSpace(lines[record + i]))
                    return at(record + i, "the file record that begins on line " + std::to_string(record + 1)
                                              + " has " + std::to_string(i) + " of its nine lines");
            // A record with a line too few or too many shifts its fields:
            // the mode code and the stamp are where that shows.
            const std::size_t mode = record + static_cast<std::size_t>(ProjectField::ModeCode) - 1;
            if (!isModeCode(std::string_view(lines[mode]).substr(1)))
                return at(mode, "the mode code of the file record that begins on line " + std::to_string(record + 1)
                                    + " is not 0, 1, 2 or 3; a line of it may be missing");
            const std::size_t stamp = record + static_cast<std::size_t>(ProjectField::UploadStamp) - 1;
            if (!isStamp(std::string_view(lines[stamp]).substr(1)))
                return at(stamp, "the upload stamp of the file record that begins on line "
                                     + std::to_string(record + 1) + " is neither digits nor \"May\"");
            line += kProjectRecordLines;
        }
    }
    // Empty lines at the end (a hand edit's last Enter) hold nothing.
    for (std::size_t rest = line; rest < lines.size(); ++rest)
        if (!lines[rest].empty())
            return at(rest, "more lines follow the " + count + " projects the first line counts");
    return {};
}

std::string projectFileFault(const std::string& path)
{
    TextLineList lines;
    std::string failure;
    if (!loadDataFile(lines, path, failure))
        return "cannot read " + path + ": " + failure;
    return projectLinesFault(lines, path);
}
