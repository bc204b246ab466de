#pragma once

#include <cstdint>
#include <ctime>
#include <string>

// A file time in MS-DOS packed form, local time:
//   date = ((year - 1980) << 9) | (month << 5) | day
//   time = (hour << 11) | (minute << 5) | (second / 2)
// Web project files store upload stamps in this form, so it has to be
// reproduced bit for bit.
struct DosDateTime {
    std::uint16_t date = 0;
    std::uint16_t time = 0;

    friend bool operator==(const DosDateTime&, const DosDateTime&) = default;
};

// Packs a time in local time. The form only holds 1980 to 2107: earlier
// times give 1 January 1980 00:00:00 and later ones 31 December 2107
// 23:59:58, so every file still gets a stamp made of digits.
DosDateTime dosDateTimeFromTime(std::time_t when);

// The upload stamp of a file: the DOS date as unsigned decimal immediately
// followed by the DOS time as unsigned decimal ("1321549021").
std::string uploadStampText(DosDateTime stamp);
