#include "core/dos_date_time.h"

DosDateTime dosDateTimeFromTime(std::time_t when)
{
    std::tm local{};
    if (!::localtime_r(&when, &local))
        return {static_cast<std::uint16_t>((1 << 5) | 1), 0};

    const int year = local.tm_year + 1900;
    if (year < 1980)
        return {static_cast<std::uint16_t>((1 << 5) | 1), 0};
    if (year > 2107)
        return {static_cast<std::uint16_t>((127 << 9) | (12 << 5) | 31),
                static_cast<std::uint16_t>((23 << 11) | (59 << 5) | 29)};

    // tm_sec may be 60 on a leap second; the DOS form stops at 58.
    const int second = local.tm_sec > 59 ? 59 : local.tm_sec;
    DosDateTime packed;
    packed.date = static_cast<std::uint16_t>(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
    packed.time = static_cast<std::uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (second / 2));
    return packed;
}

std::string uploadStampText(DosDateTime stamp)
{
    return std::to_string(stamp.date) + std::to_string(stamp.time);
}
