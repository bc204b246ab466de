#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// How far the queue as a whole has come, for a person: which file of how
// many, the bytes done of the whole, the rate and the time left. It counts
// one run of the queue, from its first transfer until it runs dry; files
// queued meanwhile join the total. A run that stops (abort, a failure)
// keeps its counts, and its rate starts afresh when it goes on.
class QueueProgress {
public:
    using Clock = std::chrono::steady_clock;

    // The first file in line has moved `bytes`; `waiting` files of
    // `waitingBytes` in all are in line, the running one included.
    void progressed(std::int64_t bytes, std::size_t waiting, std::int64_t waitingBytes,
                    Clock::time_point now = Clock::now());
    // The first file left the queue, sent or given up, after `bytes` of it.
    void fileEnded(std::int64_t bytes);
    // The queue stopped with files left: the time until it goes on is not
    // transfer time.
    void paused();
    // The queue ran dry or was discarded.
    void reset();

    bool running() const { return started_; }
    // "file 2 of 5, 1.2 MB of 4.8 MB, 350 KB/s, 0:11 left"; the rate and the
    // time once a moment has passed to measure them.
    std::string text() const;

private:
    bool started_ = false;
    bool measuring_ = false;
    std::size_t filesDone_ = 0;
    std::int64_t bytesDone_ = 0;
    std::int64_t runningBytes_ = 0;
    std::size_t waiting_ = 0;
    std::int64_t waitingBytes_ = 0;
    // Where the rate is measured from: the moment and the bytes done then.
    Clock::time_point since_{};
    std::int64_t bytesAtSince_ = 0;
    double rate_ = 0;
};
