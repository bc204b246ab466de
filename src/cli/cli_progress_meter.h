#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

// The one-line progress meter of get and put on a terminal: bytes moved,
// the percentage when the size is known, the rate and the time left. It
// redraws a few times a second at most, so a fast transfer is not slowed by
// its own display, and clears its line when the transfer ends.
class CliProgressMeter {
public:
    using Clock = std::chrono::steady_clock;

    // `total` is the size in bytes, or a negative number when unknown;
    // `offset` the bytes already there before (a resumed download), which
    // count as done but not towards the rate.
    CliProgressMeter(std::FILE* terminal, std::int64_t total, std::int64_t offset = 0);

    // `position`: how far into the file the transfer has come, the bytes
    // that were there before included.
    void update(std::int64_t position, Clock::time_point now = Clock::now());
    // Removes the line, if one was drawn.
    void clear();
    // Text put before the figures ("file 3 of 40  ").
    void setPrefix(std::string prefix) { prefix_ = std::move(prefix); }

    // The text of the line for these figures (no line control).
    static std::string line(std::int64_t done, std::int64_t total, double bytesPerSecond);

private:
    std::FILE* terminal_;
    std::int64_t total_;
    std::int64_t offset_;
    Clock::time_point start_;
    Clock::time_point lastDraw_{};
    bool drawn_ = false;
    std::string prefix_;
};
