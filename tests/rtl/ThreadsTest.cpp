#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Threads.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Ends the test program when a test hangs, instead of letting it stall the whole run.
class TWatchdog {
public:
  explicit TWatchdog(std::chrono::seconds limit) : FThread([this, limit] {
      if (FDone.WaitFor(static_cast<uint32_t>(std::chrono::milliseconds(limit).count())) == wrTimeout) {
        std::fputs("watchdog: test hung\n", stderr);
        std::abort();
      }
    }) {}
  ~TWatchdog() {
    FDone.SetEvent();
    FThread.join();
  }

private:
  TEvent FDone{true, false};
  std::thread FThread;
};

TEST(CriticalSection, IsRecursiveAndExcludesOtherThreads) {
  TCriticalSection section;
  section.Enter();
  EXPECT_TRUE(section.TryEnter());  // the owner enters again
  auto tryFromOtherThread = [&] {
    bool entered = false;
    std::thread([&] {
      entered = section.TryEnter();
      if (entered)
        section.Leave();
    }).join();
    return entered;
  };
  section.Leave();
  EXPECT_FALSE(tryFromOtherThread());  // still held once
  section.Leave();
  EXPECT_TRUE(tryFromOtherThread());
  {
    TScopedLock lock(section);
    EXPECT_FALSE(tryFromOtherThread());
  }
  EXPECT_TRUE(tryFromOtherThread());
}

TEST(Event, AutomaticResetReleasesOneWaiterPerSignal) {
  TEvent event(false, true);
  EXPECT_EQ(event.WaitFor(0), wrSignaled);
  EXPECT_EQ(event.WaitFor(0), wrTimeout);  // the first wait consumed the signal
  event.SetEvent();
  event.SetEvent();  // signals do not add up
  EXPECT_EQ(event.WaitFor(0), wrSignaled);
  EXPECT_EQ(event.WaitFor(0), wrTimeout);

  TWatchdog watchdog(5s);
  std::atomic<int> released{0};
  TEvent oneDone(false, false);
  std::vector<std::thread> waiters;
  for (int i = 0; i < 2; ++i)
    waiters.emplace_back([&] {
      event.WaitFor();
      ++released;
      oneDone.SetEvent();
    });
  event.SetEvent();
  EXPECT_EQ(oneDone.WaitFor(2000), wrSignaled);
  EXPECT_EQ(oneDone.WaitFor(50), wrTimeout);
  EXPECT_EQ(released, 1);
  event.SetEvent();
  EXPECT_EQ(oneDone.WaitFor(2000), wrSignaled);
  for (std::thread& waiter : waiters)
    waiter.join();
  EXPECT_EQ(released, 2);
}

TEST(Event, ManualResetStaysSignalledAndReleasesEveryWaiter) {
  TEvent event(true, false);
  EXPECT_EQ(event.WaitFor(0), wrTimeout);
  event.SetEvent();
  EXPECT_EQ(event.WaitFor(0), wrSignaled);
  EXPECT_EQ(event.WaitFor(INFINITE), wrSignaled);
  event.ResetEvent();
  EXPECT_EQ(event.WaitFor(0), wrTimeout);

  TWatchdog watchdog(5s);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i)
    waiters.emplace_back([&] {
      event.WaitFor();
      ++released;
    });
  event.SetEvent();
  for (std::thread& waiter : waiters)
    waiter.join();
  EXPECT_EQ(released, 3);
}

TEST(Event, TimedWaitLastsItsTimeoutOrEndsAtTheSignal) {
  TEvent event(false, false);
  auto start = Clock::now();
  EXPECT_EQ(event.WaitFor(30), wrTimeout);
  EXPECT_GE(Clock::now() - start, 30ms);

  std::thread setter([&] { event.SetEvent(); });
  start = Clock::now();
  EXPECT_EQ(event.WaitFor(10000), wrSignaled);
  EXPECT_LT(Clock::now() - start, 5s);
  setter.join();
}

// Works until terminated; Terminate wakes it through TerminatedSet.
class TWorker : public TThread {
public:
  TWorker() { ThreadExistedDuringConstruction = ThreadID() != std::thread::id(); }
  ~TWorker() override { FinishedBeforeDestruction = Finished(); }

  bool ThreadExistedDuringConstruction;
  static inline bool FinishedBeforeDestruction = false;
  std::thread::id SeenThreadId;
  std::vector<std::string> Log{"built"};
  TEvent Working{true, false};

protected:
  void Execute() override {
    SeenThreadId = std::this_thread::get_id();
    Log.push_back("running");
    Working.SetEvent();
    while (!Terminated())
      FWake.WaitFor();
    // A destructor that ran first would have freed Log; the sanitizer would catch this.
    for (int i = 0; i < 100; ++i)
      Log.push_back("ending");
    SetReturnValue(static_cast<uint32_t>(Log.size()));
  }
  void TerminatedSet() override { FWake.SetEvent(); }

private:
  TEvent FWake{true, false};
};

TEST(Thread, RunsOnTheCompleteObjectAndReturnsItsExitCode) {
  TWatchdog watchdog(5s);
  TThreadPtr<TWorker> worker = StartThread<TWorker>();
  EXPECT_FALSE(worker->ThreadExistedDuringConstruction);
  EXPECT_EQ(worker->Working.WaitFor(2000), wrSignaled);
  EXPECT_FALSE(worker->Finished());
  EXPECT_FALSE(worker->Terminated());
  EXPECT_EQ(worker->Log.front(), "built");

  worker->Terminate();
  EXPECT_TRUE(worker->Terminated());
  EXPECT_EQ(worker->WaitFor(), 102u);
  EXPECT_TRUE(worker->Finished());
  EXPECT_EQ(worker->WaitFor(), 102u);  // waiting again answers at once
  EXPECT_EQ(worker->SeenThreadId, worker->ThreadID());
  EXPECT_NE(worker->ThreadID(), std::this_thread::get_id());
  EXPECT_EQ(worker->FatalException(), nullptr);
  EXPECT_THROW(worker->Start(), EThread);
}

TEST(Thread, DestroyingARunningThreadTerminatesAndWaitsFirst) {
  TWatchdog watchdog(5s);
  TWorker::FinishedBeforeDestruction = false;
  TThreadPtr<TWorker> worker = StartThread<TWorker>();
  EXPECT_EQ(worker->Working.WaitFor(2000), wrSignaled);
  worker.reset();
  EXPECT_TRUE(TWorker::FinishedBeforeDestruction);

  // Terminated before its body got going: Execute is skipped, the thread still ends.
  auto idle = std::make_unique<TWorker>();
  idle->Terminate();
  idle->Start();
  EXPECT_EQ(idle->WaitFor(), 0u);
  EXPECT_EQ(idle->Log.size(), 1u);
}

class TFailing : public TThread {
protected:
  void Execute() override {
    SetReturnValue(3);
    throw EConvertError("bad value");
  }
};

TEST(Thread, ExceptionEscapingExecuteIsKeptNotFatal) {
  TWatchdog watchdog(5s);
  TThreadPtr<TFailing> thread = StartThread<TFailing>();
  EXPECT_EQ(thread->WaitFor(), 3u);
  ASSERT_NE(thread->FatalException(), nullptr);
  try {
    std::rethrow_exception(thread->FatalException());
  } catch (const EConvertError& error) {
    EXPECT_EQ(error.Message(), "bad value");
  }
}

class TSynchronizing : public TThread {
public:
  std::thread::id SynchronizedOn;
  std::thread::id SecondSynchronizedOn;

protected:
  void Execute() override {
    Synchronize([this] { SynchronizedOn = std::this_thread::get_id(); });
    Synchronize([this] { SecondSynchronizedOn = std::this_thread::get_id(); });
  }
};

TEST(Thread, WaitForOnTheMainThreadServesSynchronizeAndOnTerminate) {
  TWatchdog watchdog(5s);
  auto thread = std::make_unique<TSynchronizing>();
  std::thread::id terminateRanOn;
  TObject* terminateSender = nullptr;
  thread->OnTerminate = [&](TObject* sender) {
    terminateRanOn = std::this_thread::get_id();
    terminateSender = sender;
  };
  thread->Start();
  thread->WaitFor();  // the thread is blocked in Synchronize until this pumps
  EXPECT_EQ(thread->SynchronizedOn, MainThreadId());
  EXPECT_EQ(thread->SecondSynchronizedOn, MainThreadId());
  EXPECT_EQ(terminateRanOn, MainThreadId());
  EXPECT_EQ(terminateSender, thread.get());

  // Destruction without an explicit WaitFor pumps the same way.
  TThreadPtr<TSynchronizing> other = StartThread<TSynchronizing>();
  other.reset();
}

class TSelfFreeing : public TThread {
public:
  explicit TSelfFreeing(TEvent* freed) : FFreed(freed) { SetFreeOnTerminate(true); }
  ~TSelfFreeing() override { FFreed->SetEvent(); }

  static inline bool OwnWaitRejected = false;

protected:
  void Execute() override {
    bool rejected = false;
    try {
      WaitFor();
    } catch (const EThread&) {
      rejected = true;
    }
    Synchronize([rejected] { OwnWaitRejected = rejected; });
  }

private:
  TEvent* FFreed;
};

TEST(Thread, FreeOnTerminateThreadDeletesItself) {
  TWatchdog watchdog(5s);
  TEvent freed(true, false);
  auto* thread = new TSelfFreeing(&freed);
  EXPECT_THROW(thread->WaitFor(), EThread);  // not started yet
  thread->Start();
  auto deadline = Clock::now() + 3s;
  while (freed.WaitFor(0) == wrTimeout && Clock::now() < deadline)
    CheckSynchronize(10);
  EXPECT_EQ(freed.WaitFor(0), wrSignaled);
  EXPECT_TRUE(TSelfFreeing::OwnWaitRejected);
}

}  // namespace
