#include "core/queue_journal.h"

#include "core/data_file_io.h"
#include "core/data_file_read.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kLinesPerEntry = 9;

// FNV-1a, 64 bits: no secret to keep, only files and entries to tell apart.
class Fingerprint {
public:
    void add(std::string_view bytes)
    {
        for (const char c : bytes) {
            value_ ^= static_cast<unsigned char>(c);
            value_ *= 0x100000001b3ull;
        }
    }
    std::string hex() const
    {
        char text[17];
        std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value_));
        return text;
    }

private:
    std::uint64_t value_ = 0xcbf29ce484222325ull;
};

std::string fingerprintOf(std::string_view bytes)
{
    Fingerprint print;
    print.add(bytes);
    return print.hex();
}

// The journal's first line: which queue file it belongs to.
std::string headerFor(std::string_view queueBytes)
{
    return fingerprintOf(queueBytes) + ' ' + std::to_string(queueBytes.size());
}

// The fingerprint of entry `place` (from 1) as the queue file's lines hold
// it, each line ended by CR LF as the program writes them.
std::string entryFingerprint(const std::vector<std::string>& lines, std::size_t place)
{
    Fingerprint print;
    const std::size_t first = 1 + (place - 1) * kLinesPerEntry;
    for (std::size_t i = first; i < first + kLinesPerEntry; ++i) {
        print.add(lines[i]);
        print.add("\r\n");
    }
    return print.hex();
}

bool parseCount(std::string_view text, std::uint64_t& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// The journal's complete lines; a last line the kill cut short has no line
// end yet and is left out.
std::vector<std::string> completeLinesOf(const std::string& path)
{
    std::string bytes;
    std::string failure;
    if (!readDataFile(path, bytes, failure))
        return {};
    const std::size_t lastEnd = bytes.rfind('\n');
    if (lastEnd == std::string::npos)
        return {};
    bytes.resize(lastEnd + 1);
    return TextLineList::splitLines(bytes);
}

bool exists(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

enum class JournalFound { None, OtherFile, Applied };

// Takes out of `lines` (read from `queueBytes`) the entries the journal
// names; says whether it was this file's journal.
JournalFound applyJournal(const std::string& queuePath, std::string_view queueBytes, TextLineList& lines)
{
    const std::vector<std::string> journal = completeLinesOf(queueJournalPath(queuePath));
    if (journal.empty())
        return exists(queueJournalPath(queuePath)) ? JournalFound::OtherFile : JournalFound::None;
    if (journal[0] != headerFor(queueBytes))
        return JournalFound::OtherFile;
    std::vector<std::string>& all = lines.lines();
    std::uint64_t count = 0;
    // A queue file that is no queue is left for its readers to refuse.
    if (all.empty() || !parseCount(all[0], count) || count > (all.size() - 1) / kLinesPerEntry)
        return JournalFound::Applied;
    std::vector<bool> gone(static_cast<std::size_t>(count) + 1, false);
    std::size_t goneCount = 0;
    for (std::size_t i = 1; i < journal.size(); ++i) {
        const std::string& record = journal[i];
        const std::size_t space = record.find(' ');
        std::uint64_t place = 0;
        if (space == std::string::npos || !parseCount(std::string_view(record).substr(0, space), place)
            || place < 1 || place > count || gone[place])
            continue;
        // The place must still hold the entry that was noted.
        if (record.compare(space + 1, std::string::npos, entryFingerprint(all, place)) != 0)
            continue;
        gone[place] = true;
        ++goneCount;
    }
    if (goneCount == 0)
        return JournalFound::Applied;
    std::vector<std::string> kept;
    kept.reserve(all.size() - goneCount * kLinesPerEntry);
    kept.push_back(std::to_string(count - goneCount));
    for (std::size_t place = 1; place <= count; ++place) {
        if (gone[place])
            continue;
        const std::size_t first = 1 + (place - 1) * kLinesPerEntry;
        for (std::size_t i = first; i < first + kLinesPerEntry; ++i)
            kept.push_back(std::move(all[i]));
    }
    // Lines after the last entry are kept as the file had them.
    for (std::size_t i = 1 + static_cast<std::size_t>(count) * kLinesPerEntry; i < all.size(); ++i)
        kept.push_back(std::move(all[i]));
    all = std::move(kept);
    return JournalFound::Applied;
}

}  // namespace

std::string queueJournalPath(const std::string& queuePath)
{
    return queuePath + ".journal";
}

bool loadQueueFile(const std::string& queuePath, TextLineList& lines, std::string* failure)
{
    std::string bytes;
    std::string why;
    if (!readDataFile(queuePath, bytes, why)) {
        if (failure)
            *failure = why;
        return false;
    }
    TextLineList read(TextLineList::splitLines(bytes));
    applyJournal(queuePath, bytes, read);
    lines = std::move(read);
    return true;
}

bool replaceQueueFile(const std::string& queuePath, std::string_view bytes, FileAccess access, FileReplace replace)
{
    const std::string journal = queueJournalPath(queuePath);
    // A journal of a queue file of these very bytes would name entries of
    // the new one as gone. The old file then already says what the new one
    // says, so the journal can go first.
    const std::vector<std::string> old = completeLinesOf(journal);
    if (!old.empty() && old[0] == headerFor(bytes))
        removeDataFile(journal);
    if (!writeWholeFile(queuePath, bytes, access, replace))
        return false;
    // Only now: until the new file is in place the old one and its journal
    // say what is left.
    removeDataFile(journal);
    return true;
}

bool removeQueueFile(const std::string& queuePath)
{
    removeWholeFile(queuePath);
    if (exists(queuePath))
        return false;
    // A journal alone names nothing; one beside a queue file would.
    removeDataFile(queueJournalPath(queuePath));
    return true;
}

void settleQueueFile(const std::string& queuePath)
{
    const std::string journal = queueJournalPath(queuePath);
    if (!exists(journal))
        return;
    if (!exists(queuePath)) {
        removeDataFile(journal);
        return;
    }
    std::string bytes;
    std::string failure;
    if (!readDataFile(queuePath, bytes, failure))
        return;
    TextLineList lines(TextLineList::splitLines(bytes));
    if (applyJournal(queuePath, bytes, lines) != JournalFound::Applied) {
        removeDataFile(journal);
        return;
    }
    std::uint64_t left = 0;
    if (lines.empty() || !parseCount(lines[0], left) || left > (lines.size() - 1) / kLinesPerEntry)
        return;
    if (left == 0)
        removeQueueFile(queuePath);
    else
        replaceQueueFile(queuePath, lines.joinedText(), FileAccess::OwnerOnly, FileReplace::Frequent);
}

QueueJournal::QueueJournal(std::string queuePath)
    : queuePath_(std::move(queuePath)), journalPath_(queueJournalPath(queuePath_))
{
}

void QueueJournal::fileWritten(std::string_view bytes)
{
    header_ = headerFor(bytes);
    noted_ = 0;
    started_ = false;
}

void QueueJournal::forgetFile()
{
    header_.clear();
    noted_ = 0;
    started_ = false;
}

bool QueueJournal::noteLeft(std::size_t place, std::string_view entryText)
{
    if (!ready() || place == 0)
        return false;
    std::string text = std::to_string(place) + ' ' + fingerprintOf(entryText) + "\r\n";
    // The first note after a whole write starts the journal afresh, with
    // the line that ties it to the file; header and note go in one write.
    if (!started_)
        text = header_ + "\r\n" + text;
    std::string failure;
    const int fd = openDataFileToAppend(journalPath_, !started_, failure);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (!(n < 0 && errno == EINTR))
            break;
    }
    const bool written = ::close(fd) == 0 && done == text.size();
    if (!written)
        return false;
    started_ = true;
    ++noted_;
    return true;
}
