#include "transfer/queue_progress.h"

#include "core/amount_text.h"

#include <algorithm>
#include <cmath>

namespace {

// The steps the recent stretch is split into, and how far back it reaches.
// A step of a second holds several small files with the waits between
// them, so their time is not read as the time of the bytes that happened to
// arrive in it; twenty seconds hold files of either kind, and are short
// enough that the pace of the files running now outweighs the first ones'.
constexpr auto kStep = std::chrono::seconds(1);
constexpr auto kRecent = std::chrono::seconds(20);
// A rate over less than this is mostly the time the first block took.
constexpr double kShortestMeasureSeconds = 0.5;
constexpr double kMegabyte = 1024.0 * 1024.0;
// How far the steps' bytes must stray from going in proportion to their
// files (1 - r² of files against bytes) before a megabyte gets a cost.
constexpr double kLeastIndependence = 0.05;

double secondsBetween(QueueProgress::Clock::time_point from, QueueProgress::Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

}  // namespace

void QueueProgress::began(Clock::time_point now)
{
    if (beganKnown_ && !stopped_)
        return;
    beganKnown_ = true;
    beganAt_ = now;
    stopped_ = false;
    samples_.clear();
}

void QueueProgress::progressed(std::int64_t bytes, std::size_t waiting, std::int64_t waitingBytes,
                               std::size_t running, Clock::time_point now)
{
    if (stopped_) {
        // Going on after a stop: what it costs is measured afresh.
        stopped_ = false;
        samples_.clear();
    }
    started_ = true;
    runningBytes_ = std::max<std::int64_t>(0, bytes);
    waiting_ = waiting;
    running_ = running;
    waitingBytes_ = waitingBytes;
    if (firstFileCost_ < 0 && beganKnown_)
        firstFileCost_ = std::max(0.0, secondsBetween(beganAt_, now));
    sample(now, samples_.empty());
}

void QueueProgress::fileEnded(std::int64_t bytes, Clock::time_point now)
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
    if (running_ > 0)
        --running_;
    if (!stopped_)
        sample(now, false);
}

void QueueProgress::stopped()
{
    stopped_ = true;
    samples_.clear();
}

void QueueProgress::reset()
{
    *this = QueueProgress();
}

void QueueProgress::sample(Clock::time_point now, bool always)
{
    const Sample here{now, filesDone_, bytesDone_ + runningBytes_};
    if (!always && !samples_.empty() && now - samples_.back().at < kStep)
        return;
    samples_.push_back(here);
    // The oldest sample stays as the start of the oldest step kept.
    while (samples_.size() > 2 && now - samples_[1].at > kRecent)
        samples_.pop_front();
}

bool QueueProgress::costs(double& perFile, double& perMegabyte) const
{
    if (samples_.size() < 2 || secondsBetween(samples_.front().at, samples_.back().at) < kShortestMeasureSeconds)
        return false;
    // Least squares over the steps: seconds = perFile × files + perMegabyte
    // × megabytes.
    double tt = 0, ff = 0, fm = 0, mm = 0, tf = 0, tm = 0;
    for (std::size_t i = 1; i < samples_.size(); ++i) {
        const double t = secondsBetween(samples_[i - 1].at, samples_[i].at);
        const double f = static_cast<double>(samples_[i].filesDone - samples_[i - 1].filesDone);
        const double m = static_cast<double>(samples_[i].bytesDone - samples_[i - 1].bytesDone) / kMegabyte;
        tt += t * t;
        ff += f * f;
        fm += f * m;
        mm += m * m;
        tf += t * f;
        tm += t * m;
    }
    if (ff == 0 && mm == 0)
        return false;
    if (ff == 0) {
        // No file has ended lately: a file costs what the first one did
        // before its first block, the log-in with it, so that many small
        // files to come are not taken for nothing.
        perFile = std::max(0.0, firstFileCost_);
        perMegabyte = tm / mm;
        return true;
    }
    if (mm == 0) {
        perFile = tf / ff;
        perMegabyte = 0;
        return true;
    }
    const auto misfit = [&](double c, double k) {
        return tt - 2 * (c * tf + k * tm) + c * c * ff + 2 * c * k * fm + k * k * mm;
    };
    // Files' cost alone first: steps of small files alone hold files and
    // bytes in about the same proportion, and a cost read out of their
    // bytes would price a big file still to come at hours. The bytes' cost
    // takes over when it fits clearly better (big files alone), and both
    // together when they fit clearly better than either alone, as they do
    // once big and small files have gone by.
    const double filesOnly = tf / ff;
    const double bytesOnly = tm / mm;
    double best = misfit(filesOnly, 0);
    perFile = filesOnly;
    perMegabyte = 0;
    // Steps whose bytes go almost in step with their files (small files of
    // one size, nothing big under way) say nothing of what a megabyte costs:
    // a fit would read it from the noise of a block or two and could price
    // a big file still to come at hours. Their time is the files'.
    const double det = ff * mm - fm * fm;
    if (det <= kLeastIndependence * ff * mm)
        return std::isfinite(perFile);
    if (const double bytesMisfit = misfit(0, bytesOnly); bytesMisfit < 0.5 * best) {
        best = bytesMisfit;
        perFile = 0;
        perMegabyte = bytesOnly;
    }
    if (det > 0) {
        const double c = (tf * mm - tm * fm) / det;
        const double k = (tm * ff - tf * fm) / det;
        if (c >= 0 && k >= 0 && misfit(c, k) < 0.5 * best) {
            perFile = c;
            perMegabyte = k;
        }
    }
    return std::isfinite(perFile) && std::isfinite(perMegabyte);
}

double QueueProgress::secondsLeft() const
{
    double perFile = 0;
    double perMegabyte = 0;
    if (!started_ || stopped_ || !costs(perFile, perMegabyte))
        return -1;
    // The files not begun pay their round trips; the running ones have
    // paid theirs and have their bytes left.
    const double filesToBegin = static_cast<double>(waiting_ > running_ ? waiting_ - running_ : 0);
    const double megabytesLeft = static_cast<double>(std::max<std::int64_t>(0, waitingBytes_ - runningBytes_)) / kMegabyte;
    return perFile * filesToBegin + perMegabyte * megabytesLeft;
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
                       byteAmountText(static_cast<double>(done), ByteUnits::Short) + " of " +
                       byteAmountText(static_cast<double>(whole), ByteUnits::Short);
    if (stopped_)
        return text + ", stopped";
    const double left = secondsLeft();
    if (left < 0)
        return text;
    const double seconds = secondsBetween(samples_.front().at, samples_.back().at);
    const double rate = static_cast<double>(samples_.back().bytesDone - samples_.front().bytesDone) / seconds;
    text += ", " + byteAmountText(std::max(0.0, rate), ByteUnits::Short) + "/s";
    // Rounded up: "0:00 left" is said only when nothing is.
    text += ", " + durationText(static_cast<std::int64_t>(std::ceil(left))) + " left";
    return text;
}
