// The search rule alone: 10,000 entry records compared with one search text, as the window does
// for each keystroke. A third of the texts carry
// accents and other letters outside ASCII, which take the slower folding path.
#include <benchmark/benchmark.h>

#include <string>
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

std::vector<std::u16string> MakeRecords(int count) {
    std::vector<std::u16string> records;
    records.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::u16string n = Number(i);
        const std::u16string place =
            i % 3 == 0 ? u"Caf\u00e9 Stra\u00dfe \u00c5rhus " : u"Description of account ";
        Entry entry{u"Category " + Number(i % 20),     place + n,
                    u"user" + n + u"@example.com",     u"pw" + n,
                    u"Some notes for entry " + n,      u"12/2030",
                    u"https://site" + n + u".example", u"mail" + n + u"@example.org"};
        records.push_back(entry.toRecord());
    }
    return records;
}

void BM_SearchTenThousandRecords(benchmark::State& state) {
    const std::vector<std::u16string> records = MakeRecords(10000);
    const EntrySearch search(state.range(0) == 0 ? u"account 123" : u"STRASSE ARHUS 12");
    int found = 0;
    for (auto _ : state) {
        found = 0;
        for (const std::u16string& record : records)
            found += search.matches(Entry::FromRecord(record)) ? 1 : 0;
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = found;
}
BENCHMARK(BM_SearchTenThousandRecords)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
