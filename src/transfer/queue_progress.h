#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>

// How far the queue as a whole has come, for a person: which file of how
// many, the bytes done of the whole, the rate and the time left. It counts
// one run of the queue, from its first transfer until it runs dry; files
// queued meanwhile join the total. A run that stops (abort, a failure)
// keeps its counts and says it stopped; its rates start afresh when it
// goes on.
//
// The time left is not the bytes left over the byte rate: each file costs
// its round trips (folder, type, data connection, the server's answer)
// besides its bytes, and for many small files those are most of the time.
// The recent stretch of the run is split into short steps; each step took
// so long for so many files ended and so many bytes moved, and the time a
// file costs and the time a byte costs are the ones that fit those steps
// best. The files and bytes still to come are priced with both.
class QueueProgress {
public:
    using Clock = std::chrono::steady_clock;

    // The queue started transferring (from idle, or again after a stop):
    // the time until its first block is what the first file cost before
    // any file has ended.
    void began(Clock::time_point now = Clock::now());
    // The running files have moved `bytes` together; `waiting` files of
    // `waitingBytes` in all are in line, the `running` ones included.
    void progressed(std::int64_t bytes, std::size_t waiting, std::int64_t waitingBytes, std::size_t running,
                    Clock::time_point now = Clock::now());
    // A file left the queue, sent or given up, after `bytes` of it.
    void fileEnded(std::int64_t bytes, Clock::time_point now = Clock::now());
    // The queue stopped with files left (abort, a failure it waits on): the
    // time until it goes on is not transfer time, and there is no time left
    // to tell.
    void stopped();
    // The queue ran dry or was discarded.
    void reset();

    bool running() const { return started_; }
    bool isStopped() const { return stopped_; }
    // "file 2 of 5, 1.2 MB of 4.8 MB, 350 KB/s, 0:11 left"; the rate and the
    // time once a moment has passed to measure them; "…, stopped" after a
    // stop.
    std::string text() const;
    // Seconds left by the measure so far; below zero while it cannot be
    // told.
    double secondsLeft() const;

private:
    // The run's totals at one moment.
    struct Sample {
        Clock::time_point at;
        std::size_t filesDone = 0;
        std::int64_t bytesDone = 0;
    };
    void sample(Clock::time_point now, bool always);
    // The seconds one file and one megabyte cost over the recent steps;
    // false while there is too little to go by.
    bool costs(double& perFile, double& perMegabyte) const;

    bool started_ = false;
    bool stopped_ = false;
    std::size_t filesDone_ = 0;
    std::int64_t bytesDone_ = 0;
    std::int64_t runningBytes_ = 0;
    std::size_t waiting_ = 0;
    std::size_t running_ = 0;
    std::int64_t waitingBytes_ = 0;
    // When the queue began, and what its first file cost until its first
    // block: the price of a file until one has ended.
    Clock::time_point beganAt_{};
    bool beganKnown_ = false;
    double firstFileCost_ = -1;
    std::deque<Sample> samples_;
};
