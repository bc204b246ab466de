// Feeds arbitrary bytes to the remote listing parser as the contents of the
// listing file and checks what it promises about every entry it yields.
#include "remote/listing_parser.h"
#include "remote/remote_listing_tables.h"
#include "core/text_line_list.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

const std::vector<std::string> kIconTable = {".txt3", ".htm12", ".html40", ".jpeg7", ".p", ""};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ListingParser parser(TextLineList::splitLines(bytes));
    RemoteListingTables tables;
    std::size_t entries = 0;
    while (auto entry = parser.next()) {
        ++entries;
        check(!entry->name.empty());
        check(entry->name != "." && entry->name != "..");
        check(entry->name.size() <= kListingMaxNameLength);
        check(entry->name.find('/') == std::string::npos);
        check(entry->linkTarget.size() <= kListingMaxLinkTargetLength);
        check(entry->kind == ListingEntry::Kind::Link || entry->linkTarget.empty());
        check(entry->date.size() <= kListingDateLength);
        check(entry->size >= 0);
        if (entry->kind == ListingEntry::Kind::Directory)
            continue;
        const std::string sizeText = remoteSizeText(entry->size);
        check(sizeText.empty() == (entry->size == 0));
        const std::string type = remoteTypeText(entry->name);
        check(type.size() >= 5 && type.compare(type.size() - 5, 5, " File") == 0);
        check(iconIndexForFile(entry->name, kIconTable) >= 0);
        if (entry->kind == ListingEntry::Kind::Link)
            tables.addLink();
    }
    check(entries <= kListingMaxLines);
    check(tables.linkCount() <= RemoteListingTables::kLinkSlots);
    return 0;
}
