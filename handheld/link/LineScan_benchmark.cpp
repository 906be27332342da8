// A burst of bytes without any line feed, in small chunks, through the
// reader's line scan: the cost must grow linearly with the burst.
#include <benchmark/benchmark.h>

#include "testing/HandheldHarness.h"

namespace {

void BurstWithoutLineFeeds(benchmark::State& state) {
  const auto totalBytes = static_cast<std::size_t>(state.range(0));
  const auto chunkBytes = static_cast<std::size_t>(state.range(1));
  const std::string chunk(chunkBytes, 'x');
  for (auto _ : state) {
    p42r::testing::HandheldHarness harness;
    for (std::size_t sent = 0; sent < totalBytes; sent += chunkBytes) {
      benchmark::DoNotOptimize(harness.channel.ReceiveForTest(chunk));
    }
    benchmark::DoNotOptimize(harness.channel.ReceiveForTest("\nOK\n"));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * totalBytes));
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
  for (auto _ : state) {
    p42r::testing::HandheldHarness harness;
    for (std::size_t i = 0; i < lines; ++i) benchmark::DoNotOptimize(harness.channel.ReceiveForTest(chunk));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * lines));
}

BENCHMARK(ManyShortLines)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
