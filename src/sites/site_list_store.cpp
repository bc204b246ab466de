#include "sites/site_list_store.h"

#include "core/data_paths.h"

#include <sys/stat.h>

namespace {

bool pathExists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

void SiteListStore::load(const std::string& dataDirectory)
{
    path_ = joinPath(dataDirectory, kFileName);
    if (lines_.loadFromFile(path_))
        return;

    TextLineList oldLines;
    if (oldLines.loadFromFile(joinPath(dataDirectory, kOldFileName)))
        lines_ = convertOldSiteList(oldLines);
    else
        lines_.clear();

    // A "serv3.adr" that exists but cannot be read is still the user's list:
    // writing the converted or empty list over it would destroy it.
    if (!pathExists(path_))
        save();
}

TextLineList SiteListStore::convertOldSiteList(const TextLineList& oldLines)
{
    TextLineList converted;
    const std::size_t oldCount = oldLines.size() / kOldLinesPerSite;
    for (std::size_t k = 0; k < oldCount; ++k) {
        converted.append("Servername " + std::to_string(k + 1));
        for (std::size_t line = 0; line < kOldLinesPerSite; ++line)
            converted.append(oldLines[k * kOldLinesPerSite + line]);
        converted.append("");   // remote directory
        converted.append("0");  // passive off
    }
    return converted;
}

SiteRecord SiteListStore::site(std::size_t index) const
{
    SiteRecord record;
    if (!isSite(index))
        return record;
    for (std::size_t line = 0; line < kLinesPerSite; ++line)
        record.lines[line] = lines_[index * kLinesPerSite + line];
    return record;
}

std::string SiteListStore::field(std::size_t index, SiteField which) const
{
    if (!isSite(index))
        return {};
    return lines_[index * kLinesPerSite + static_cast<std::size_t>(which)];
}

bool SiteListStore::setField(std::size_t index, SiteField which, std::string text)
{
    if (!isSite(index))
        return false;
    lines_[index * kLinesPerSite + static_cast<std::size_t>(which)] = std::move(text);
    return save();
}

bool SiteListStore::replaceSite(std::size_t index, const SiteRecord& record)
{
    if (!isSite(index))
        return false;
    for (std::size_t line = 0; line < kLinesPerSite; ++line)
        lines_[index * kLinesPerSite + line] = record.lines[line];
    return save();
}

bool SiteListStore::deleteSite(std::size_t index)
{
    if (!isSite(index))
        return false;
    auto& lines = lines_.lines();
    const auto first = lines.begin() + static_cast<std::ptrdiff_t>(index * kLinesPerSite);
    lines.erase(first, first + static_cast<std::ptrdiff_t>(kLinesPerSite));
    return save();
}

bool SiteListStore::appendSite(const SiteRecord& record)
{
    const std::size_t at = siteCount() * kLinesPerSite;
    for (std::size_t line = 0; line < kLinesPerSite; ++line)
        lines_.insert(at + line, record.lines[line]);
    return save();
}

bool SiteListStore::save() const
{
    // Every site carries its log-in, password included.
    return lines_.saveToFile(path_, FileAccess::OwnerOnly);
}
