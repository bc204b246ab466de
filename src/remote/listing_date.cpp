#include "remote/listing_date.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <string>

namespace {

using namespace std::chrono;

std::optional<unsigned> monthNumber(std::string_view word)
{
    static constexpr std::array<std::string_view, 12> kMonths{"jan", "feb", "mar", "apr", "may", "jun",
                                                              "jul", "aug", "sep", "oct", "nov", "dec"};
    if (word.size() != 3)
        return std::nullopt;
    std::string lower;
    for (char c : word)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (unsigned i = 0; i < kMonths.size(); ++i)
        if (kMonths[i] == lower)
            return i + 1;
    return std::nullopt;
}

std::optional<int> number(std::string_view digits)
{
    if (digits.empty() || digits.size() > 4)
        return std::nullopt;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The blank-separated words of the text.
std::array<std::string_view, 3> words(std::string_view text, bool& threeWords)
{
    std::array<std::string_view, 3> found{};
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ')
            ++i;
        if (i == text.size())
            break;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ')
            ++i;
        if (count == found.size()) {
            threeWords = false;
            return found;
        }
        found[count++] = text.substr(start, i - start);
    }
    threeWords = count == found.size();
    return found;
}

}  // namespace

std::optional<ListingTime> listingTime(std::string_view date, sys_seconds now)
{
    bool threeWords = false;
    const std::array<std::string_view, 3> parts = words(date, threeWords);
    if (!threeWords)
        return std::nullopt;
    const std::optional<unsigned> month = monthNumber(parts[0]);
    const std::optional<int> day = number(parts[1]);
    if (!month || !day)
        return std::nullopt;

    const std::string_view last = parts[2];
    const std::size_t colon = last.find(':');
    if (colon == std::string_view::npos) {
        const std::optional<int> listedYear = number(last);
        if (!listedYear || last.size() != 4)
            return std::nullopt;
        const year_month_day ymd{year{*listedYear}, std::chrono::month{*month}, std::chrono::day{unsigned(*day)}};
        if (!ymd.ok())
            return std::nullopt;
        return ListingTime{sys_seconds{sys_days{ymd}}, days{1}};
    }

    const std::optional<int> hour = number(last.substr(0, colon));
    const std::optional<int> minute = number(last.substr(colon + 1));
    if (!hour || !minute || *hour > 23 || *minute > 59 || last.size() - colon != 3)
        return std::nullopt;
    const year_month_day today{floor<days>(now)};
    for (const int yearBack : {0, 1}) {
        const year_month_day ymd{today.year() - years{yearBack}, std::chrono::month{*month},
                                 std::chrono::day{unsigned(*day)}};
        if (!ymd.ok())
            continue;  // 29 Feb of a year without it
        const sys_seconds start = sys_days{ymd} + hours{*hour} + minutes{*minute};
        // A day's grace for a server clock ahead of ours.
        if (start <= now + days{1})
            return ListingTime{start, minutes{1}};
    }
    return std::nullopt;
}

namespace {

constexpr std::array<std::string_view, 12> kMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// "MM-DD-YY" or "MM-DD-YYYY".
std::optional<year_month_day> windowsDay(std::string_view date)
{
    if ((date.size() != 8 && date.size() != 10) || date[2] != '-' || date[5] != '-')
        return std::nullopt;
    const std::optional<int> month = number(date.substr(0, 2));
    const std::optional<int> day = number(date.substr(3, 2));
    std::optional<int> listedYear = number(date.substr(6));
    if (!month || !day || !listedYear || *month < 1 || *day < 1)
        return std::nullopt;
    if (date.size() == 8)
        *listedYear += *listedYear >= 70 ? 1900 : 2000;
    const year_month_day ymd{year{*listedYear}, std::chrono::month{unsigned(*month)}, std::chrono::day{unsigned(*day)}};
    if (!ymd.ok())
        return std::nullopt;
    return ymd;
}

// "10:22AM", "9:05pm", "12:00AM" (midnight), "12:00PM" (noon) or "22:10":
// the time of day.
std::optional<minutes> windowsTimeOfDay(std::string_view time)
{
    bool afternoon = false;
    bool twelveHour = false;
    if (time.size() > 2) {
        const std::string_view mark = time.substr(time.size() - 2);
        const auto upper = [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); };
        if ((upper(mark[0]) == 'A' || upper(mark[0]) == 'P') && upper(mark[1]) == 'M') {
            twelveHour = true;
            afternoon = upper(mark[0]) == 'P';
            time.remove_suffix(2);
        }
    }
    const std::size_t colon = time.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || time.size() - colon != 3)
        return std::nullopt;
    std::optional<int> hour = number(time.substr(0, colon));
    const std::optional<int> minute = number(time.substr(colon + 1));
    if (!hour || !minute || *minute > 59)
        return std::nullopt;
    if (twelveHour) {
        if (*hour < 1 || *hour > 12)
            return std::nullopt;
        *hour = *hour % 12 + (afternoon ? 12 : 0);
    } else if (*hour > 23) {
        return std::nullopt;
    }
    return hours{*hour} + minutes{*minute};
}

}  // namespace

std::optional<std::string> unixFormOfWindowsDate(std::string_view date, std::string_view time, sys_seconds now)
{
    const std::optional<year_month_day> day = windowsDay(date);
    const std::optional<minutes> timeOfDay = windowsTimeOfDay(time);
    if (!day || !timeOfDay)
        return std::nullopt;
    const sys_seconds start = sys_days{*day} + *timeOfDay;
    const unsigned dayNumber = unsigned(day->day());
    std::string text(kMonthNames[unsigned(day->month()) - 1]);
    text += dayNumber < 10 ? "  " : " ";
    text += std::to_string(dayNumber);
    const bool recent = start > now - days{182} && start <= now + days{1};
    if (recent) {
        const hh_mm_ss<minutes> clock{*timeOfDay};
        char hourMinute[8];
        std::snprintf(hourMinute, sizeof hourMinute, " %02d:%02d", int(clock.hours().count()),
                      int(clock.minutes().count()));
        text += hourMinute;
        // The year of that form is the one not ahead of now: so it is read
        // back, or the year form says it.
        const std::optional<ListingTime> back = listingTime(text, now);
        if (back && back->start == start)
            return text;
        text.resize(6);
    }
    text += "  " + std::to_string(int(day->year()));
    return text;
}

bool isNewerThanListed(sys_seconds local, const ListingTime& listed)
{
    const sys_seconds localStart{(local.time_since_epoch() / listed.precision) * listed.precision};
    return localStart > listed.start;
}
