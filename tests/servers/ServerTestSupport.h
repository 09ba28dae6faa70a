#pragma once
// A client of the simulation historian that knows only the OPC interfaces: creation by ProgID
// on a historian whose clock the test holds, item handles, the times of the reference items,
// copies of answers (freeing everything the server allocated) and a data-callback sink that
// records what arrives and on which thread.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "opc/_OPCCOMN.h"
#include "opc/_OPCHDA.h"
#include "platform/PlatformExtensions.h"
#include "platform/rtl/MainThreadQueue.h"
#include "servers/hdasim/ServerRegistration.h"

constexpr int64_t TicksPerSecond = 10'000'000;
// 2000-01-01T00:00:00Z, where the generated history begins.
constexpr int64_t HistoryStart = 125'911'584'000'000'000;

inline int64_t At(int64_t hours, int64_t minutes = 0, int64_t seconds = 0) {
  return HistoryStart + ((hours * 60 + minutes) * 60 + seconds) * TicksPerSecond;
}

inline FILETIME ToFileTime(int64_t ticks) {
  return FILETIME{static_cast<DWORD>(static_cast<uint64_t>(ticks) & 0xFFFFFFFF),
                  static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32)};
}
inline int64_t ToTicks(const FILETIME& time) {
  return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}
inline FILETIME Seconds(int64_t seconds) { return ToFileTime(seconds * TicksPerSecond); }

inline OPCHDA_TIME Time(int64_t ticks) { return OPCHDA_TIME{FALSE, nullptr, ToFileTime(ticks)}; }
inline OPCHDA_TIME NoTime() { return OPCHDA_TIME{FALSE, nullptr, FILETIME{0, 0}}; }
inline OPCHDA_TIME Text(const char16_t* text) { return OPCHDA_TIME{TRUE, const_cast<LPWSTR>(text), FILETIME{0, 0}}; }

// The clock of the test historian: 2000-01-02T12:34:56Z unless a test moves it.
inline std::atomic<int64_t> TestNow{At(36, 34, 56)};

// A value as a test compares it: empty, a number or a text.
using TValue = std::variant<std::monostate, double, std::string>;
TValue ValueOf(const VARIANT& variant);

struct TSample {
  int64_t Time;
  TValue Value;
  DWORD Quality;
  VARTYPE Type;
};

// Copies of an item record's values.
std::vector<TSample> CopySamples(const OPCHDA_ITEM& item);
// Free record arrays as a client must: every record's arrays and strings, then the array.
void FreeItems(OPCHDA_ITEM* items, DWORD count);
void FreeModified(OPCHDA_MODIFIEDITEM* items, DWORD count);

// Fixture: a new historian on TestNow, one server by ProgID, handles for the given items.
class ServerTest : public testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Server handles of the items, client handle i + 1 for item i; fails the test on an error.
  std::vector<OPCHANDLE> Handles(const std::vector<std::u16string>& itemIds);
  OPCHANDLE Handle(const std::u16string& itemId) { return Handles({itemId}).front(); }
  template <class I>
  ComPtr<I> Interface() {
    ComPtr<I> result;
    EXPECT_EQ(FServer.As(&result), S_OK);
    return result;
  }

  struct TRead {
    HRESULT Result;
    HRESULT Error;
    std::vector<TSample> Samples;
  };
  // One item read raw through IOPCHDA_SyncRead.
  TRead ReadRaw(OPCHANDLE handle, OPCHDA_TIME start, OPCHDA_TIME end, DWORD numValues = 0, BOOL bounds = FALSE);
  TRead ReadProcessed(OPCHANDLE handle, int64_t start, int64_t end, int64_t intervalSeconds, DWORD aggregate);
  TRead ReadAtTime(OPCHANDLE handle, const std::vector<int64_t>& times);

  ComPtr<IUnknown> FServer;
};

// Creates the object registered under the ProgID.
HRESULT CreateByProgId(const char16_t* progId, ComPtr<IUnknown>& object);

// Pumps the main thread's queue until done() or the time is up.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(5));

// A data-callback sink that keeps a copy of every call.
class TDataSink : public TComObject<IOPCHDA_DataCallback> {
public:
  struct TCall {
    std::string Kind;
    DWORD Transaction = 0;
    HRESULT Status = S_OK;
    std::vector<std::vector<TSample>> Items;
    std::vector<HRESULT> Errors;
    std::vector<OPCHANDLE> Clients;
    std::thread::id Thread;
  };

  HRESULT STDMETHODCALLTYPE OnDataChange(DWORD, HRESULT, DWORD, OPCHDA_ITEM*, HRESULT*) override;
  HRESULT STDMETHODCALLTYPE OnReadComplete(DWORD, HRESULT, DWORD, OPCHDA_ITEM*, HRESULT*) override;
  HRESULT STDMETHODCALLTYPE OnReadModifiedComplete(DWORD, HRESULT, DWORD, OPCHDA_MODIFIEDITEM*, HRESULT*) override;
  HRESULT STDMETHODCALLTYPE OnReadAttributeComplete(DWORD, HRESULT, OPCHANDLE, DWORD, OPCHDA_ATTRIBUTE*,
                                                    HRESULT*) override;
  HRESULT STDMETHODCALLTYPE OnReadAnnotations(DWORD, HRESULT, DWORD, OPCHDA_ANNOTATION*, HRESULT*) override;
  HRESULT STDMETHODCALLTYPE OnInsertAnnotations(DWORD, HRESULT, DWORD, OPCHANDLE*, HRESULT*) override;
  HRESULT STDMETHODCALLTYPE OnPlayback(DWORD, HRESULT, DWORD, OPCHDA_ITEM**, HRESULT*) override;
  HRESULT STDMETHODCALLTYPE OnUpdateComplete(DWORD, HRESULT, DWORD, OPCHANDLE*, HRESULT*) override;
  HRESULT STDMETHODCALLTYPE OnCancelComplete(DWORD dwCancelID) override;

  std::vector<TCall> Calls;  // filled on the thread the calls arrive on: the test's own
  std::vector<DWORD> Cancelled;

private:
  TCall& Record(const char* kind, DWORD transaction, HRESULT status, DWORD count, const HRESULT* errors);
  void RecordItems(TCall& call, DWORD count, const OPCHDA_ITEM* items);
};

// Advises a sink on the object's IOPCHDA_DataCallback point; Unadvise on destruction.
class TAdvise {
public:
  TAdvise(IUnknown* server, IUnknown* sink);
  ~TAdvise();

private:
  ComPtr<IConnectionPoint> FPoint;
  DWORD FCookie = 0;
};
