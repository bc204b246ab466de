#include "webwatch/upload_run_queue.h"

#include "core/queue_journal.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace {

std::uint64_t parseUnsigned(std::string_view text)
{
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

} // namespace

bool UploadRunQueue::load(const std::string& path)
{
    // Less the entries its journal says have been sent.
    return loadQueueFile(path, lines_);
}

bool UploadRunQueue::save(const std::string& path) const
{
    // Holds the log-ins of the queued files, passwords included. A journal
    // of an earlier queue file goes with it.
    return replaceQueueFile(path, lines_.joinedText(), FileAccess::OwnerOnly, FileReplace::Settled);
}

std::size_t UploadRunQueue::count() const
{
    if (lines_.empty())
        return 0;
    const std::size_t present = (lines_.size() - 1) / kLinesPerEntry;
    const std::string& first = lines_[0];
    std::uint64_t declared = 0;
    const auto [end, error] = std::from_chars(first.data(), first.data() + first.size(), declared);
    if (error != std::errc() || end != first.data() + first.size())
        return 0;
    return static_cast<std::size_t>(std::min<std::uint64_t>(declared, present));
}

void UploadRunQueue::append(const QueuedUpload& upload)
{
    // Entries past a damaged tail or past the count would be invisible to
    // the transfer queue; trim to what the count line covers first.
    const std::size_t entries = count();
    lines_.lines().resize(entries == 0 ? 0 : 1 + entries * kLinesPerEntry);
    const std::string countLine = std::to_string(entries + 1);
    if (lines_.empty())
        lines_.append(countLine);
    else
        lines_[0] = countLine;
    lines_.append("1" + upload.localPath);
    upload.appendLines(lines_);
    lines_.append(std::to_string(upload.size));
    lines_.append(upload.binary ? "1" : "0");
}

std::vector<QueuedUpload> UploadRunQueue::entries() const
{
    std::vector<QueuedUpload> all;
    const std::size_t n = count();
    all.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t first = 1 + i * kLinesPerEntry;
        QueuedUpload upload;
        const std::string& pathLine = lines_[first];
        upload.localPath = pathLine.empty() ? std::string() : pathLine.substr(1);
        upload.readLines(lines_, first + 1);
        upload.size = parseUnsigned(lines_[first + 7]);
        upload.binary = lines_[first + 8] == "1";
        all.push_back(std::move(upload));
    }
    return all;
}
