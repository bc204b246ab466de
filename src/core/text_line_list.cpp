#include "core/text_line_list.h"

#include "core/data_file_read.h"


std::vector<std::string> TextLineList::splitLines(std::string_view bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t lf = bytes.find('\n', start);
        if (lf == std::string_view::npos) {
            lines.emplace_back(bytes.substr(start));
            break;
        }
        std::size_t end = lf;
        if (end > start && bytes[end - 1] == '\r')
            --end;
        lines.emplace_back(bytes.substr(start, end - start));
        start = lf + 1;
    }
    return lines;
}

std::string TextLineList::joinedText() const
{
    std::string text;
    std::size_t total = 0;
    for (const auto& line : items_)
        total += line.size() + 2;
    text.reserve(total);
    for (const auto& line : items_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

bool loadDataFile(TextLineList& lines, const std::string& path, std::string& failure)
{
    std::string bytes;
    if (!readDataFile(path, bytes, failure))
        return false;
    lines = TextLineList(TextLineList::splitLines(bytes));
    return true;
}

bool TextLineList::loadFromFile(const std::string& path)
{
    std::string failure;
    return loadDataFile(*this, path, failure);
}

bool TextLineList::saveToFile(const std::string& path, FileAccess access) const
{
    return writeWholeFile(path, joinedText(), access);
}

std::string TextLineList::lineOr(std::size_t i, std::string fallback) const
{
    return i < items_.size() ? items_[i] : fallback;
}

void TextLineList::insert(std::size_t index, std::string line)
{
    if (index > items_.size())
        index = items_.size();
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(line));
}

void TextLineList::removeAt(std::size_t index)
{
    if (index < items_.size())
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}
