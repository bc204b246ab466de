#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What one upload run did, counted as it happens, for the line that ends it.
struct RunTally {
    // Files the server confirmed, and their bytes.
    std::size_t published = 0;
    std::uint64_t publishedBytes = 0;
    // Remote files the server confirmed deleted.
    std::size_t deleted = 0;
    // Files and deletions that did not go through.
    std::size_t failed = 0;
    // Files the run would not touch (their folder missing, say).
    std::size_t leftAlone = 0;

    // "Published N files (X MB), deleted M, K failed, L left alone".
    std::string text() const;
};

// A byte count in megabytes with one decimal: "3.4 MB".
std::string megabytesText(std::uint64_t bytes);
