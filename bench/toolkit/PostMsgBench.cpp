// PostMsg from four threads into one component, handled on the main thread, against a bare
// mutex-guarded deque fed and drained the same way; and the latency of one message from
// PostMsg to HandleMsg on the main thread against a bare two-way condition-variable hand-off.
// Google Benchmark runs each body on the thread that called main, which is the main thread.

#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <semaphore>
#include <thread>
#include <vector>

#include "platform/rtl/MainThreadQueue.h"
#include "toolkit/ZelkComn.h"

namespace {

constexpr int kPosters = 4;
constexpr int kBatch = 25000;  // posts per poster and iteration

// Runs batch(index) on a thread of its own each time it is released.
class TPoster {
public:
  TPoster(int index, std::function<void(int)> batch)
      : FThread([this, index, batch = std::move(batch)] {
          for (;;) {
            FGo.acquire();
            if (FStop) return;
            batch(index);
            FDone.release();
          }
        }) {}
  ~TPoster() {
    FStop = true;
    FGo.release();
    FThread.join();
  }
  void Release() { FGo.release(); }
  void WaitDone() { FDone.acquire(); }

private:
  std::counting_semaphore<> FGo{0};
  std::counting_semaphore<> FDone{0};
  std::atomic<bool> FStop{false};
  std::thread FThread;
};

// Counts messages and checks that each poster's arrive in its order.
class TCountingComponent : public TdHandleComponent {
public:
  TCountingComponent() : TdHandleComponent(nullptr) {}
  ~TCountingComponent() override { StopWorker(); }
  void HandleMsg(TObject* Msg) override {
    const auto* msg = static_cast<const TZelkMsg*>(Msg);
    int64_t& expected = FNext[static_cast<size_t>(msg->MsgId)];
    if (msg->IParam != expected) ++OutOfOrder;
    expected = msg->IParam + 1;
    ++Handled;
  }
  int64_t Handled = 0;
  int64_t OutOfOrder = 0;

private:
  std::array<int64_t, kPosters> FNext{};
};

bool OnMainThread(benchmark::State& state) {
  if (IsMainThread()) return true;
  state.SkipWithError("the benchmark body is not the main thread");
  return false;
}

void BM_PostMsgFromFourThreads(benchmark::State& state) {
  if (!OnMainThread(state)) return;
  TCountingComponent component;
  std::vector<std::unique_ptr<TPoster>> posters;
  std::atomic<int64_t> round{0};
  for (int i = 0; i < kPosters; ++i)
    posters.push_back(std::make_unique<TPoster>(i, [&component, &round](int index) {
      const int64_t first = round.load() * kBatch;
      for (int64_t n = first; n < first + kBatch; ++n) component.PostMsg(index, n, nullptr);
    }));
  for (auto _ : state) {
    const int64_t target = component.Handled + int64_t{kPosters} * kBatch;
    for (auto& poster : posters) poster->Release();
    while (component.Handled < target) CheckSynchronize(-1);
    for (auto& poster : posters) poster->WaitDone();
    ++round;
  }
  if (component.OutOfOrder) state.SkipWithError("messages of one poster arrived out of order");
  state.SetItemsProcessed(state.iterations() * kPosters * kBatch);
}
BENCHMARK(BM_PostMsgFromFourThreads)->UseRealTime()->Unit(benchmark::kMillisecond);

// Baseline: the same traffic through a plain mutex and deque of heap messages, popped one at a
// time on the main thread, which waits on a condition variable when the deque is empty.
void BM_BareMutexDeque(benchmark::State& state) {
  std::mutex lock;
  std::condition_variable posted;
  std::deque<std::unique_ptr<TZelkMsg>> queue;
  std::vector<std::unique_ptr<TPoster>> posters;
  std::atomic<int64_t> round{0};
  for (int i = 0; i < kPosters; ++i)
    posters.push_back(std::make_unique<TPoster>(i, [&](int index) {
      const int64_t first = round.load() * kBatch;
      for (int64_t n = first; n < first + kBatch; ++n) {
        auto msg = std::make_unique<TZelkMsg>(index, n, nullptr);
        bool wasEmpty;
        {
          std::lock_guard guard(lock);
          wasEmpty = queue.empty();
          queue.push_back(std::move(msg));
        }
        if (wasEmpty) posted.notify_one();
      }
    }));
  std::array<int64_t, kPosters> next{};
  int64_t handled = 0;
  int64_t outOfOrder = 0;
  for (auto _ : state) {
    const int64_t target = handled + int64_t{kPosters} * kBatch;
    for (auto& poster : posters) poster->Release();
    while (handled < target) {
      std::unique_ptr<TZelkMsg> msg;
      {
        std::unique_lock guard(lock);
        posted.wait(guard, [&] { return !queue.empty(); });
        msg = std::move(queue.front());
        queue.pop_front();
      }
      int64_t& expected = next[static_cast<size_t>(msg->MsgId)];
      if (msg->IParam != expected) ++outOfOrder;
      expected = msg->IParam + 1;
      ++handled;
    }
    for (auto& poster : posters) poster->WaitDone();
    ++round;
  }
  if (outOfOrder) state.SkipWithError("messages of one poster arrived out of order");
  state.SetItemsProcessed(state.iterations() * kPosters * kBatch);
}
BENCHMARK(BM_BareMutexDeque)->UseRealTime()->Unit(benchmark::kMillisecond);

// One iteration: a message posted on the main thread wakes the worker, which hands it back to
// HandleMsg on the main thread.
void BM_PostToHandleMsgLatency(benchmark::State& state) {
  if (!OnMainThread(state)) return;
  TCountingComponent component;
  int64_t n = 0;
  for (auto _ : state) {
    component.PostMsg(0, n++, nullptr);
    while (component.Handled < n) CheckSynchronize(-1);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PostToHandleMsgLatency)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Baseline: the same two hand-overs (main thread to a worker and back) with one mutex and two
// condition variables, nothing else.
void BM_BareCondvarRoundTrip(benchmark::State& state) {
  std::mutex lock;
  std::condition_variable toWorker;
  std::condition_variable toMain;
  bool request = false;
  bool reply = false;
  bool stop = false;
  std::thread worker([&] {
    std::unique_lock guard(lock);
    for (;;) {
      toWorker.wait(guard, [&] { return request || stop; });
      if (stop) return;
      request = false;
      reply = true;
      toMain.notify_one();
    }
  });
  for (auto _ : state) {
    std::unique_lock guard(lock);
    request = true;
    toWorker.notify_one();
    toMain.wait(guard, [&] { return reply; });
    reply = false;
  }
  {
    std::lock_guard guard(lock);
    stop = true;
  }
  toWorker.notify_one();
  worker.join();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BareCondvarRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
