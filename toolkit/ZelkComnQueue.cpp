// The message-queue component and its worker thread.

#include <algorithm>
#include <chrono>

#include "toolkit/ZelkComn.h"

namespace {

// Workers of components destroyed from inside their own delivery: they end on their own once
// that delivery returns and are joined here later. Never destroyed: at exit nobody pumps the
// main-thread queue any more, so joining then could wait for ever.
struct TOrphanedWorkers {
  std::mutex Lock;
  std::vector<TThreadPtr<TZelkMsgThread>> Threads;
};

TOrphanedWorkers& OrphanedWorkers() {
  static auto* workers = new TOrphanedWorkers;
  return *workers;
}

void JoinFinishedOrphans() {
  std::vector<TThreadPtr<TZelkMsgThread>> finished;
  {
    TOrphanedWorkers& orphans = OrphanedWorkers();
    std::lock_guard lock(orphans.Lock);
    for (auto it = orphans.Threads.begin(); it != orphans.Threads.end();) {
      if ((*it)->Finished()) {
        finished.push_back(std::move(*it));
        it = orphans.Threads.erase(it);
      } else {
        ++it;
      }
    }
  }
  // Joined outside the lock: each has finished, so this does not wait.
}

void Adopt(TThreadPtr<TZelkMsgThread> worker) {
  TOrphanedWorkers& orphans = OrphanedWorkers();
  std::lock_guard lock(orphans.Lock);
  orphans.Threads.push_back(std::move(worker));
}

void DisposeOfPayload(std::unique_ptr<TZelkMsg>& msg) {
  delete msg->OParam;
  msg->OParam = nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TZelkMsgThread

TZelkMsgThread::TZelkMsgThread(TdHandleComponent* Owner) : fOwner(Owner), fStart(NowMs()) {}

int64_t TZelkMsgThread::NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void TZelkMsgThread::SetTimer(int32_t Msec) {
  fInitInterval = Msec;
  fInterval = Msec;
  fStart = NowMs();
  SetEvent();
}

void TZelkMsgThread::KillTimer() {
  fInitInterval = NoTimer;
  fInterval = NoTimer;
  fStart = NowMs();
}

void TZelkMsgThread::CallOwner(TRoutine Routine) {
  if (Terminated()) return;
  // Checked again where it runs: the owner may have begun to go while the call waited for
  // the main thread.
  auto run = [this, Routine] {
    TdHandleComponent* owner = fOwner.load();
    if (owner && !Terminated()) (owner->*Routine)();
  };
  try {
    if (UseSync())
      Synchronize(run);
    else
      run();
  } catch (...) {
    // A handler's failure loses its message, not the worker.
  }
}

void TZelkMsgThread::Execute() {
  const bool comInitialized = SUCCEEDED(ZelkCoInitialize());
  struct TComScope {
    bool Initialized;
    ~TComScope() {
      if (Initialized) ZelkCoUninitialize();
    }
  } comScope{comInitialized};

  fStart = NowMs();
  fInterval = fInitInterval.load();
  while (!Terminated()) {
    // Reset before draining: a post during the drain then ends the next wait at once.
    fBreakEvent.ResetEvent();
    CallOwner(&TdHandleComponent::DrainQueue);
    if (Terminated()) break;
    const int32_t wait = std::max<int32_t>(fInterval, 0);
    const bool signalled = fBreakEvent.WaitFor(static_cast<uint32_t>(wait)) == wrSignaled;
    const int32_t period = fInitInterval;
    if (signalled && period < NoTimer) {
      // A wake-up by a post does not restart the period.
      const int64_t remaining = int64_t{period} - (NowMs() - fStart);
      fInterval = static_cast<int32_t>(std::clamp<int64_t>(remaining, 0, NoTimer));
    }
    if (!signalled || fInterval <= 0) {
      fStart = NowMs();
      fInterval = fInitInterval.load();
      CallOwner(&TdHandleComponent::DeliverTimerMsg);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// TdHandleComponent

thread_local TdHandleComponent::TDestroyGuard* TdHandleComponent::fInnermostGuard = nullptr;

TdHandleComponent::TDestroyGuard::TDestroyGuard(TdHandleComponent* Component)
    : FComponent(Component), FOuter(fInnermostGuard) {
  fInnermostGuard = this;
}

TdHandleComponent::TDestroyGuard::~TDestroyGuard() { fInnermostGuard = FOuter; }

TdHandleComponent::TdHandleComponent(TComponent* AOwner) : TZelkComponent(AOwner) {
  JoinFinishedOrphans();
  fWorkThread = StartThread<TZelkMsgThread>(this);
}

TdHandleComponent::~TdHandleComponent() {
  StopWorker();
  std::deque<std::unique_ptr<TZelkMsg>> rest;
  {
    std::lock_guard lock(fLock);
    fQueueClosed = true;
    rest.swap(fMsgQueue);
  }
  // Posted after the worker stopped (by a deactivation in a destructor, say): never handled.
  for (auto& msg : rest) DisposeOfPayload(msg);
}

void TdHandleComponent::PostMsg(int32_t MessageId, int64_t IParam, TObject* OParam) {
  std::unique_ptr<TObject> payload(OParam);
  auto msg = std::make_unique<TZelkMsg>(MessageId, IParam, nullptr);
  TZelkMsgThread* wake = nullptr;
  {
    std::lock_guard lock(fLock);
    if (fQueueClosed) return;
    // A queue that is not empty has a wake-up on its way already, or is being drained: the
    // drain runs until the queue is empty.
    if (fMsgQueue.empty()) wake = fWorkThread.get();
    msg->OParam = payload.get();
    fMsgQueue.push_back(std::move(msg));
    payload.release();  // the queue's now
  }
  if (wake) wake->SetEvent();
}

void TdHandleComponent::HandleTimer() {}

void TdHandleComponent::UseSynchronize(bool Value) {
  if (fWorkThread) fWorkThread->SetUseSync(Value);
}

bool TdHandleComponent::UsesSynchronize() const { return fWorkThread ? fWorkThread->UseSync() : true; }

void TdHandleComponent::SetTimer(int32_t Msec) {
  if (fWorkThread) fWorkThread->SetTimer(Msec);
}

void TdHandleComponent::KillTimer() {
  if (fWorkThread) fWorkThread->KillTimer();
}

std::unique_ptr<TZelkMsg> TdHandleComponent::PopMsg() {
  std::lock_guard lock(fLock);
  if (fMsgQueue.empty()) return nullptr;
  std::unique_ptr<TZelkMsg> msg = std::move(fMsgQueue.front());
  fMsgQueue.pop_front();
  return msg;
}

void TdHandleComponent::DrainQueue() {
  TDestroyGuard guard(this);
  while (std::unique_ptr<TZelkMsg> msg = PopMsg()) {
    if (fStopped) {
      DisposeOfPayload(msg);
      continue;
    }
    try {
      HandleMsg(msg.get());
    } catch (...) {
      // Only this message is lost: leaving the drain here would strand the messages behind
      // it until something else wakes the worker.
    }
    if (guard.Destroyed()) return;
  }
}

void TdHandleComponent::DeliverTimerMsg() {
  TZelkMsg msg(ZelkMsgTimer, 0, nullptr);
  HandleMsg(&msg);
}

bool TdHandleComponent::MarkGuardsDestroyed() {
  bool found = false;
  for (TDestroyGuard* guard = fInnermostGuard; guard; guard = guard->FOuter) {
    if (guard->FComponent == this) {
      guard->FDestroyed = true;
      found = true;
    }
  }
  return found;
}

void TdHandleComponent::StopWorker() {
  const bool insideOwnDelivery = MarkGuardsDestroyed();
  if (fStopped.exchange(true)) return;
  fWorkThread->Terminate();
  DrainQueue();
  if (insideOwnDelivery) {
    // The worker waits for the delivery that is running this very code (or is this thread):
    // waiting for it would never end. It ends by itself once the delivery returns.
    fWorkThread->fOwner = nullptr;
    TThreadPtr<TZelkMsgThread> worker;
    {
      std::lock_guard lock(fLock);
      worker = std::move(fWorkThread);
    }
    Adopt(std::move(worker));
  } else {
    fWorkThread->WaitFor();
  }
}
