// A synchronous raw read of 1,000,000 values of Test.Ramp from the demo historian: through
// the component into a fresh TZelkHDAItems list that is then freed, against the bare
// IOPCHDA_SyncRead::ReadRaw call to the same server with the release of its results.
// "vs_bare" is the component's time per read over the bare call's, both measured in this run.
// The value list makes an item object only for a value someone asks for; the walked variant
// asks for all of them.

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

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double gBareSecondsPerRead = 0;

void BM_BareReadRaw(benchmark::State& state) {
  PrepareProcess();
  ComPtr<IOPCHDA_Server> server;
  CLSID clsId;
  CLSIDFromProgID(u"Zelk.HDASim.1", &clsId);
  CoCreateInstance(clsId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IOPCHDA_Server,
                   reinterpret_cast<void**>(server.ReleaseAndGetAddressOf()));
  ComPtr<IOPCHDA_SyncRead> syncRead;
  server.As(&syncRead);
  LPWSTR itemId = const_cast<LPWSTR>(u"Test.Ramp");
  OPCHANDLE client = 1;
  OPCHANDLE* handles = nullptr;
  HRESULT* handleErrors = nullptr;
  server->GetItemHandles(1, &itemId, &client, &handles, &handleErrors);
  OPCHANDLE handle = handles[0];
  CoTaskMemFree(handles);
  CoTaskMemFree(handleErrors);

  OPCHDA_TIME start{FALSE, nullptr, FileTimeOf(kStart)};
  OPCHDA_TIME end{FALSE, nullptr, FileTimeOf(kNow)};
  const auto began = std::chrono::steady_clock::now();
  for (auto _ : state) {
    OPCHDA_ITEM* items = nullptr;
    HRESULT* errors = nullptr;
    syncRead->ReadRaw(&start, &end, kValues, FALSE, 1, &handle, &items, &errors);
    if (items[0].dwCount != kValues) state.SkipWithError("short read");
    for (DWORD j = 0; j < items[0].dwCount; ++j) VariantClear(&items[0].pvDataValues[j]);
    CoTaskMemFree(items[0].pvDataValues);
    CoTaskMemFree(items[0].pdwQualities);
    CoTaskMemFree(items[0].pftTimeStamps);
    CoTaskMemFree(items);
    CoTaskMemFree(errors);
  }
  gBareSecondsPerRead = SecondsSince(began) / static_cast<double>(state.iterations());
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kValues);
}

// The component's read, and with walkValues every value item of it visited once, as a caller
// that shows them all would.
void ComponentReadRaw(benchmark::State& state, bool walkValues) {
  PrepareProcess();
  TZelkHDAServer component(nullptr);
  component.SetServerName("Zelk.HDASim.1");
  component.SetActive(true);
  const TDateTime start = FileTimeToLocalDateTime(FileTimeOf(kStart));
  const TDateTime end = FileTimeToLocalDateTime(FileTimeOf(kNow));
  const auto began = std::chrono::steady_clock::now();
  for (auto _ : state) {
    TZelkHDAItems items(&component);
    TZelkHDAItem* ramp = items.AddItem("Test.Ramp");
    component.SyncReadRaw(start, end, kValues, 0, &items);
    TZelkHDAValueList* values = ramp->Values();
    if (values->Count() != static_cast<int>(kValues)) state.SkipWithError("short read");
    if (walkValues) {
      double sum = 0;
      for (int j = 0; j < values->Count(); ++j) sum += values->Items(j)->TimeStamp + values->Items(j)->Quality;
      benchmark::DoNotOptimize(sum);
    }
  }
  const double secondsPerRead = SecondsSince(began) / static_cast<double>(state.iterations());
  if (gBareSecondsPerRead > 0) state.counters["vs_bare"] = secondsPerRead / gBareSecondsPerRead;
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kValues);
}

void BM_ComponentReadRaw(benchmark::State& state) { ComponentReadRaw(state, false); }
void BM_ComponentReadRawWalked(benchmark::State& state) { ComponentReadRaw(state, true); }

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
BENCHMARK(BM_ComponentReadRaw)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ComponentReadRawWalked)->Unit(benchmark::kMillisecond)->MinTime(2.0);
