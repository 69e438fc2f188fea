// Throughput of the decoder and both coders, and the coders' ratios, on the fixed corpus.
// Figures only: nothing here passes or fails.
#include <benchmark/benchmark.h>

#include "bench/corpus.h"
#include "tools/pack/lzss_compressor.h"
#include "tools/pack/memory_decoder.h"

namespace {

constexpr size_t kCorpusSize = 1 << 20;

enum Corpus : int { kText, kPalmDatabase, kRandom };

const bench::Bytes& CorpusData(int which) {
  static const bench::Bytes text = bench::EnglishText(kCorpusSize, 0x5EED0001);
  static const bench::Bytes palm = bench::PalmDatabase(kCorpusSize, 0x5EED0002);
  static const bench::Bytes random = bench::RandomBytes(kCorpusSize, 0x5EED0003);
  return which == kText ? text : which == kPalmDatabase ? palm : random;
}

const char* CorpusName(int which) {
  return which == kText ? "text" : which == kPalmDatabase ? "palm_db" : "random";
}

template <pack::Bytes (*Coder)(std::span<const uint8_t>)>
void BM_Compress(benchmark::State& state) {
  const bench::Bytes& input = CorpusData(static_cast<int>(state.range(0)));
  size_t size = 0;
  for (auto _ : state) {
    pack::Bytes out = Coder(input);
    size = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetLabel(CorpusName(static_cast<int>(state.range(0))));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
  state.counters["ratio"] = static_cast<double>(size) / static_cast<double>(input.size());
  state.counters["out_bytes"] = static_cast<double>(size);
  if (Coder == &pack::Compress) {
    double greedy = static_cast<double>(pack::CompressGreedy(input).size());
    state.counters["saved_vs_greedy_pct"] = 100.0 * (1.0 - static_cast<double>(size) / greedy);
  }
}

void BM_DecodeToMemory(benchmark::State& state) {
  const bench::Bytes& input = CorpusData(static_cast<int>(state.range(0)));
  const pack::Bytes stream = pack::Compress(input);
  for (auto _ : state) {
    std::vector<uint8_t> out = pack::DecodeToMemory(stream);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetLabel(CorpusName(static_cast<int>(state.range(0))));
  // Measured on the decoded side: what the launcher writes out.
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
  state.counters["ratio"] = static_cast<double>(stream.size()) / static_cast<double>(input.size());
}

BENCHMARK(BM_DecodeToMemory)->DenseRange(kText, kRandom)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Compress<pack::CompressGreedy>)
    ->Name("BM_CompressGreedy")
    ->DenseRange(kText, kRandom)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Compress<pack::Compress>)
    ->Name("BM_Compress")
    ->DenseRange(kText, kRandom)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
