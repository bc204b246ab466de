#include "app/local_file_texts.h"

#include "core/data_paths.h"

std::string localSizeText(std::uint64_t length)
{
    if (length < 1)
        return {};
    if (length < 1024)
        return std::to_string(length);
    return std::to_string(length / 1024) + "KB";
}

std::string localDateText(std::time_t lastWrite)
{
    static const char* const months[] = {"Jan-", "Feb-", "Mar-", "Apr-", "May-", "Jun-",
                                         "Jul-", "Aug-", "Sep-", "Oct-", "Nov-", "Dec-"};
    std::tm local{};
    if (!::localtime_r(&lastWrite, &local))
        return {};
    const int day = local.tm_mday;
    const char* suffix = "th";
    if (day == 1 || day == 21 || day == 31)
        suffix = "st";
    else if (day == 2 || day == 22)
        suffix = "nd";
    else if (day == 3 || day == 23)
        suffix = "rd";
    std::string text = months[local.tm_mon];
    if (day < 10)
        text += ' ';
    text += std::to_string(day);
    text += suffix;
    text += '-';
    text += std::to_string(local.tm_year + 1900);
    return text;
}

std::string localSearchPattern(const std::string& directory, const std::string& filter)
{
    return joinPath(directory, filter);
}
