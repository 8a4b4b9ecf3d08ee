// The table generators at their largest accepted count, and the clock's per-tick cell lookup.
#include <benchmark/benchmark.h>

#include "lib/Convert.h"
#include "pad/Cells.h"
#include "pad/Generator.h"
#include "pad/Limits.h"

namespace {

void BM_GenerateLargestTable(benchmark::State& state) {
  pad::Random random;
  random.seed(1);
  lib::StringList table;
  // As the window does: the count text is converted again before every pass.
  const std::string countText = lib::IntToStr(pad::kMaxTableEntries);
  for (auto _ : state) {
    pad::generateTable(
        table, [&] { return lib::StrToInt(countText); }, random, 128);
    benchmark::DoNotOptimize(table.count());
  }
  state.counters["entries"] = table.count();
}
BENCHMARK(BM_GenerateLargestTable)->Unit(benchmark::kMillisecond);

void BM_CellOfPointer(benchmark::State& state) {
  int x = 0;
  for (auto _ : state) {
    x = (x + 7) % 617;
    benchmark::DoNotOptimize(pad::ColumnOf(x, 617, 128) + pad::RowOf(x % 235, 235, 128));
  }
}
BENCHMARK(BM_CellOfPointer);

}  // namespace

BENCHMARK_MAIN();
