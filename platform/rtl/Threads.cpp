#include "platform/rtl/Threads.h"

#include <chrono>
#include <system_error>

#include "platform/rtl/Exceptions.h"

void TEvent::SetEvent() {
  // Notifies under the lock: a released waiter may destroy the event as soon as it returns.
  std::lock_guard lock(FMutex);
  FSignaled = true;
  if (FManualReset)
    FChanged.notify_all();
  else
    FChanged.notify_one();
}

void TEvent::ResetEvent() {
  std::lock_guard lock(FMutex);
  FSignaled = false;
}

TWaitResult TEvent::WaitFor(uint32_t timeoutMs) {
  std::unique_lock lock(FMutex);
  auto signaled = [this] { return FSignaled; };
  if (timeoutMs == INFINITE)
    FChanged.wait(lock, signaled);
  else if (!FChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), signaled))
    return wrTimeout;
  if (!FManualReset)
    FSignaled = false;
  return wrSignaled;
}

TThread::~TThread() {
  if (!FThread.joinable())
    return;
  if (FThread.get_id() == std::this_thread::get_id()) {
    // A thread that frees itself: its body returns right after this.
    FThread.detach();
    return;
  }
  Terminate();
  WaitUntilFinished();
  FThread.join();
}

void TThread::Start() {
  std::lock_guard lock(FStateLock);
  if (FStarted)
    throw EThread("Cannot call Start on a running or finished thread");
  try {
    FThread = std::thread(&TThread::Run, this);
  } catch (const std::system_error& error) {
    throw EThread(std::string("Thread creation error: ") + error.what());
  }
  FThreadID = FThread.get_id();
  FStarted = true;
}

void TThread::Terminate() {
  FTerminated.store(true, std::memory_order_release);
  TerminatedSet();
}

bool TThread::Finished() const {
  std::lock_guard lock(FStateLock);
  return FFinished;
}

std::exception_ptr TThread::FatalException() const {
  std::lock_guard lock(FStateLock);
  return FFatalException;
}

uint32_t TThread::WaitFor() {
  {
    std::lock_guard lock(FStateLock);
    if (!FStarted)
      throw EThread("Cannot wait for a thread that was not started");
    if (FFreeOnTerminate)
      throw EThread("Cannot wait for a thread that frees itself");
  }
  if (FThreadID == std::this_thread::get_id())
    throw EThread("A thread cannot wait for itself");
  WaitUntilFinished();
  return FReturnValue;
}

void TThread::WaitUntilFinished() {
  std::unique_lock lock(FStateLock);
  if (!FStarted || FThreadID == std::this_thread::get_id())
    return;
  if (!IsMainThread()) {
    FFinishedChanged.wait(lock, [this] { return FFinished; });
    return;
  }
  // Run finishes by posting to the main-thread queue when it sees this flag, which ends the
  // pump's wait; the flag and FFinished change under one lock, so that wake-up is never missed.
  FMainThreadWaits = true;
  while (!FFinished) {
    lock.unlock();
    CheckSynchronize(-1);
    lock.lock();
  }
}

void TThread::Run() {
  { std::lock_guard gate(FStateLock); }  // Start has stored FThread and FThreadID
  std::exception_ptr fatal;
  try {
    if (!Terminated())
      Execute();
  } catch (...) {
    fatal = std::current_exception();
  }
  if (OnTerminate) {
    try {
      Synchronize([this] { OnTerminate(this); });
    } catch (...) {
      if (!fatal)
        fatal = std::current_exception();
    }
  }
  bool wakeMainThread;
  bool freeSelf;
  {
    std::lock_guard lock(FStateLock);
    FFatalException = fatal;
    FFinished = true;
    wakeMainThread = FMainThreadWaits;
    freeSelf = FFreeOnTerminate;
  }
  FFinishedChanged.notify_all();
  if (wakeMainThread)
    Queue([] {});
  if (freeSelf)
    delete this;
}

void TThreadDeleter::operator()(TThread* thread) const {
  thread->Terminate();
  thread->WaitUntilFinished();
  delete thread;
}
