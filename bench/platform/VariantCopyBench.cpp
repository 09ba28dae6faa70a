// VariantCopy against the bare copy of the same value, timed in alternating batches within
// one benchmark so that both sides see the same machine state. The "ratio" counter is
// VariantCopy's time over the baseline's.

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "platform/win32.h"

namespace {

constexpr int kBatch = 256;

template <class Subject, class Baseline>
void RunPaired(benchmark::State& state, Subject subject, Baseline baseline) {
  using Clock = std::chrono::steady_clock;
  Clock::duration subjectTime{}, baselineTime{};
  for (auto _ : state) {
    auto start = Clock::now();
    for (int i = 0; i < kBatch; ++i) subject();
    auto middle = Clock::now();
    for (int i = 0; i < kBatch; ++i) baseline();
    auto end = Clock::now();
    subjectTime += middle - start;
    baselineTime += end - middle;
  }
  double copies = double(state.iterations()) * kBatch;
  double subjectNs = std::chrono::duration<double, std::nano>(subjectTime).count() / copies;
  double baselineNs = std::chrono::duration<double, std::nano>(baselineTime).count() / copies;
  state.counters["variant_ns"] = subjectNs;
  state.counters["baseline_ns"] = baselineNs;
  state.counters["ratio"] = subjectNs / baselineNs;
}

// A double: against copying the VARIANT struct as it is.
void BM_VariantCopyR8(benchmark::State& state) {
  VARIANT source, target;
  VariantInit(&target);
  source.vt = VT_R8;
  source.dblVal = 3.25;
  RunPaired(
      state,
      [&] {
        VariantCopy(&target, &source);
        benchmark::DoNotOptimize(target);
      },
      [&] {
        target = source;
        benchmark::DoNotOptimize(target);
        benchmark::ClobberMemory();
      });
}
BENCHMARK(BM_VariantCopyR8);

// A 16-character string: against copying a std::u16string of the same text (which also
// allocates, copies and frees once per copy).
void BM_VariantCopyBstr(benchmark::State& state) {
  const std::u16string text = u"Sixteen chars!!!";
  VARIANT source, target;
  VariantInit(&target);
  source.vt = VT_BSTR;
  source.bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
  RunPaired(
      state,
      [&] {
        VariantCopy(&target, &source);  // frees the previous copy first
        benchmark::DoNotOptimize(target.bstrVal);
      },
      [&] {
        std::u16string copy = text;
        benchmark::DoNotOptimize(copy.data());
      });
  VariantClear(&target);
  VariantClear(&source);
}
BENCHMARK(BM_VariantCopyBstr);

}  // namespace
