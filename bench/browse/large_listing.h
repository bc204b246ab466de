#pragma once

#include <string>
#include <vector>

// The lines of a LIST answer for a large directory: a "total" line, then
// mostly files of varied sizes, a folder every 20 entries and a link every
// 50. Both listing benchmarks read the same listing, so their times compare.
inline std::vector<std::string> makeLargeListing(int entries)
{
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(entries) + 1);
    lines.push_back("total " + std::to_string(entries * 8));
    for (int i = 0; i < entries; ++i) {
        const std::string n = std::to_string(i);
        if (i % 20 == 0)
            lines.push_back("drwxr-xr-x   2 user     group        4096 Jan 14 10:22 folder" + n);
        else if (i % 50 == 1)
            lines.push_back("lrwxrwxrwx   1 user     group          12 Feb  1 12:00 link" + n + " -> /pub/docs" + n);
        else
            lines.push_back("-rw-r--r--   1 user     group    " + std::to_string(1000 + i * 37) +
                            " Mar  3  2019 page " + n + ".html");
    }
    return lines;
}
