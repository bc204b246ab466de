#include "core/stale_temporary_files.h"

#include <algorithm>
#include <filesystem>

void removeStaleTemporaryFiles(const std::string& directory)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        const std::string name = entry.path().filename().string();
        const std::size_t mark = name.rfind(".tmp");
        if (mark == std::string::npos || mark == 0 || mark + 4 == name.size())
            continue;
        const bool digits = std::all_of(name.begin() + static_cast<std::ptrdiff_t>(mark + 4), name.end(),
                                        [](unsigned char c) { return c >= '0' && c <= '9'; });
        if (digits && entry.is_regular_file(error))
            std::filesystem::remove(entry.path(), error);
    }
}
