// A raw read of 1,000,000 Test.Ramp values through IOPCHDA_SyncRead::ReadRaw, created by
// ProgID as a client would, against filling the same task-allocated arrays (FILETIME stamps,
// qualities, VT_R8 VARIANTs) bare. Both free what they got as a client must. The counter
// "ratio" is the ReadRaw time over the bare time of the same run; near 1 means the read is
// dominated by copying into the VARIANT arrays.

#include <benchmark/benchmark.h>

#include <chrono>

#include "opc/_OPCHDA.h"
#include "platform/PlatformExtensions.h"
#include "servers/hdasim/ServerRegistration.h"

namespace {

constexpr DWORD Values = 1'000'000;
constexpr int64_t HistoryStart = 125'911'584'000'000'000;  // 2000-01-01T00:00:00Z
constexpr int64_t RampPeriod = 100'000'000;                 // 10 s
constexpr int64_t ReadStart = HistoryStart + 12345 * RampPeriod;

FILETIME ToFileTime(int64_t ticks) {
  return FILETIME{static_cast<DWORD>(static_cast<uint64_t>(ticks) & 0xFFFFFFFF),
                  static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32)};
}

void FreeItem(OPCHDA_ITEM& item) {
  for (DWORD i = 0; i < item.dwCount; ++i) VariantClear(&item.pvDataValues[i]);
  CoTaskMemFree(item.pvDataValues);
  CoTaskMemFree(item.pftTimeStamps);
  CoTaskMemFree(item.pdwQualities);
}

// What the server's answer amounts to, made without the server.
void FillBare(OPCHDA_ITEM& item) {
  item.dwCount = Values;
  item.pftTimeStamps = static_cast<FILETIME*>(CoTaskMemAlloc(Values * sizeof(FILETIME)));
  item.pdwQualities = static_cast<DWORD*>(CoTaskMemAlloc(Values * sizeof(DWORD)));
  item.pvDataValues = static_cast<VARIANT*>(CoTaskMemAlloc(Values * sizeof(VARIANT)));
  for (DWORD i = 0; i < Values; ++i) {
    item.pftTimeStamps[i] = ToFileTime(ReadStart + static_cast<int64_t>(i) * RampPeriod);
    item.pdwQualities[i] = OPCHDA_RAW | 0xC0;
    VariantInit(&item.pvDataValues[i]);
    item.pvDataValues[i].vt = VT_R8;
    item.pvDataValues[i].dblVal = static_cast<double>((12345 + i) % 1000);
  }
}

struct TClient {
  TClient() {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    THdaSimOptions options;
    options.Clock = [] { return HistoryStart + int64_t(366) * 86400 * 10'000'000; };  // 2001-01-01
    options.DataFolder = "";
    RegisterHdaSimServers(options);
    CLSID clsid;
    CLSIDFromProgID(u"Zelk.HDASim.1", &clsid);
    CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IOPCHDA_SyncRead, reinterpret_cast<void**>(Read.GetAddressOf()));
    ComPtr<IOPCHDA_Server> server;
    Read.As(&server);
    LPWSTR id = const_cast<LPWSTR>(u"Test.Ramp");
    OPCHANDLE client = 1, *handles = nullptr;
    HRESULT* errors = nullptr;
    server->GetItemHandles(1, &id, &client, &handles, &errors);
    Handle = handles[0];
    CoTaskMemFree(handles);
    CoTaskMemFree(errors);
  }
  ComPtr<IOPCHDA_SyncRead> Read;
  OPCHANDLE Handle = 0;
};

void BM_ReadRawThroughCom(benchmark::State& state) {
  static TClient client;
  using Clock = std::chrono::steady_clock;
  Clock::duration readTime{}, bareTime{};
  for (auto _ : state) {
    OPCHDA_TIME start{FALSE, nullptr, ToFileTime(ReadStart)};
    OPCHDA_TIME end{FALSE, nullptr, ToFileTime(ReadStart + Values * RampPeriod)};
    OPCHDA_ITEM* items = nullptr;
    HRESULT* errors = nullptr;
    const auto t0 = Clock::now();
    const HRESULT hr = client.Read->ReadRaw(&start, &end, 0, FALSE, 1, &client.Handle, &items, &errors);
    if (hr != S_OK || items[0].dwCount != Values) state.SkipWithError("ReadRaw did not deliver every value");
    benchmark::DoNotOptimize(items[0].pvDataValues[Values - 1].dblVal);
    FreeItem(items[0]);
    CoTaskMemFree(items);
    CoTaskMemFree(errors);
    const auto t1 = Clock::now();
    OPCHDA_ITEM bare{};
    FillBare(bare);
    benchmark::DoNotOptimize(bare.pvDataValues[Values - 1].dblVal);
    FreeItem(bare);
    const auto t2 = Clock::now();
    readTime += t1 - t0;
    bareTime += t2 - t1;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["read_ms"] = std::chrono::duration<double, std::milli>(readTime).count() / n;
  state.counters["bare_ms"] = std::chrono::duration<double, std::milli>(bareTime).count() / n;
  state.counters["ratio"] = std::chrono::duration<double>(readTime) / std::chrono::duration<double>(bareTime);
}

}  // namespace

BENCHMARK(BM_ReadRawThroughCom)->Unit(benchmark::kMillisecond)->Iterations(20);
