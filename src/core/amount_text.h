#pragma once

#include <cstdint>
#include <string>

// Byte counts and durations as progress lines show them: "4.0 MB", "512 B",
// "0:11", "1:02:03". The window names the units KB, MB …; the command line
// KiB, MiB …, as terminal tools do. Both count in steps of 1024.
enum class ByteUnits { Short, Binary };

std::string byteAmountText(double bytes, ByteUnits units);
std::string durationText(std::int64_t seconds);
