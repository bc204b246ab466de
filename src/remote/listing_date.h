#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

// The time a Unix listing's date column stands for: "Jan 14 10:22" (a file
// changed within the last half year: the year is the one that does not put
// the date ahead of now) or "Mar  3  2019" (older ones, to the day only).
// Servers list these times in UTC unless told otherwise, so they are taken
// as UTC.
struct ListingTime {
    std::chrono::sys_seconds start;   // the first second the text stands for
    std::chrono::seconds precision;   // a minute, or a day for the year form
};

// Nothing for a text of another form.
std::optional<ListingTime> listingTime(std::string_view date, std::chrono::sys_seconds now);

// The date of a Windows-style listing line ("01-14-24" or "01-14-2024",
// then "10:22AM", "12:05PM" or "22:10") in the form a Unix listing gives the
// same time: "Jan 14 10:22" within the half year before `now` (and up to a
// day after it, for a server clock ahead of ours), "Jan 14  2024" before.
// Two-digit years from 70 are 19xx, the others 20xx. Nothing for a text of
// another form.
std::optional<std::string> unixFormOfWindowsDate(std::string_view date, std::string_view time,
                                                 std::chrono::sys_seconds now);

// True when a file changed at `local` is newer than the listed time, to
// the listing's precision: a file changed within the same listed minute (or
// day) is not.
bool isNewerThanListed(std::chrono::sys_seconds local, const ListingTime& listed);
