// How long the remote listing parser takes for a large directory: 10,000
// entries of mixed files, directories and links, as one LIST would bring.
#include "remote/listing_parser.h"
#include "remote/remote_listing_tables.h"
#include "large_listing.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

void BM_ParseListing(benchmark::State& state)
{
    const std::vector<std::string> listing = makeLargeListing(static_cast<int>(state.range(0)));
    const std::vector<std::string> iconTable = {".txt3", ".htm12", ".gif5", ".jpg6", ".css9"};
    for (auto _ : state) {
        ListingParser parser(listing);
        RemoteListingTables tables;
        while (auto entry = parser.next()) {
            if (entry->kind == ListingEntry::Kind::Directory)
                continue;
            benchmark::DoNotOptimize(remoteSizeText(entry->size));
            benchmark::DoNotOptimize(remoteTypeText(entry->name));
            benchmark::DoNotOptimize(iconIndexForFile(entry->name, iconTable));
            ++tables.fileCount;
        }
        benchmark::DoNotOptimize(tables);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ParseListing)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
