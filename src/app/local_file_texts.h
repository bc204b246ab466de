#pragma once

#include <cstdint>
#include <ctime>
#include <string>

// Texts of the local file list's Size and Date columns, and the search
// pattern the list is filled from. Plain C++ so the exact texts are easy to
// pin down.

// Empty for an empty file, the byte count below 1024 ("1023"), otherwise
// whole kilobytes rounded down ("1KB").
std::string localSizeText(std::uint64_t length);

// Month, day with its ordinal suffix, four-digit year, in local time:
// "Feb- 2nd-1999", "Mar-21st-2000", "Dec-31st-2005". Days 1 to 9 get a
// blank before the digit so the column lines up.
std::string localDateText(std::time_t lastWrite);

// The directory, one '/' unless it already ends with one, and the filter:
// "/" + "*.*" gives "/*.*", "/home/u" gives "/home/u/*.*". Nothing is cut
// and no character is replaced, so the pattern always names the folder shown.
std::string localSearchPattern(const std::string& directory, const std::string& filter);
