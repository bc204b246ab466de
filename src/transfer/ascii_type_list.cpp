#include "transfer/ascii_type_list.h"

#include "core/data_paths.h"
#include "core/text_line_list.h"

void AsciiTypeList::loadAtStart(const std::string& dataDirectory)
{
    path_ = joinPath(dataDirectory, kFileName);
    TextLineList file;
    if (file.loadFromFile(path_)) {
        extensions_ = std::move(file.lines());
        loadFailedAtStart_ = false;
    } else {
        extensions_.clear();
        loadFailedAtStart_ = true;
    }
}

void AsciiTypeList::prepareForShowing(const std::string& dataDirectory)
{
    // Without a directory the path would name a file in the file system's
    // root; the path from the start stays then.
    if (!dataDirectory.empty())
        path_ = joinPath(dataDirectory, kFileName);
    if (!loadFailedAtStart_)
        return;
    TextLineList file;
    if (file.loadFromFile(path_))
        extensions_ = std::move(file.lines());
}

AsciiTypeList::ConfirmResult AsciiTypeList::confirm(const std::string& typedText)
{
    if (!typedText.empty())
        extensions_.push_back(typedText.front() == '.' ? typedText : "." + typedText);

    // The file is replaced in one step rather than deleted and then written,
    // so a failed write never leaves the user without any list on disk.
    const bool saved = TextLineList(extensions_).saveToFile(path_);
    return {typedText.empty() ? AfterConfirm::Close : AfterConfirm::KeepOpen, saved};
}

void AsciiTypeList::removeAt(std::size_t index)
{
    if (index < extensions_.size())
        extensions_.erase(extensions_.begin() + static_cast<std::ptrdiff_t>(index));
}
