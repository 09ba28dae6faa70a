// A synchronous raw read of 1,000,000 values of Test.Ramp from the demo historian: through
// the component into a fresh TZelkHDAItems list that is then freed, against the bare
// IOPCHDA_SyncRead::ReadRaw call to the same server with the release of its results.
// The value list makes an item object only for a value someone asks for; the walked variant
// asks for all of them. BM_ReadRawRatio alternates the three in one loop, so that its ratios
// compare like with like on a shared machine.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

#include "opc/_opcactivex.h"
#include "servers/hdasim/ServerRegistration.h"
#include "toolkit/com/ZelkCOMLink.h"
#include "toolkit/hda/ZelkHDA.h"

namespace {

constexpr DWORD kValues = 1'000'000;
constexpr int64_t kNow = 134'116'992'000'000'000LL;       // 2026-01-01 UTC
constexpr int64_t kStart = kNow - 200LL * 864'000'000'000;  // more than 1,000,000 ramp samples before

FILETIME FileTimeOf(int64_t ticks) {
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32)};
}

// The benchmark thread as the program's main thread: a single-threaded apartment with the
// historian registered in it.
void PrepareProcess() {
  static const bool prepared = [] {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    THdaSimOptions options;
    options.Clock = [] { return kNow; };
    options.DataFolder = "";
    return RegisterHdaSimServers(options) == S_OK;
  }();
  if (!prepared) std::abort();
}

// The server's read interface and the handle of Test.Ramp, as a client without the
// component would hold them.
class TBareReader {
public:
  TBareReader() {
    PrepareProcess();
    ComPtr<IOPCHDA_Server> server;
    CLSID clsId;
    CLSIDFromProgID(u"Zelk.HDASim.1", &clsId);
    CoCreateInstance(clsId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IOPCHDA_Server,
                     reinterpret_cast<void**>(server.ReleaseAndGetAddressOf()));
    server.As(&FSyncRead);
    LPWSTR itemId = const_cast<LPWSTR>(u"Test.Ramp");
    OPCHANDLE client = 1;
    OPCHANDLE* handles = nullptr;
    HRESULT* handleErrors = nullptr;
    server->GetItemHandles(1, &itemId, &client, &handles, &handleErrors);
    FHandle = handles[0];
    CoTaskMemFree(handles);
    CoTaskMemFree(handleErrors);
  }

  // One read, its results released; the number of values it brought.
  DWORD Read() {
    OPCHDA_TIME start{FALSE, nullptr, FileTimeOf(kStart)};
    OPCHDA_TIME end{FALSE, nullptr, FileTimeOf(kNow)};
    OPCHDA_ITEM* items = nullptr;
    HRESULT* errors = nullptr;
    FSyncRead->ReadRaw(&start, &end, kValues, FALSE, 1, &FHandle, &items, &errors);
    const DWORD count = items[0].dwCount;
    for (DWORD j = 0; j < count; ++j) VariantClear(&items[0].pvDataValues[j]);
    CoTaskMemFree(items[0].pvDataValues);
    CoTaskMemFree(items[0].pdwQualities);
    CoTaskMemFree(items[0].pftTimeStamps);
    CoTaskMemFree(items);
    CoTaskMemFree(errors);
    return count;
  }

private:
  ComPtr<IOPCHDA_SyncRead> FSyncRead;
  OPCHANDLE FHandle = 0;
};

// A connected component, reading into a fresh list each time.
class TComponentReader {
public:
  TComponentReader() : FComponent(nullptr) {
    PrepareProcess();
    FComponent.SetServerName("Zelk.HDASim.1");
    FComponent.SetActive(true);
  }

  // One read, with walkValues every value item visited once, the list freed; the number of
  // values it brought.
  int Read(bool walkValues) {
    TZelkHDAItems items(&FComponent);
    TZelkHDAItem* ramp = items.AddItem("Test.Ramp");
    FComponent.SyncReadRaw(FStart, FEnd, kValues, 0, &items);
    TZelkHDAValueList* values = ramp->Values();
    if (walkValues) {
      double sum = 0;
      for (int j = 0; j < values->Count(); ++j) sum += values->Items(j)->TimeStamp + values->Items(j)->Quality;
      benchmark::DoNotOptimize(sum);
    }
    return values->Count();
  }

private:
  TZelkHDAServer FComponent;
  const TDateTime FStart = FileTimeToLocalDateTime(FileTimeOf(kStart));
  const TDateTime FEnd = FileTimeToLocalDateTime(FileTimeOf(kNow));
};

void BM_BareReadRaw(benchmark::State& state) {
  TBareReader bare;
  for (auto _ : state)
    if (bare.Read() != kValues) state.SkipWithError("short read");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kValues);
}

void BM_ComponentReadRaw(benchmark::State& state, bool walkValues) {
  TComponentReader component;
  for (auto _ : state)
    if (component.Read(walkValues) != static_cast<int>(kValues)) state.SkipWithError("short read");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kValues);
}

void BM_ReadRawRatio(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  TBareReader bare;
  TComponentReader component;
  Clock::duration bareTime{}, componentTime{}, walkedTime{};
  for (auto _ : state) {
    const auto t0 = Clock::now();
    bare.Read();
    const auto t1 = Clock::now();
    component.Read(false);
    const auto t2 = Clock::now();
    component.Read(true);
    const auto t3 = Clock::now();
    bareTime += t1 - t0;
    componentTime += t2 - t1;
    walkedTime += t3 - t2;
  }
  const double n = static_cast<double>(state.iterations());
  const auto ms = [n](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count() / n; };
  state.counters["bare_ms"] = ms(bareTime);
  state.counters["component_ms"] = ms(componentTime);
  state.counters["walked_ms"] = ms(walkedTime);
  state.counters["component/bare"] = static_cast<double>(componentTime.count()) / static_cast<double>(bareTime.count());
  state.counters["walked/bare"] = static_cast<double>(walkedTime.count()) / static_cast<double>(bareTime.count());
  state.counters["component_values_per_s"] = kValues * n / std::chrono::duration<double>(componentTime).count();
}

// What the data model alone costs: one value item per value, appended and freed.
void BM_ValueListOnly(benchmark::State& state) {
  VARIANT value;
  value.vt = VT_R8;
  value.dblVal = 1;
  for (auto _ : state) {
    TZelkHDAValueList values;
    values.SetCapacity(kValues);
    for (DWORD j = 0; j < kValues; ++j) values.AddNew(value)->hdaQuality = j;
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kValues);
}

}  // namespace

BENCHMARK(BM_ValueListOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BareReadRaw)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_ComponentReadRaw, listed, false)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_ComponentReadRaw, walked, true)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadRawRatio)->Unit(benchmark::kMillisecond)->MinTime(4.0);
