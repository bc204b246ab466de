#pragma once

#include <ctime>
#include <optional>
#include <string>

// Dates and stamps depend on the local time zone; tests that check them fix
// the zone and build their times in UTC, so they pass on any machine.

// Sets TZ for as long as the object lives, then puts back what was there
// before (or removes TZ when there was none).
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> previous_;
};

// The moment year-month-day hour:minute:second UTC.
std::time_t utcTime(int year, int month, int day, int hour, int minute, int second);

// Noon UTC of the day: the same calendar day in every zone within 12 hours.
inline std::time_t utcNoon(int year, int month, int day)
{
    return utcTime(year, month, day, 12, 0, 0);
}

// Sets the file's access and modification times; false when that failed.
bool setModifiedTime(const std::string& path, std::time_t when);
