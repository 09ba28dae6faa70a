// The main-thread queue against the bare primitives it is built from. Google Benchmark runs a
// single-threaded benchmark on the thread that called main, so each body below is the main
// thread and pumps while a worker of its own posts.

#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <semaphore>
#include <thread>

#include "platform/rtl/MainThreadQueue.h"

namespace {

// One iteration: a worker's Synchronize reaches the main thread, runs, and releases the worker.
void BM_SynchronizeRoundTrip(benchmark::State& state) {
  if (!IsMainThread()) {
    state.SkipWithError("the benchmark body is not the main thread");
    return;
  }
  std::atomic<bool> stop{false};
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    while (!stop.load(std::memory_order_relaxed))
      Synchronize([] {});
    finished = true;
  });
  for (auto _ : state)
    CheckSynchronize(-1);  // the worker posts one call at a time, so each pump runs one
  stop = true;
  while (!finished)
    CheckSynchronize(1);
  worker.join();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SynchronizeRoundTrip)->UseRealTime();

// Baseline: the same hand-over with one mutex and two condition variables, nothing else.
void BM_BareMutexCondvarPingPong(benchmark::State& state) {
  std::mutex lock;
  std::condition_variable posted;
  std::condition_variable done;
  bool pending = false;
  bool stop = false;
  std::thread worker([&] {
    std::unique_lock guard(lock);
    while (!stop) {
      pending = true;
      posted.notify_one();
      done.wait(guard, [&] { return !pending || stop; });
    }
  });
  for (auto _ : state) {
    std::unique_lock guard(lock);
    posted.wait(guard, [&] { return pending; });
    pending = false;
    done.notify_one();
  }
  {
    std::lock_guard guard(lock);
    stop = true;
  }
  done.notify_one();
  worker.join();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BareMutexCondvarPingPong)->UseRealTime();

constexpr int kBatch = 1000;

// Runs postBatch on a thread of its own each time it is released.
class TPoster {
public:
  explicit TPoster(std::function<void()> postBatch)
      : FThread([this, postBatch = std::move(postBatch)] {
          for (;;) {
            FGo.acquire();
            if (FStop)
              return;
            postBatch();
          }
        }) {}
  ~TPoster() {
    FStop = true;
    FGo.release();
    FThread.join();
  }
  void PostBatch() { FGo.release(); }

private:
  std::counting_semaphore<> FGo{0};
  std::atomic<bool> FStop{false};
  std::thread FThread;
};

// One iteration: a worker posts a batch while the main thread runs it.
void BM_QueueThroughput(benchmark::State& state) {
  if (!IsMainThread()) {
    state.SkipWithError("the benchmark body is not the main thread");
    return;
  }
  int ran = 0;
  TPoster poster([&ran] {
    for (int i = 0; i < kBatch; ++i)
      Queue([&ran] { ++ran; });
  });
  for (auto _ : state) {
    int target = ran + kBatch;
    poster.PostBatch();
    while (ran < target)
      CheckSynchronize(-1);
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_QueueThroughput)->UseRealTime();

// Baseline: the same traffic through a locked std::deque of std::function, drained by swapping.
void BM_BareLockedDeque(benchmark::State& state) {
  std::mutex lock;
  std::condition_variable posted;
  std::deque<std::function<void()>> pending;
  std::deque<std::function<void()>> running;
  int ran = 0;
  TPoster poster([&] {
    for (int i = 0; i < kBatch; ++i) {
      {
        std::lock_guard guard(lock);
        pending.push_back([&ran] { ++ran; });
      }
      posted.notify_one();
    }
  });
  for (auto _ : state) {
    int target = ran + kBatch;
    poster.PostBatch();
    while (ran < target) {
      {
        std::unique_lock guard(lock);
        posted.wait(guard, [&] { return !pending.empty(); });
        running.swap(pending);
      }
      for (auto& proc : running)
        proc();
      running.clear();
    }
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_BareLockedDeque)->UseRealTime();

}  // namespace
