// The search rule alone: 10,000 entries compared with one search text, as the window does
// for each keystroke. A third of the texts carry
// accents and other letters outside ASCII, which take the slower folding path.
#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

#include "store/entry.h"
#include "store/entry_search.h"

namespace {

using namespace keyloft;

std::u16string Number(int i) {
    std::u16string text;
    for (const char c : std::to_string(i)) text.push_back(static_cast<char16_t>(c));
    return text;
}

std::vector<Entry> MakeEntries(int count) {
    std::vector<Entry> entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::u16string n = Number(i);
        const std::u16string place =
            i % 3 == 0 ? u"Caf\u00e9 Stra\u00dfe \u00c5rhus " : u"Description of account ";
        Entry entry{u"Category " + Number(i % 20),     place + n,
                    u"user" + n + u"@example.com",     u"pw" + n,
                    u"Some notes for entry " + n,      u"12/2030",
                    u"https://site" + n + u".example", u"mail" + n + u"@example.org"};
        entries.push_back(std::move(entry));
    }
    return entries;
}

void BM_SearchTenThousandRecords(benchmark::State& state) {
    const std::vector<Entry> entries = MakeEntries(10000);
    const EntrySearch search(state.range(0) == 0 ? u"account 123" : u"STRASSE ARHUS 12");
    int found = 0;
    for (auto _ : state) {
        found = 0;
        for (const Entry& entry : entries) found += search.matches(entry) ? 1 : 0;
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = found;
}
BENCHMARK(BM_SearchTenThousandRecords)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
