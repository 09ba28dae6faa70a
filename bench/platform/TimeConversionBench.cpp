// UTC -> local conversion of history time stamps through the cached zone table, against the C
// library's localtime_r on the same stamps, timed in alternating batches within one
// benchmark. Counters: nanoseconds per stamp for each, "ratio" (table over localtime_r) and
// the table's millions of conversions per second. The zone is Europe/Berlin.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/PlatformExtensions.h"

namespace {

constexpr int64_t kUnixEpoch = 116444736000000000;
constexpr int64_t kTicksPerSecond = 10000000;
constexpr size_t kStamps = 4096;

class TBerlinTime {
 public:
  TBerlinTime() {
    if (const char* old = std::getenv("TZ")) FOld = old;
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
  }
  ~TBerlinTime() {
    if (FOld)
      setenv("TZ", FOld->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<std::string> FOld;
};

using Clock = std::chrono::steady_clock;

double Nanoseconds(Clock::duration time, double count) {
  return std::chrono::duration<double, std::nano>(time).count() / count;
}

// Stamps given as FILETIME ticks; the baseline gets the same instants as time_t.
void RunAgainstLocaltime(benchmark::State& state, const std::vector<int64_t>& stamps) {
  TBerlinTime zone;
  auto table = SystemTimeZoneOffsets();
  std::vector<time_t> clocks;
  for (int64_t stamp : stamps) clocks.push_back(time_t((stamp - kUnixEpoch) / kTicksPerSecond));
  std::vector<int64_t> local(stamps.size());
  std::vector<tm> broken(stamps.size());

  Clock::duration tableTime{}, baselineTime{};
  for (auto _ : state) {
    auto start = Clock::now();
    for (size_t i = 0; i < stamps.size(); ++i) local[i] = table->UtcToLocal(stamps[i]);
    benchmark::DoNotOptimize(local.data());
    benchmark::ClobberMemory();
    auto middle = Clock::now();
    for (size_t i = 0; i < clocks.size(); ++i) localtime_r(&clocks[i], &broken[i]);
    benchmark::DoNotOptimize(broken.data());
    benchmark::ClobberMemory();
    auto end = Clock::now();
    tableTime += middle - start;
    baselineTime += end - middle;
  }
  double conversions = double(state.iterations()) * double(stamps.size());
  double tableNs = Nanoseconds(tableTime, conversions);
  double baselineNs = Nanoseconds(baselineTime, conversions);
  state.counters["table_ns"] = tableNs;
  state.counters["localtime_r_ns"] = baselineNs;
  state.counters["ratio"] = tableNs / baselineNs;
  state.counters["table_M_per_s"] = 1000.0 / tableNs;
}

int64_t TicksOf(int year) { return kUnixEpoch + int64_t(year - 1970) * 31556952 * kTicksPerSecond; }

// A raw history read: consecutive samples ten seconds apart across a daylight-saving change.
void BM_UtcToLocalSeries(benchmark::State& state) {
  std::vector<int64_t> stamps;
  int64_t start = kUnixEpoch + int64_t(1711846800 - 5 * 3600) * kTicksPerSecond;  // 2024-03-31 01:00 UTC - 5 h
  for (size_t i = 0; i < kStamps; ++i) stamps.push_back(start + int64_t(i) * 10 * kTicksPerSecond);
  RunAgainstLocaltime(state, stamps);
}
BENCHMARK(BM_UtcToLocalSeries);

// Stamps scattered over 1970..2050, the worst case for the table's locality.
void BM_UtcToLocalScattered(benchmark::State& state) {
  std::mt19937_64 random(42);
  std::uniform_int_distribution<int64_t> instant(TicksOf(1970), TicksOf(2050));
  std::vector<int64_t> stamps;
  for (size_t i = 0; i < kStamps; ++i) stamps.push_back(instant(random));
  RunAgainstLocaltime(state, stamps);
}
BENCHMARK(BM_UtcToLocalScattered);

// The Windows call with SYSTEMTIMEs and the zone looked up per call, for comparison.
void BM_SystemTimeToTzSpecificLocalTime(benchmark::State& state) {
  TBerlinTime zone;
  SYSTEMTIME utc = {2024, 7, 0, 15, 12, 30, 15, 250}, local;
  for (auto _ : state) {
    SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
    benchmark::DoNotOptimize(local);
    utc.wSecond = WORD((utc.wSecond + 1) % 60);
  }
}
BENCHMARK(BM_SystemTimeToTzSpecificLocalTime);

}  // namespace
