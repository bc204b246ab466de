#include "core/amount_text.h"

#include <cinttypes>
#include <cstdio>

std::string byteAmountText(double bytes, ByteUnits units)
{
    static const char* const shortUnits[] = {"B", "KB", "MB", "GB", "TB"};
    static const char* const binaryUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    const char* const* names = units == ByteUnits::Short ? shortUnits : binaryUnits;
    int unit = 0;
    while (bytes >= 1024.0 && unit < 4) {
        bytes /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, names[unit]);
    return text;
}

std::string durationText(std::int64_t seconds)
{
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%" PRId64 ":%02" PRId64 ":%02" PRId64, seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
    else
        std::snprintf(text, sizeof text, "%" PRId64 ":%02" PRId64, seconds / 60, seconds % 60);
    return text;
}
