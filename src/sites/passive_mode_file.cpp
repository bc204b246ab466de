#include "sites/passive_mode_file.h"

#include "core/text_line_list.h"

#include <sys/stat.h>

namespace passive_mode_file {

bool readPassive(const std::string& path)
{
    TextLineList lines;
    return lines.loadFromFile(path) && lines.lineOr(kPassiveLineIndex) == "1";
}

StoreResult storePassive(const std::string& path, bool passive)
{
    TextLineList lines;
    if (!lines.loadFromFile(path))
        return StoreResult::FileMissing;
    while (lines.size() <= kPassiveLineIndex)
        lines.append("");
    lines[kPassiveLineIndex] = passive ? "1" : "0";
    return lines.saveToFile(path) ? StoreResult::Saved : StoreResult::WriteFailed;
}

bool createIfMissing(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0)
        return true;
    // Lines 1 and 2 are reserved for a proxy host and port, which this
    // version does not use; only the passive flag on line 3 is read.
    return TextLineList({"", "", "0"}).saveToFile(path);
}

}  // namespace passive_mode_file
