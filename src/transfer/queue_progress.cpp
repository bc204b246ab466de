#include "transfer/queue_progress.h"

#include "core/amount_text.h"

#include <algorithm>

namespace {

// A rate over less than this is mostly the time the first block took.
constexpr auto kShortestMeasure = std::chrono::milliseconds(500);

}  // namespace

void QueueProgress::progressed(std::int64_t bytes, std::size_t waiting,
                               std::int64_t waitingBytes, Clock::time_point now)
{
    started_ = true;
    runningBytes_ = std::max<std::int64_t>(0, bytes);
    waiting_ = waiting;
    waitingBytes_ = waitingBytes;
    const std::int64_t done = bytesDone_ + runningBytes_;
    if (!measuring_) {
        measuring_ = true;
        since_ = now;
        bytesAtSince_ = done;
        rate_ = 0;
        return;
    }
    const auto elapsed = now - since_;
    if (elapsed >= kShortestMeasure)
        rate_ = static_cast<double>(done - bytesAtSince_) / std::chrono::duration<double>(elapsed).count();
}

void QueueProgress::fileEnded(std::int64_t bytes)
{
    if (!started_)
        return;
    ++filesDone_;
    bytesDone_ += std::max<std::int64_t>(0, bytes);
    runningBytes_ = 0;
    if (waiting_ > 0) {
        --waiting_;
        waitingBytes_ = std::max<std::int64_t>(0, waitingBytes_ - bytes);
    }
}

void QueueProgress::paused()
{
    measuring_ = false;
    rate_ = 0;
}

void QueueProgress::reset()
{
    *this = QueueProgress();
}

std::string QueueProgress::text() const
{
    if (!started_)
        return {};
    // The file in hand is the next one, or the last one once none waits.
    const std::size_t total = filesDone_ + waiting_;
    const std::size_t current = waiting_ > 0 ? filesDone_ + 1 : filesDone_;
    // A file that grew since it was queued brings more than its size said.
    const std::int64_t done = bytesDone_ + runningBytes_;
    const std::int64_t whole = std::max(done, bytesDone_ + waitingBytes_);
    std::string text = "file " + std::to_string(current) + " of " + std::to_string(total) + ", " +
                       byteAmountText(static_cast<double>(done), ByteUnits::Short) + " of " + byteAmountText(static_cast<double>(whole), ByteUnits::Short);
    if (rate_ > 0) {
        text += ", " + byteAmountText(rate_, ByteUnits::Short) + "/s";
        text += ", " + durationText(static_cast<std::int64_t>(static_cast<double>(whole - done) / rate_)) + " left";
    }
    return text;
}
