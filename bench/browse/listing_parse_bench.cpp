// How long the remote listing parser takes for a large directory: 10,000
// entries of mixed files, directories and links, as one LIST would bring.
#include "app/listing_parser.h"
#include "app/remote_listing_tables.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> makeListing(int entries)
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

void BM_ParseListing(benchmark::State& state)
{
    const std::vector<std::string> listing = makeListing(static_cast<int>(state.range(0)));
    const std::vector<std::string> iconTable = {".txt3", ".htm12", ".gif5", ".jpg6", ".css9"};
    for (auto _ : state) {
        ListingParser parser(listing);
        RemoteListingTables tables;
        std::size_t position = 0;
        while (auto entry = parser.next()) {
            if (entry->kind == ListingEntry::Kind::Directory)
                continue;
            benchmark::DoNotOptimize(remoteSizeText(entry->size));
            benchmark::DoNotOptimize(remoteTypeText(entry->name));
            benchmark::DoNotOptimize(iconIndexForFile(entry->name, iconTable));
            tables.recordSize(position++, entry->size);
        }
        benchmark::DoNotOptimize(tables);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ParseListing)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
