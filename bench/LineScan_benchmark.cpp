// A burst of bytes without any line feed, in small chunks, through the
// line assembler: the cost must grow linearly with the burst.
#include <benchmark/benchmark.h>

#include "link/LineAssembler.h"

namespace {

void BurstWithoutLineFeeds(benchmark::State& state) {
  const auto totalBytes = static_cast<std::size_t>(state.range(0));
  const auto chunkBytes = static_cast<std::size_t>(state.range(1));
  const std::string chunk(chunkBytes, 'x');
  const p42r::platform::CodePage codePage;
  for (auto _ : state) {
    p42r::link::LineAssembler assembler(codePage);
    for (std::size_t sent = 0; sent < totalBytes; sent += chunkBytes) {
      benchmark::DoNotOptimize(assembler.Feed(chunk));
    }
    benchmark::DoNotOptimize(assembler.Feed("\nOK\n"));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(totalBytes));
}

BENCHMARK(BurstWithoutLineFeeds)
    ->Args({256 * 1024, 64})
    ->Args({1024 * 1024, 64})
    ->Args({4 * 1024 * 1024, 64})
    ->Args({1024 * 1024, 1})
    ->Unit(benchmark::kMillisecond);

void ManyShortLines(benchmark::State& state) {
  const auto lines = static_cast<std::size_t>(state.range(0));
  const std::string chunk = "\r\nFDL20\r\n";
  const p42r::platform::CodePage codePage;
  for (auto _ : state) {
    p42r::link::LineAssembler assembler(codePage);
    for (std::size_t i = 0; i < lines; ++i) benchmark::DoNotOptimize(assembler.Feed(chunk));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines));
}

BENCHMARK(ManyShortLines)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
