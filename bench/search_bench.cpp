// The search over 100,000 events: each keystroke's query from the last key to
// the sorted result, a year's date range, and the index's memory.
#include <benchmark/benchmark.h>

#include "base/clock.h"
#include "search_events_fixture.h"

namespace orbelle {
namespace {

const SearchIndex& Index() {
    static SearchIndex index = [] {
        SearchIndex made;
        made.Reset(bench::MakeSearchEvents(), DateTime(46366.0));  // 10 December 2026
        return made;
    }();
    return index;
}

void Search(benchmark::State& state, SearchQuery query) {
    const SearchIndex& index = Index();
    std::size_t found = 0;
    SearchResult result;
    for (auto _ : state) {
        index.Find(query, result);
        index.Sort(result, SearchColumn::Next, true);
        found = result.hits.size();
        benchmark::DoNotOptimize(result);
    }
    state.counters["found"] = static_cast<double>(found);
    state.counters["index_MB"] = static_cast<double>(index.MemoryBytes()) / (1024.0 * 1024.0);
}

void BM_SearchBuildIndex(benchmark::State& state) {
    const std::vector<SearchEvent> events = bench::MakeSearchEvents();
    for (auto _ : state) {
        SearchIndex index;
        index.Reset(events, DateTime(46366.0));
        benchmark::DoNotOptimize(index);
    }
}
BENCHMARK(BM_SearchBuildIndex)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(Search, key_1_d, SearchQuery{.text = "d"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, key_3_den, SearchQuery{.text = "den"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, key_7_dentist, SearchQuery{.text = "dentist"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, two_words, SearchQuery{.text = "dentist appointm"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, accent_folded, SearchQuery{.text = "cafe zoe"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, nothing_matches, SearchQuery{.text = "qqq"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, year_range_all_events,
                  SearchQuery{.from = std::chrono::year{2027} / 1 / 1, .to = std::chrono::year{2027} / 12 / 31,
                              .include_done = true})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, year_range_with_word,
                  SearchQuery{.text = "team", .from = std::chrono::year{2027} / 1 / 1,
                              .to = std::chrono::year{2027} / 12 / 31})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orbelle
