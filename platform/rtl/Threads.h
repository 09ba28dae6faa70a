#pragma once
// Critical sections, events and TThread.
//
// Starting and ending a TThread. A thread object runs Execute only after Start, and Start is
// called by StartThread once the most derived constructor has finished, so Execute never meets
// a half-built object. Ending mirrors it: a TThreadPtr (what StartThread returns) terminates
// the thread and waits for it before any destructor runs, so Execute never meets a
// half-destroyed one either. Plain delete is safe once WaitFor has returned; ~TThread still
// terminates and waits as a last resort, but by then the derived part is gone.
//
// A thread that frees itself (SetFreeOnTerminate(true) before Start) is created with new and
// started with Start; nobody holds or deletes it afterwards.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/rtl/MainThreadQueue.h"
#include "platform/rtl/Object.h"

#define INFINITE 0xFFFFFFFF

// Recursive, as on Windows: the owning thread may enter again and leaves as often as it entered.
class TCriticalSection {
public:
  void Enter() { FMutex.lock(); }
  void Leave() { FMutex.unlock(); }
  bool TryEnter() { return FMutex.try_lock(); }

private:
  std::recursive_mutex FMutex;
};

class TScopedLock {
public:
  explicit TScopedLock(TCriticalSection& section) : FSection(section) { FSection.Enter(); }
  ~TScopedLock() { FSection.Leave(); }
  TScopedLock(const TScopedLock&) = delete;
  TScopedLock& operator=(const TScopedLock&) = delete;

private:
  TCriticalSection& FSection;
};

enum TWaitResult { wrSignaled, wrTimeout };

// A manual-reset event stays signalled and releases every waiter until ResetEvent; an
// automatic-reset event releases one waiter and falls back to non-signalled.
class TEvent {
public:
  TEvent(bool manualReset, bool initialState) : FManualReset(manualReset), FSignaled(initialState) {}

  void SetEvent();
  void ResetEvent();
  // Timeout in milliseconds; INFINITE waits without limit, 0 only tests the state.
  TWaitResult WaitFor(uint32_t timeoutMs = INFINITE);

private:
  const bool FManualReset;
  bool FSignaled;
  std::mutex FMutex;
  std::condition_variable FChanged;
};

class TThread : public TObject {
public:
  TThread() = default;
  ~TThread() override;
  std::string ClassName() const override { return "TThread"; }

  // Creates the system thread, which runs Execute. Raises EThread when called a second time
  // or when the system refuses a thread.
  void Start();

  // Asks Execute to end; Execute polls Terminated.
  void Terminate();
  bool Terminated() const { return FTerminated.load(std::memory_order_acquire); }

  // Waits until Execute and OnTerminate have run and returns ReturnValue. On the main thread
  // it keeps running the main-thread queue meanwhile, so a thread that synchronizes while it
  // is being waited for still ends. Raises EThread for a thread that was never started, that
  // frees itself, or when called from the thread itself.
  uint32_t WaitFor();
  bool Finished() const;

  bool FreeOnTerminate() const { return FFreeOnTerminate; }
  // Only before Start: a running thread may be gone by the time the flag lands.
  void SetFreeOnTerminate(bool value) { FFreeOnTerminate = value; }

  // The system thread's id; a default id before Start.
  std::thread::id ThreadID() const { return FThreadID; }

  // What escaped Execute (or OnTerminate), or null. The thread ends normally either way.
  std::exception_ptr FatalException() const;

  // Runs on the main thread after Execute, before the thread counts as finished.
  TNotifyEvent OnTerminate;

protected:
  virtual void Execute() = 0;
  // Called by Terminate, on the terminating thread: the place to wake a thread that waits for
  // something other than the terminated flag.
  virtual void TerminatedSet() {}

  uint32_t ReturnValue() const { return FReturnValue; }
  void SetReturnValue(uint32_t value) { FReturnValue = value; }

  // Runs proc on the main thread and waits for it (see MainThreadQueue.h).
  void Synchronize(TThreadProcedure proc) { ::Synchronize(std::move(proc)); }

private:
  friend struct TThreadDeleter;
  void Run();
  void WaitUntilFinished();

  std::thread FThread;
  std::thread::id FThreadID;
  std::atomic<bool> FTerminated{false};
  bool FFreeOnTerminate = false;
  uint32_t FReturnValue = 0;
  std::exception_ptr FFatalException;

  mutable std::mutex FStateLock;  // guards the fields below and publishes the ones above
  std::condition_variable FFinishedChanged;
  bool FStarted = false;
  bool FFinished = false;
  bool FMainThreadWaits = false;
};

// Terminates the thread and waits for it before the object is destroyed. Never hold a thread
// that frees itself in a TThreadPtr.
struct TThreadDeleter {
  void operator()(TThread* thread) const;
};

template <class T>
using TThreadPtr = std::unique_ptr<T, TThreadDeleter>;

// Constructs a T (a TThread) and starts it once it is complete.
template <class T, class... Args>
TThreadPtr<T> StartThread(Args&&... args) {
  TThreadPtr<T> thread(new T(std::forward<Args>(args)...));
  thread->Start();
  return thread;
}
