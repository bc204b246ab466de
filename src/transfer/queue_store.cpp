#include "transfer/queue_store.h"

#include <filesystem>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

bool isDecimal(std::string_view text)
{
    return !text.empty() && text.size() <= 18 &&
           std::all_of(text.begin(), text.end(), [](unsigned char ch) { return std::isdigit(ch); });
}

std::int64_t decimalOrZero(const std::string& text)
{
    return isDecimal(text) ? std::stoll(text) : 0;
}

}  // namespace

std::int64_t QueueEntry::sizeInBytes() const
{
    return decimalOrZero(size);
}

bool QueueEntry::sameSiteAs(const QueueEntry& other) const
{
    return host == other.host && user == other.user && password == other.password && port == other.port;
}

std::vector<std::string> QueueEntry::fields() const
{
    return {directionAndPath, host, user, password, port, remoteDirectory, fileName, size, mode};
}

QueueEntry QueueEntry::fromFields(const std::vector<std::string>& lines, std::size_t first)
{
    auto field = [&](std::size_t i) { return first + i < lines.size() ? lines[first + i] : std::string(); };
    return QueueEntry{field(0), field(1), field(2), field(3), field(4), field(5), field(6), field(7), field(8)};
}

std::string queueListLine(const QueueEntry& entry)
{
    return (entry.isDownload() ? kDownloadMark : kUploadMark) + entry.fileName;
}

std::string localPathIn(const std::string& directory, const std::string& name)
{
    if (!directory.empty() && directory.back() == '/')
        return directory + name;
    return directory + "/" + name;
}

bool isSafeLocalName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

std::string QueueEntries::textOf(const QueueEntry& entry)
{
    std::string text;
    for (const std::string& field : entry.fields()) {
        text += field;
        text += "\r\n";
    }
    return text;
}

void QueueEntries::append(QueueEntry entry)
{
    totalBytes_ += entry.sizeInBytes();
    entries_.push_back(std::move(entry));
    places_.push_back(0);
    ids_.push_back(nextId_++);
}

std::optional<std::size_t> QueueEntries::indexOf(Id id) const
{
    for (std::size_t i = 0; i < ids_.size(); ++i)
        if (ids_[i] == id)
            return i;
    return std::nullopt;
}

void QueueEntries::removeAt(std::size_t i)
{
    if (i >= entries_.size())
        return;
    totalBytes_ -= entries_[i].sizeInBytes();
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
    places_.erase(places_.begin() + static_cast<std::ptrdiff_t>(i));
    ids_.erase(ids_.begin() + static_cast<std::ptrdiff_t>(i));
}

void QueueEntries::moveToEnd(std::size_t i)
{
    if (i >= entries_.size())
        return;
    const auto at = static_cast<std::ptrdiff_t>(i);
    std::rotate(entries_.begin() + at, entries_.begin() + at + 1, entries_.end());
    std::rotate(places_.begin() + at, places_.begin() + at + 1, places_.end());
    std::rotate(ids_.begin() + at, ids_.begin() + at + 1, ids_.end());
}

void QueueEntries::moveToFront(std::size_t i)
{
    if (i >= entries_.size())
        return;
    const auto at = static_cast<std::ptrdiff_t>(i);
    std::rotate(entries_.begin(), entries_.begin() + at, entries_.begin() + at + 1);
    std::rotate(places_.begin(), places_.begin() + at, places_.begin() + at + 1);
    std::rotate(ids_.begin(), ids_.begin() + at, ids_.begin() + at + 1);
}

void QueueEntries::swap(std::size_t i, std::size_t j)
{
    if (i >= entries_.size() || j >= entries_.size())
        return;
    std::swap(entries_[i], entries_[j]);
    std::swap(places_[i], places_[j]);
    std::swap(ids_[i], ids_[j]);
}

void QueueEntries::prepend(QueueEntry entry)
{
    totalBytes_ += entry.sizeInBytes();
    entries_.push_front(std::move(entry));
    places_.push_front(0);
    ids_.push_front(nextId_++);
}

void QueueEntries::clear()
{
    entries_.clear();
    places_.clear();
    ids_.clear();
    totalBytes_ = 0;
}

void QueueEntries::numberAsStored()
{
    std::size_t place = 0;
    for (std::size_t& p : places_)
        p = ++place;
}

std::string QueueEntries::toText() const
{
    std::string text = std::to_string(entries_.size()) + "\r\n";
    for (const QueueEntry& entry : entries_)
        text += textOf(entry);
    return text;
}

TextLineList QueueEntries::toLines() const
{
    std::vector<std::string> lines;
    lines.reserve(entries_.size() * QueueEntry::kFieldCount + 1);
    lines.push_back(std::to_string(entries_.size()));
    for (const QueueEntry& entry : entries_)
        for (std::string& field : entry.fields())
            lines.push_back(std::move(field));
    return TextLineList(std::move(lines));
}

std::optional<QueueEntries> QueueEntries::fromLines(const TextLineList& lines)
{
    if (lines.empty() || !isDecimal(lines[0]))
        return std::nullopt;
    // The count is believed only as far as the lines go: a damaged count
    // makes nothing for entries that are not there.
    const std::uint64_t count = std::stoull(lines[0]);
    if (count > (lines.size() - 1) / QueueEntry::kFieldCount)
        return std::nullopt;
    QueueEntries queue;
    for (std::uint64_t i = 0; i < count; ++i)
        queue.append(
            QueueEntry::fromFields(lines.lines(), 1 + static_cast<std::size_t>(i) * QueueEntry::kFieldCount));
    queue.numberAsStored();
    return queue;
}

ResumeRecord ResumeRecord::forDownload(const QueueEntry& entry)
{
    return ResumeRecord{entry.host,     entry.user,         entry.password,
                        entry.port,     entry.localPath(),  entry.fileName,
                        entry.remoteDirectory, entry.size,  entry.mode};
}

TextLineList ResumeRecord::toLines() const
{
    // Lines 5 and 7 both hold the local path, lines 6 and 9 both the name:
    // the file's layout has always named them twice.
    return TextLineList({host, user, password, port, localPath, fileName, localPath, remoteDirectory, fileName, size,
                         mode});
}

std::optional<ResumeRecord> ResumeRecord::fromLines(const TextLineList& lines)
{
    if (lines.size() < kLineCount)
        return std::nullopt;
    ResumeRecord record;
    record.host = lines[0];
    record.user = lines[1];
    record.password = lines[2];
    record.port = lines[3];
    record.localPath = lines[6];
    record.fileName = lines[8];
    record.remoteDirectory = lines[7];
    record.size = lines[9];
    record.mode = lines[10];
    return record;
}

std::int64_t ResumeRecord::sizeInBytes() const
{
    return decimalOrZero(size);
}

QueueEntry ResumeRecord::toEntry() const
{
    return QueueEntry{kDownloadDirection + localPath, host, user, password, port, remoteDirectory, fileName, size,
                      mode};
}

bool QueueFiles::saveQueue(const QueueEntries& entries)
{
    const std::string text = entries.toText();
    if (!replaceQueueFile(queuePath_, text, FileAccess::OwnerOnly, FileReplace::Frequent)) {
        // Whatever the file holds now, its places are not known here.
        journal_.forgetFile();
        return false;
    }
    journal_.fileWritten(text);
    return true;
}

std::optional<QueueEntries> QueueFiles::loadQueue()
{
    journal_.forgetFile();
    TextLineList lines;
    if (!loadQueueFile(queuePath_, lines))
        return std::nullopt;
    return QueueEntries::fromLines(lines);
}

bool QueueFiles::noteLeft(std::size_t place, const QueueEntry& entry)
{
    return journal_.noteLeft(place, QueueEntries::textOf(entry));
}

void QueueFiles::removeQueue()
{
    journal_.forgetFile();
    removeQueueFile(queuePath_);
    // The queue has run dry: the resume record's swap file has served too.
    if (!std::filesystem::exists(resumePath_))
        removeWholeFile(resumePath_);
}

bool QueueFiles::saveResumeRecord(const ResumeRecord& record) const
{
    return writeWholeFile(resumePath_, record.toLines().joinedText(), FileAccess::OwnerOnly, FileReplace::Frequent);
}

std::optional<ResumeRecord> QueueFiles::loadResumeRecord() const
{
    TextLineList lines;
    if (!lines.loadFromFile(resumePath_))
        return std::nullopt;
    return ResumeRecord::fromLines(lines);
}

void QueueFiles::removeResumeRecord() const
{
    // Written again before the next download of the queue.
    retireWholeFile(resumePath_);
}
