#include "sites/passive_mode_file.h"

#include "core/text_line_list.h"

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

}  // namespace passive_mode_file
