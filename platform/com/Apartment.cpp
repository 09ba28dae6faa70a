// Apartments: which threads entered COM in which mode, and how a call reaches an apartment's
// thread.

#include <chrono>
#include <climits>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/com/ComApartment.h"
#include "platform/rtl/MainThreadQueue.h"
#include "platform/rtl/Threads.h"

namespace {

HRESULT RunGuarded(const std::function<HRESULT()>& call) {
  try {
    return call();
  } catch (...) {
    // As a stub does for an exception in a server: the caller gets a result, never the exception.
    return RPC_E_SERVERFAULT;
  }
}

class TSingleThreadedApartment;

// The completion of one synchronous call into a single-threaded apartment.
class TCallCompletion {
public:
  explicit TCallCompletion(std::shared_ptr<TSingleThreadedApartment> waiter) : FWaiter(std::move(waiter)) {}
  void Finish(HRESULT result);
  bool Finished() const {
    std::lock_guard lock(FLock);
    return FFinished;
  }
  // Blocks until Finish; the caller's own single-threaded apartment keeps running its calls.
  HRESULT Wait();

private:
  mutable std::mutex FLock;
  std::condition_variable FDone;
  bool FFinished = false;
  HRESULT FResult = RPC_E_DISCONNECTED;
  const std::shared_ptr<TSingleThreadedApartment> FWaiter;
};

struct TApartmentTask {
  std::function<void()> Run;
  std::function<void()> Abandon;  // instead of Run, when the apartment goes away first
};

class TSingleThreadedApartment : public TApartment, public std::enable_shared_from_this<TSingleThreadedApartment> {
public:
  TSingleThreadedApartment(APTTYPE type, std::thread::id thread) : FType(type), FThread(thread) {}

  APTTYPE Type() const override { return FType; }
  bool IsAlive() const override {
    std::lock_guard lock(FLock);
    return FAlive;
  }
  bool IsCurrent() const override { return std::this_thread::get_id() == FThread && IsAlive(); }

  HRESULT Call(const std::function<HRESULT()>& call) override;
  HRESULT Post(std::function<void()> call) override;

  // On the apartment's thread: runs what is queued; waits up to timeoutMs when nothing is.
  bool Pump(DWORD timeoutMs);
  // Makes a Pump that is waiting return, so that its thread can look at a finished call.
  void Wake();
  // The apartment's thread leaves: queued calls are abandoned, later ones refused.
  void Shutdown();

private:
  bool Enqueue(TApartmentTask task);
  bool RunQueued();

  const APTTYPE FType;
  const std::thread::id FThread;
  mutable std::mutex FLock;
  std::condition_variable FChanged;
  std::deque<TApartmentTask> FTasks;
  bool FWakeRequested = false;
  bool FAlive = true;
};

class TMultiThreadedApartment : public TApartment {
public:
  APTTYPE Type() const override { return APTTYPE_MTA; }
  bool IsAlive() const override { return FAlive.load(); }
  bool IsCurrent() const override { return CurrentApartment().get() == this; }

  HRESULT Call(const std::function<HRESULT()>& call) override {
    if (!IsAlive()) return RPC_E_DISCONNECTED;
    return RunGuarded(call);
  }
  HRESULT Post(std::function<void()> call) override {
    if (!IsAlive()) return RPC_E_DISCONNECTED;
    RunGuarded([&call] {
      call();
      return S_OK;
    });
    return S_OK;
  }
  void Shutdown() { FAlive = false; }

private:
  std::atomic<bool> FAlive{true};
};

// What the calling thread entered with CoInitializeEx. A thread that ends without balancing
// its CoInitializeEx calls still leaves its apartment, so that nothing waits for a dead thread.
struct TThreadApartment {
  TApartmentPtr Apartment;
  ULONG InitCount = 0;

  ~TThreadApartment() {
    if (InitCount) Leave();
  }
  void Leave();
};

thread_local TThreadApartment CurrentThread;

std::mutex MtaLock;
std::shared_ptr<TMultiThreadedApartment> Mta;
ULONG MtaThreads = 0;

std::shared_ptr<TMultiThreadedApartment> ExistingMta() {
  std::lock_guard lock(MtaLock);
  return Mta;
}

std::shared_ptr<TSingleThreadedApartment> CurrentSta() {
  if (!CurrentThread.InitCount || CurrentThread.Apartment->Type() == APTTYPE_MTA) return nullptr;
  return std::static_pointer_cast<TSingleThreadedApartment>(CurrentThread.Apartment);
}

void TThreadApartment::Leave() {
  InitCount = 0;
  TApartmentPtr leaving = std::move(Apartment);
  if (leaving->Type() != APTTYPE_MTA) {
    std::static_pointer_cast<TSingleThreadedApartment>(leaving)->Shutdown();
    return;
  }
  std::lock_guard lock(MtaLock);
  if (--MtaThreads == 0) {
    Mta->Shutdown();
    Mta.reset();
  }
}

void TCallCompletion::Finish(HRESULT result) {
  {
    std::lock_guard lock(FLock);
    FResult = result;
    FFinished = true;
  }
  FDone.notify_all();
  if (FWaiter) FWaiter->Wake();
}

HRESULT TCallCompletion::Wait() {
  if (FWaiter) {
    while (!Finished()) FWaiter->Pump(INFINITE);
  } else {
    std::unique_lock lock(FLock);
    FDone.wait(lock, [this] { return FFinished; });
  }
  std::lock_guard lock(FLock);
  return FResult;
}

HRESULT TSingleThreadedApartment::Call(const std::function<HRESULT()>& call) {
  if (IsCurrent()) return RunGuarded(call);
  auto completion = std::make_shared<TCallCompletion>(CurrentSta());
  TApartmentTask task{[completion, call] { completion->Finish(RunGuarded(call)); },
                      [completion] { completion->Finish(RPC_E_DISCONNECTED); }};
  if (!Enqueue(std::move(task))) return RPC_E_DISCONNECTED;
  return completion->Wait();
}

HRESULT TSingleThreadedApartment::Post(std::function<void()> call) {
  auto guarded = [call = std::move(call)] {
    RunGuarded([&call] {
      call();
      return S_OK;
    });
  };
  return Enqueue({std::move(guarded), nullptr}) ? S_OK : RPC_E_DISCONNECTED;
}

bool TSingleThreadedApartment::Enqueue(TApartmentTask task) {
  {
    std::lock_guard lock(FLock);
    if (!FAlive) return false;
    FTasks.push_back(std::move(task));
  }
  FChanged.notify_all();
  if (FType == APTTYPE_MAINSTA) Queue([self = shared_from_this()] { self->RunQueued(); });
  return true;
}

bool TSingleThreadedApartment::RunQueued() {
  bool ran = false;
  for (;;) {
    TApartmentTask task;
    {
      std::lock_guard lock(FLock);
      if (!FAlive || FTasks.empty()) return ran;
      task = std::move(FTasks.front());
      FTasks.pop_front();
    }
    task.Run();
    ran = true;
  }
}

bool TSingleThreadedApartment::Pump(DWORD timeoutMs) {
  if (FType == APTTYPE_MAINSTA) {
    const int timeout = timeoutMs == INFINITE ? -1 : int(std::min<DWORD>(timeoutMs, INT_MAX));
    return CheckSynchronize(timeout);
  }
  {
    std::unique_lock lock(FLock);
    auto ready = [this] { return !FTasks.empty() || FWakeRequested || !FAlive; };
    if (timeoutMs == INFINITE)
      FChanged.wait(lock, ready);
    else
      FChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
    FWakeRequested = false;
  }
  return RunQueued();
}

void TSingleThreadedApartment::Wake() {
  if (FType == APTTYPE_MAINSTA) {
    Queue([] {});
    return;
  }
  {
    std::lock_guard lock(FLock);
    FWakeRequested = true;
  }
  FChanged.notify_all();
}

void TSingleThreadedApartment::Shutdown() {
  std::deque<TApartmentTask> abandoned;
  {
    std::lock_guard lock(FLock);
    FAlive = false;
    abandoned.swap(FTasks);
  }
  FChanged.notify_all();
  for (TApartmentTask& task : abandoned)
    if (task.Abandon) task.Abandon();
}

bool IsApartmentType(const TApartmentPtr& apartment, bool singleThreaded) {
  return (apartment->Type() != APTTYPE_MTA) == singleThreaded;
}

}  // namespace

TApartmentPtr CurrentApartment() {
  if (CurrentThread.InitCount) return CurrentThread.Apartment;
  return ExistingMta();
}

bool PumpApartment(DWORD timeoutMs) {
  const auto sta = CurrentSta();
  return sta && sta->Pump(timeoutMs);
}

HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) {
  constexpr DWORD KnownFlags = COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE | COINIT_SPEED_OVER_MEMORY;
  if (pvReserved || (dwCoInit & ~KnownFlags)) return E_INVALIDARG;
  const bool singleThreaded = dwCoInit & COINIT_APARTMENTTHREADED;
  TThreadApartment& thread = CurrentThread;
  if (thread.InitCount) {
    if (!IsApartmentType(thread.Apartment, singleThreaded)) return RPC_E_CHANGED_MODE;
    ++thread.InitCount;
    return S_FALSE;
  }
  if (singleThreaded) {
    const APTTYPE type = IsMainThread() ? APTTYPE_MAINSTA : APTTYPE_STA;
    thread.Apartment = std::make_shared<TSingleThreadedApartment>(type, std::this_thread::get_id());
  } else {
    std::lock_guard lock(MtaLock);
    if (!Mta) Mta = std::make_shared<TMultiThreadedApartment>();
    ++MtaThreads;
    thread.Apartment = Mta;
  }
  thread.InitCount = 1;
  return S_OK;
}

HRESULT CoInitialize(LPVOID pvReserved) { return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED); }

void CoUninitialize() {
  TThreadApartment& thread = CurrentThread;
  if (thread.InitCount > 1)
    --thread.InitCount;
  else if (thread.InitCount == 1)
    thread.Leave();
}

HRESULT CoGetApartmentType(APTTYPE* pAptType, APTTYPEQUALIFIER* pAptQualifier) {
  if (!pAptType || !pAptQualifier) return E_INVALIDARG;
  *pAptType = APTTYPE_CURRENT;
  *pAptQualifier = APTTYPEQUALIFIER_NONE;
  if (CurrentThread.InitCount) {
    *pAptType = CurrentThread.Apartment->Type();
    return S_OK;
  }
  if (!ExistingMta()) return CO_E_NOTINITIALIZED;
  *pAptType = APTTYPE_MTA;
  *pAptQualifier = APTTYPEQUALIFIER_IMPLICIT_MTA;
  return S_OK;
}
