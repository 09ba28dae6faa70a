#pragma once
// Test doubles shared by the COM tests: a server with one connection point whose worker
// thread ticks the sinks, and a sink that records where and what it was called with.

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "com/TestInterfaces.h"
#include "platform/PlatformExtensions.h"

class TTestServer : public TComObject<ITestServer, IConnectionPointContainer> {
public:
  ~TTestServer() override {
    if (FWorker.joinable()) FWorker.join();
  }

  HRESULT STDMETHODCALLTYPE Tick(LONG value) override {
    if (FWorker.joinable()) FWorker.join();
    FFinished = false;
    FWorker = std::thread([this, value] {
      FResult = FEvents.CallSinks<ITestEvents>([value](ITestEvents* sink) { return sink->OnTick(value); });
      FFinished = true;
    });
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE TickResult(BOOL* finished, HRESULT* result) override {
    *finished = FFinished.load();
    *result = FResult.load();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override {
    return FPoints.EnumConnectionPoints(ppEnum);
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override {
    return FPoints.FindConnectionPoint(riid, ppCP);
  }

  TConnectionPoint& Events() { return FEvents; }

private:
  TConnectionPoints FPoints{this};
  TConnectionPoint& FEvents = FPoints.Add(IID_ITestEvents);
  std::thread FWorker;
  std::atomic<bool> FFinished{true};
  std::atomic<HRESULT> FResult{S_OK};
};

class TTestSink : public TComObject<ITestEvents> {
public:
  HRESULT STDMETHODCALLTYPE OnTick(LONG value) override {
    std::lock_guard lock(FLock);
    FValues.push_back(value);
    FThreads.push_back(std::this_thread::get_id());
    if (OnCall) OnCall();
    return S_OK;
  }
  std::vector<LONG> Values() {
    std::lock_guard lock(FLock);
    return FValues;
  }
  std::vector<std::thread::id> Threads() {
    std::lock_guard lock(FLock);
    return FThreads;
  }
  std::function<void()> OnCall;

private:
  std::mutex FLock;
  std::vector<LONG> FValues;
  std::vector<std::thread::id> FThreads;
};

inline ULONG References(IUnknown* object) {
  object->AddRef();
  return object->Release();
}
