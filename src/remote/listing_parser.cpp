#include "remote/listing_parser.h"

#include "remote/listing_date.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <utility>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Characters [from, to] of the line, clamped to the line: short lines of other
// layouts yield whatever part of the columns they have.
std::string_view slice(std::string_view line, std::ptrdiff_t from, std::ptrdiff_t to)
{
    from = std::max<std::ptrdiff_t>(from, 0);
    to = std::min<std::ptrdiff_t>(to, static_cast<std::ptrdiff_t>(line.size()) - 1);
    if (from > to)
        return {};
    return line.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from + 1));
}

// A name that a directory entry can have on the server. Names with a slash or
// a NUL byte cannot come from a genuine listing; taking them would let a
// hostile server steer later local file names out of the chosen folder.
bool isUsableName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool allDigits(std::string_view text, std::size_t minLength, std::size_t maxLength)
{
    if (text.size() < minLength || text.size() > maxLength)
        return false;
    return std::all_of(text.begin(), text.end(), isDigit);
}

// One blank-separated column of a line and where it stands.
struct Column {
    std::string_view text;
    std::size_t start = 0;
    std::size_t end() const { return start + text.size(); }
};

// The columns of a line up to `count`; what follows them stays unsplit,
// since the name may hold blanks of its own.
std::vector<Column> leadingColumns(std::string_view line, std::size_t count)
{
    std::vector<Column> columns;
    std::size_t i = 0;
    while (columns.size() < count) {
        while (i < line.size() && isBlank(line[i]))
            ++i;
        if (i == line.size())
            break;
        const std::size_t start = i;
        while (i < line.size() && !isBlank(line[i]))
            ++i;
        columns.push_back({line.substr(start, i - start), start});
    }
    return columns;
}

// "drwxr-xr-x", "-rw-r--r--", "lrwxrwxrwx", with the mark some systems add
// for extended attributes or access lists ("-rw-r--r--+", "drwxr-xr-x@").
bool isTypeAndPermissions(std::string_view text)
{
    if (text.size() == 11 && (text.back() == '+' || text.back() == '@' || text.back() == '.'))
        text.remove_suffix(1);
    if (text.size() != 10)
        return false;
    for (char c : text.substr(1))
        if (std::string_view("rwxsStTlL-").find(c) == std::string_view::npos)
            return false;
    return true;
}

bool isMonth(std::string_view text)
{
    static constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                   "jul", "aug", "sep", "oct", "nov", "dec"};
    if (text.size() != 3)
        return false;
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return std::find(std::begin(kMonths), std::end(kMonths), lower) != std::end(kMonths);
}

bool isDayOfMonth(std::string_view text)
{
    if (!allDigits(text, 1, 2))
        return false;
    const int day = text.size() == 1 ? text[0] - '0' : (text[0] - '0') * 10 + (text[1] - '0');
    return day >= 1 && day <= 31;
}

// "10:22", "9:05" for this half year, "2019" for older dates.
bool isTimeOrYear(std::string_view text)
{
    if (allDigits(text, 4, 4))
        return true;
    const std::size_t colon = text.find(':');
    return colon != std::string_view::npos && allDigits(text.substr(0, colon), 1, 2) &&
           allDigits(text.substr(colon + 1), 2, 2);
}

// How far into a line the size is looked for: type, links, an owner and a
// group of a few words each, size, month, day and time.
constexpr std::size_t kColumnsLookedAt = 12;

// Where the columns of a Unix long-listing line stand, found by what each
// column holds.
struct FieldColumns {
    Column size;
    std::size_t dateStart = 0;
    std::size_t dateEnd = 0; // one past the time or year
    std::size_t nameStart = 0;
};

// After the type and permissions, the size is the first number directly
// followed by a month, a day and a time or year. Searching rather than
// counting takes listings with and without a group column alike, and owner
// or group names of more than one word.
std::optional<FieldColumns> findFieldColumns(std::string_view line)
{
    const std::vector<Column> columns = leadingColumns(line, kColumnsLookedAt);
    if (columns.empty() || columns[0].start != 0 || !isTypeAndPermissions(columns[0].text))
        return std::nullopt;
    for (std::size_t i = 2; i + 3 < columns.size(); ++i) {
        const Column& size = columns[i];
        if (!allDigits(size.text, 1, std::string_view::npos) || !isMonth(columns[i + 1].text) ||
            !isDayOfMonth(columns[i + 2].text) || !isTimeOrYear(columns[i + 3].text))
            continue;
        const std::size_t dateEnd = columns[i + 3].end();
        // One separator between the date and the name; any further blank
        // belongs to the name. A line that ends with the date names nothing.
        if (dateEnd + 1 >= line.size())
            return std::nullopt;
        return FieldColumns{size, columns[i + 1].start, dateEnd, dateEnd + 1};
    }
    return std::nullopt;
}

// Where the columns of a Windows-style line stand: date, time, "<DIR>" or
// the size, and the name after the blanks that follow.
struct WindowsColumns {
    Column date;
    Column time;
    Column folderOrSize;
    std::size_t nameStart = 0;
};

std::optional<WindowsColumns> findWindowsColumns(std::string_view line)
{
    if (line.empty() || !isDigit(line.front()))
        return std::nullopt;
    const std::vector<Column> columns = leadingColumns(line, 3);
    if (columns.size() < 3)
        return std::nullopt;
    const Column& third = columns[2];
    if (third.text != "<DIR>" && !allDigits(third.text, 1, std::string_view::npos))
        return std::nullopt;
    std::size_t nameStart = third.end();
    while (nameStart < line.size() && isBlank(line[nameStart]))
        ++nameStart;
    if (nameStart == third.end() || nameStart == line.size())
        return std::nullopt;
    return WindowsColumns{columns[0], columns[1], third, nameStart};
}

// The date as listed; a date spread by tabs or extra blanks is given in the
// usual twelve characters ("Jan 14 10:22", "Mar  3  2019").
std::string dateText(std::string_view line, const FieldColumns& columns)
{
    const std::string_view listed = line.substr(columns.dateStart, columns.dateEnd - columns.dateStart);
    if (listed.size() <= kListingDateLength && listed.find('\t') == std::string_view::npos)
        return std::string(listed);
    const std::vector<Column> parts = leadingColumns(listed, 3);
    std::string date(parts[0].text);
    date += parts[1].text.size() == 1 ? "  " : " ";
    date += parts[1].text;
    date += std::string(6 - parts[2].text.size(), ' ');
    date += parts[2].text;
    return date;
}

} // namespace

ListingParser::ListingParser(std::vector<std::string> lines, std::chrono::sys_seconds now)
    : lines_(std::move(lines)), now_(now)
{
    // A first line starting with "t" is the "total" line of the listing.
    if (!lines_.empty() && !lines_.front().empty() && lines_.front().front() == 't')
        index_ = 1;
    end_ = std::min(lines_.size(), kListingMaxLines);
    truncated_ = lines_.size() > kListingMaxLines;
}

std::optional<ListingEntry> ListingParser::next()
{
    while (!finished_ && index_ < end_) {
        const std::string& line = lines_[index_++];
        if (line.empty()) {
            finished_ = true;
            break;
        }
        if (line.front() == '>')
            continue;
        if (auto entry = entryFromLine(line))
            return entry;
    }
    finished_ = true;
    return std::nullopt;
}

std::optional<ListingParser::Columns> ListingParser::findColumns(std::string_view line,
                                                                 bool isLink) const
{
    Columns columns;
    if (!isLink) {
        // The last blank that follows a digit ends the date column.
        for (std::size_t i = line.size(); i-- > 1;) {
            if (line[i] == ' ' && isDigit(line[i - 1])) {
                columns.nameStart = i + 1;
                return columns;
            }
        }
        return std::nullopt;
    }
    // "name -> target": the target follows the last blank, the name ends
    // before the four characters " -> " and starts after the blank before it.
    const std::size_t lastBlank = line.rfind(' ');
    if (lastBlank == std::string_view::npos || lastBlank < 4)
        return std::nullopt;
    const std::size_t targetStart = lastBlank + 1;
    const std::size_t nameEnd = targetStart - 4; // one past the name
    const std::size_t blankBeforeName = line.substr(0, nameEnd).rfind(' ');
    if (blankBeforeName == std::string_view::npos)
        return std::nullopt;
    columns.nameStart = blankBeforeName + 1;
    columns.nameEnd = nameEnd;
    columns.targetStart = targetStart;
    return columns;
}

std::optional<ListingEntry> ListingParser::entryFromLine(std::string_view line)
{
    if (line.size() > kListingMaxLineLength) {
        // The name sits at the end of the line, so cutting the line would
        // cut the name.
        ++leftOut_;
        return std::nullopt;
    }

    bool isWindowsLine = false;
    std::optional<ListingEntry> windowsEntry = windowsEntryFromLine(line, isWindowsLine);
    if (isWindowsLine)
        return windowsEntry;

    ListingEntry entry;
    const char type = line.front();
    entry.kind = type == 'd'   ? ListingEntry::Kind::Directory
                 : type == 'l' ? ListingEntry::Kind::Link
                               : ListingEntry::Kind::File;
    const bool isLink = entry.kind == ListingEntry::Kind::Link;

    const std::optional<FieldColumns> fields = findFieldColumns(line);
    if (fields) {
        Columns found;
        found.nameStart = fields->nameStart;
        // "name -> target": the first arrow ends the name, so a target may
        // hold blanks and arrows of its own.
        if (isLink) {
            const std::size_t arrow = line.find(" -> ", fields->nameStart);
            if (arrow != std::string_view::npos) {
                found.nameEnd = arrow;
                found.targetStart = arrow + 4;
            }
        }
        previous_ = found;
    } else if (auto positions = findColumns(line, isLink)) {
        previous_ = *positions;
    }
    const Columns& columns = previous_;

    const std::size_t nameStart = std::min(columns.nameStart, line.size());
    std::size_t nameEnd = line.size();
    if (isLink && columns.nameEnd)
        nameEnd = std::clamp(*columns.nameEnd, nameStart, line.size());
    const std::string_view name = line.substr(nameStart, nameEnd - nameStart);

    if (name == "." || name == "..")
        return std::nullopt;
    if (name.size() > kListingMaxNameLength || !isUsableName(name)) {
        ++leftOut_;
        return std::nullopt;
    }
    entry.name = name;

    if (isLink) {
        const std::size_t targetStart = std::min(columns.targetStart.value_or(line.size()), line.size());
        const std::string_view target = line.substr(targetStart);
        if (target.size() > kListingMaxLinkTargetLength) {
            ++leftOut_;
            return std::nullopt;
        }
        entry.linkTarget = target;
    }

    if (fields) {
        entry.date = dateText(line, *fields);
        // A size column wider than any real size is not a size; the entry
        // stays, with its size unknown.
        if (fields->size.text.size() <= kListingMaxSizeTextLength)
            entry.size = leadingNumber(fields->size.text);
        return entry;
    }

    // A line of another layout: the date is taken as the 12 characters
    // before the name, the size as the number ending two characters before
    // the date and beginning at the nearest blank before that end.
    const auto s = static_cast<std::ptrdiff_t>(nameStart);
    entry.date = slice(line, s - 13, s - 2);
    const std::ptrdiff_t sizeEnd = s - 15;
    if (sizeEnd >= 0 && sizeEnd < static_cast<std::ptrdiff_t>(line.size())) {
        const std::size_t blank = line.substr(0, static_cast<std::size_t>(sizeEnd) + 1).rfind(' ');
        const std::ptrdiff_t sizeStart = blank == std::string_view::npos ? 0 : static_cast<std::ptrdiff_t>(blank);
        const std::string_view sizeText = slice(line, sizeStart, sizeEnd);
        if (sizeText.size() <= kListingMaxSizeTextLength)
            entry.size = leadingNumber(sizeText);
    }
    return entry;
}

std::optional<ListingEntry> ListingParser::windowsEntryFromLine(std::string_view line, bool& isWindowsLine)
{
    const std::optional<WindowsColumns> columns = findWindowsColumns(line);
    std::optional<std::string> date;
    if (columns)
        date = unixFormOfWindowsDate(columns->date.text, columns->time.text, now_);
    isWindowsLine = date.has_value();
    if (!isWindowsLine)
        return std::nullopt;
    const std::string_view name = line.substr(columns->nameStart);
    if (name == "." || name == "..")
        return std::nullopt;
    if (name.size() > kListingMaxNameLength || !isUsableName(name)) {
        ++leftOut_;
        return std::nullopt;
    }
    ListingEntry entry;
    entry.name = name;
    entry.date = *date;
    if (columns->folderOrSize.text == "<DIR>")
        entry.kind = ListingEntry::Kind::Directory;
    else if (columns->folderOrSize.text.size() <= kListingMaxSizeTextLength)
        entry.size = leadingNumber(columns->folderOrSize.text);
    return entry;
}

std::int64_t leadingNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    std::int64_t value = 0;
    constexpr std::int64_t limit = std::numeric_limits<std::int64_t>::max() / 10 - 9;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        if (value > limit)
            return 0;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

std::string remoteSizeText(std::int64_t size)
{
    if (size <= 0)
        return {};
    const std::int64_t kilobytes = size / 1024;
    if (kilobytes != 0)
        return std::to_string(kilobytes) + "KB";
    return std::to_string(size);
}

std::string_view remoteFileExtension(std::string_view fileName)
{
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    return fileName.substr(dot);
}

std::string remoteTypeText(std::string_view fileName)
{
    std::string_view extension = remoteFileExtension(fileName);
    if (!extension.empty())
        extension.remove_prefix(1);
    std::string text(extension);
    text += " File";
    return text;
}

int iconIndexForFile(std::string_view fileName, const std::vector<std::string>& iconTable)
{
    const std::string_view extension = remoteFileExtension(fileName);
    if (extension.size() < 4)
        return 0;
    const std::string_view key = extension.substr(0, 4);
    constexpr std::size_t kLinesSearched = 1800;
    const std::size_t count = std::min(iconTable.size(), kLinesSearched);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view line = std::string_view(iconTable[i]).substr(0, 15);
        if (line.size() < 4 || line.substr(0, 4) != key)
            continue;
        const std::string_view number = line.substr(4, 10);
        std::int64_t index = 0;
        for (char c : number) {
            if (!isDigit(c))
                break;
            index = index * 10 + (c - '0');
        }
        return index <= std::numeric_limits<int>::max() ? static_cast<int>(index) : 0;
    }
    return 0;
}
