// A raw read of 1,000,000 values of the simulation historian into the arrays the COM layer
// fills (time stamps, values, qualities), against filling the same arrays without the
// historian: a trivial loop and a memcpy from ready arrays.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <vector>

#include "servers/hdasim/HdaHistorian.h"

namespace {

constexpr size_t Values = 1'000'000;
constexpr int64_t RampPeriod = 10 * HdaTicksPerSecond;

struct Arrays {
  std::vector<int64_t> Times = std::vector<int64_t>(Values);
  std::vector<double> Numbers = std::vector<double>(Values);
  std::vector<uint32_t> Qualities = std::vector<uint32_t>(Values);
};

const HdaHistorian& Historian() {
  static const HdaHistorian historian([] {
    HdaHistorianOptions options;
    options.Clock = [] { return HdaTicksFromUtc(2001, 1, 1); };
    return options;
  }());
  return historian;
}

size_t ReadRamp(const HdaHistorian& historian, int item, Arrays& arrays) {
  const int64_t start = HdaEpoch + 12345 * RampPeriod;
  std::optional<HdaRawCursor> cursor;
  historian.ReadRaw(item, {start, start + static_cast<int64_t>(Values) * RampPeriod, 0, false}, cursor);
  return cursor->Read(arrays.Times.data(), arrays.Numbers.data(), arrays.Qualities.data(), Values);
}

void FillTrivially(Arrays& arrays) {
  const int64_t start = HdaEpoch + 12345 * RampPeriod;
  for (size_t i = 0; i < Values; ++i) {
    arrays.Times[i] = start + static_cast<int64_t>(i) * RampPeriod;
    arrays.Numbers[i] = static_cast<double>(i);
    arrays.Qualities[i] = 0x000400C0;
  }
}

void CopyReady(const Arrays& ready, Arrays& arrays) {
  std::memcpy(arrays.Times.data(), ready.Times.data(), Values * sizeof(int64_t));
  std::memcpy(arrays.Numbers.data(), ready.Numbers.data(), Values * sizeof(double));
  std::memcpy(arrays.Qualities.data(), ready.Qualities.data(), Values * sizeof(uint32_t));
}

void BM_RawReadRamp(benchmark::State& state) {
  const HdaHistorian& historian = Historian();
  const int item = historian.FindItem("Test.Ramp");
  Arrays arrays;
  for (auto _ : state) {
    if (ReadRamp(historian, item, arrays) != Values) state.SkipWithError("short read");
    benchmark::DoNotOptimize(arrays.Numbers.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Values));
}
BENCHMARK(BM_RawReadRamp)->Unit(benchmark::kMillisecond);

void BM_RawReadSine(benchmark::State& state) {
  const HdaHistorian& historian = Historian();
  const int item = historian.FindItem("Test.Sine");
  Arrays arrays;
  for (auto _ : state) {
    std::optional<HdaRawCursor> cursor;
    historian.ReadRaw(item, {HdaEpoch, HdaEpoch + static_cast<int64_t>(Values) * HdaTicksPerSecond, 0, false}, cursor);
    cursor->Read(arrays.Times.data(), arrays.Numbers.data(), arrays.Qualities.data(), Values);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Values));
}
BENCHMARK(BM_RawReadSine)->Unit(benchmark::kMillisecond);

void BM_BaselineLoop(benchmark::State& state) {
  Arrays arrays;
  for (auto _ : state) {
    FillTrivially(arrays);
    benchmark::DoNotOptimize(arrays.Numbers.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Values));
}
BENCHMARK(BM_BaselineLoop)->Unit(benchmark::kMillisecond);

void BM_BaselineMemcpy(benchmark::State& state) {
  Arrays ready, arrays;
  FillTrivially(ready);
  for (auto _ : state) {
    CopyReady(ready, arrays);
    benchmark::DoNotOptimize(arrays.Numbers.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Values));
}
BENCHMARK(BM_BaselineMemcpy)->Unit(benchmark::kMillisecond);

// The read and both baselines alternating in one loop, so that the ratios compare like with
// like on a shared machine.
void BM_RawReadRatio(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  const HdaHistorian& historian = Historian();
  const int item = historian.FindItem("Test.Ramp");
  Arrays ready, arrays;
  FillTrivially(ready);
  Clock::duration read{}, loop{}, copy{};
  for (auto _ : state) {
    auto t0 = Clock::now();
    ReadRamp(historian, item, arrays);
    benchmark::ClobberMemory();
    auto t1 = Clock::now();
    FillTrivially(arrays);
    benchmark::ClobberMemory();
    auto t2 = Clock::now();
    CopyReady(ready, arrays);
    benchmark::ClobberMemory();
    auto t3 = Clock::now();
    read += t1 - t0;
    loop += t2 - t1;
    copy += t3 - t2;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["read_ms"] = std::chrono::duration<double, std::milli>(read).count() / n;
  state.counters["loop_ms"] = std::chrono::duration<double, std::milli>(loop).count() / n;
  state.counters["memcpy_ms"] = std::chrono::duration<double, std::milli>(copy).count() / n;
  state.counters["read/loop"] = static_cast<double>(read.count()) / static_cast<double>(loop.count());
  state.counters["read/memcpy"] = static_cast<double>(read.count()) / static_cast<double>(copy.count());
  state.counters["read_values_per_s"] = Values * n / std::chrono::duration<double>(read).count();
}
BENCHMARK(BM_RawReadRatio)->Unit(benchmark::kMillisecond);

// A processed read (Average) over the same million samples in 100 intervals, against the raw
// read of them, alternating in one loop: the aggregate walks the samples once, in portions.
void BM_ProcessedAverageRatio(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  const HdaHistorian& historian = Historian();
  const int item = historian.FindItem("Test.Ramp");
  const int64_t start = HdaEpoch + 12345 * RampPeriod;
  HdaProcessedRequest request;
  request.Start = start;
  request.End = start + static_cast<int64_t>(Values) * RampPeriod;
  request.ResampleInterval = (request.End - request.Start) / 100;
  request.Aggregate = HDA_AGG_AVERAGE;
  Arrays arrays;
  std::vector<HdaSample> averages;
  Clock::duration processed{}, raw{};
  for (auto _ : state) {
    auto t0 = Clock::now();
    if (historian.ReadProcessed(item, request, averages) != HdaStatus::Ok || averages.size() != 100)
      state.SkipWithError("processed read failed");
    benchmark::ClobberMemory();
    auto t1 = Clock::now();
    ReadRamp(historian, item, arrays);
    benchmark::ClobberMemory();
    auto t2 = Clock::now();
    processed += t1 - t0;
    raw += t2 - t1;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["processed_ms"] = std::chrono::duration<double, std::milli>(processed).count() / n;
  state.counters["raw_ms"] = std::chrono::duration<double, std::milli>(raw).count() / n;
  state.counters["processed/raw"] = static_cast<double>(processed.count()) / static_cast<double>(raw.count());
}
BENCHMARK(BM_ProcessedAverageRatio)->Unit(benchmark::kMillisecond);

}  // namespace
