#include "webwatch/run_tally.h"


std::string megabytesText(std::uint64_t bytes)
{
    // Tenths of a megabyte, rounded, in integers: no floating-point
    // rounding makes 0.05 MB show as 0.0 on one machine and 0.1 on another.
    const std::uint64_t megabyte = 1024 * 1024;
    const std::uint64_t tenths = (bytes * 10 + megabyte / 2) / megabyte;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB";
}

std::string RunTally::text() const
{
    return "Published " + std::to_string(published) + " files (" + megabytesText(publishedBytes) + "), deleted "
        + std::to_string(deleted) + ", " + std::to_string(failed) + " failed, " + std::to_string(leftAlone)
        + " left alone";
}
