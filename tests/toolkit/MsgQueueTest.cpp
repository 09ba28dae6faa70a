// The message-queue component: posting order across threads, delivery thread, the timer,
// swallowed handler errors, and destruction with messages queued or a delivery under way.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "ClientTestSupport.h"

namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

// A payload that counts its own destruction.
class TCountedPayload : public TObject {
public:
  explicit TCountedPayload(std::atomic<int>& Freed) : FFreed(Freed) {}
  ~TCountedPayload() override { ++FFreed; }

private:
  std::atomic<int>& FFreed;
};

// Records every message it is handed; OnMsg, when set, runs inside the delivery.
class TRecordingComponent : public TdHandleComponent {
public:
  explicit TRecordingComponent(TComponent* AOwner = nullptr) : TdHandleComponent(AOwner) {}
  ~TRecordingComponent() override { StopWorker(); }

  void HandleMsg(TObject* Msg) override {
    auto* msg = static_cast<TZelkMsg*>(Msg);
    {
      std::lock_guard lock(FLock);
      Ids.push_back(msg->MsgId);
      Params.push_back(msg->IParam);
      Times.push_back(TClock::now());
      OnMainThread.push_back(IsMainThread());
    }
    ++Handled;
    delete std::exchange(msg->OParam, nullptr);
    if (OnMsg) OnMsg(msg);
  }

  int Count(int32_t id) {
    std::lock_guard lock(FLock);
    return static_cast<int>(std::count(Ids.begin(), Ids.end(), id));
  }
  std::vector<TClock::time_point> TimesOf(int32_t id) {
    std::lock_guard lock(FLock);
    std::vector<TClock::time_point> result;
    for (size_t i = 0; i < Ids.size(); ++i)
      if (Ids[i] == id) result.push_back(Times[i]);
    return result;
  }

  using TdHandleComponent::KillTimer;
  using TdHandleComponent::SetTimer;

  std::function<void(TZelkMsg*)> OnMsg;
  std::atomic<int> Handled{0};
  std::mutex FLock;
  std::vector<int32_t> Ids;
  std::vector<int64_t> Params;
  std::vector<TClock::time_point> Times;
  std::vector<bool> OnMainThread;
};

TEST(MsgQueue, MessagesFromSeveralThreadsKeepTheirOrderAndArriveOnTheMainThread) {
  TRecordingComponent component;
  // Posted before the worker's first wait: its first pass picks them up.
  for (int i = 0; i < 3; ++i) component.PostMsg(7, -1 - i, nullptr);

  constexpr int kThreads = 4;
  constexpr int kPerThread = 2000;
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t)
    posters.emplace_back([&component, t] {
      for (int i = 0; i < kPerThread; ++i) component.PostMsg(100 + t, i, nullptr);
    });
  for (std::thread& poster : posters) poster.join();
  ASSERT_TRUE(PumpUntil([&] { return component.Handled == 3 + kThreads * kPerThread; }));

  EXPECT_EQ(component.Params[0], -1);
  EXPECT_EQ(component.Params[1], -2);
  EXPECT_EQ(component.Params[2], -3);
  std::vector<int64_t> next(kThreads, 0);
  for (size_t i = 3; i < component.Ids.size(); ++i) {
    const int poster = component.Ids[i] - 100;
    ASSERT_EQ(component.Params[i], next[static_cast<size_t>(poster)]) << "poster " << poster << " out of order";
    ++next[static_cast<size_t>(poster)];
  }
  EXPECT_TRUE(std::all_of(component.OnMainThread.begin(), component.OnMainThread.end(), [](bool b) { return b; }));
}

TEST(MsgQueue, WorkerDeliveryAndPostsFromInsideAHandler) {
  TRecordingComponent component;
  // Without timer and posts nothing is delivered.
  PumpFor(150);
  EXPECT_EQ(component.Handled, 0);

  component.UseSynchronize(false);
  EXPECT_FALSE(component.UsesSynchronize());
  // A post from inside a delivery ends the next wait at once: no timer runs to end it.
  component.OnMsg = [&component](TZelkMsg* msg) {
    if (msg->MsgId == 1) component.PostMsg(2, 0, nullptr);
  };
  component.PostMsg(1, 0, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return component.Handled == 2; }, 2000));
  EXPECT_EQ(component.Ids, (std::vector<int32_t>{1, 2}));
  EXPECT_FALSE(component.OnMainThread[0]);
  EXPECT_FALSE(component.OnMainThread[1]);
}

TEST(MsgQueue, HandlerExceptionsAreSwallowedAndTheWorkerGoesOn) {
  TRecordingComponent component;
  component.OnMsg = [](TZelkMsg* msg) {
    if (msg->MsgId == 1) throw EOPCException("handler failed");
    if (msg->MsgId == 2) throw 42;  // not even an exception class
  };
  component.PostMsg(1, 0, nullptr);
  component.PostMsg(2, 0, nullptr);
  component.PostMsg(3, 0, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return component.Handled == 3; }));
  EXPECT_EQ(component.Ids, (std::vector<int32_t>{1, 2, 3}));
}

TEST(MsgQueue, TimerPeriodPostsDoNotRestartItAndOneMessageAtMostAfterKillTimer) {
  TRecordingComponent component;
  component.SetTimer(100);
  // Posts every 30 ms wake the worker; the period still counts from its start.
  for (int i = 0; i < 12; ++i) {
    component.PostMsg(1, i, nullptr);
    PumpFor(30);
  }
  const std::vector<TClock::time_point> ticks = component.TimesOf(ZelkMsgTimer);
  ASSERT_GE(ticks.size(), 2u) << "posts kept pushing the timer back";
  EXPECT_LE(ticks.size(), 5u);
  for (size_t i = 1; i < ticks.size(); ++i) EXPECT_GE(ticks[i] - ticks[i - 1], 90ms);

  // The handler's running time stretches the period: the next wait starts after delivery.
  component.OnMsg = [](TZelkMsg* msg) {
    if (msg->MsgId == ZelkMsgTimer) std::this_thread::sleep_for(60ms);
  };
  const size_t before = component.TimesOf(ZelkMsgTimer).size();
  ASSERT_TRUE(PumpUntil([&] { return component.TimesOf(ZelkMsgTimer).size() >= before + 3; }));
  const std::vector<TClock::time_point> stretched = component.TimesOf(ZelkMsgTimer);
  for (size_t i = before + 1; i < stretched.size(); ++i) EXPECT_GE(stretched[i] - stretched[i - 1], 150ms);

  component.OnMsg = nullptr;
  component.KillTimer();
  const int atKill = component.Count(ZelkMsgTimer);
  PumpFor(350);
  EXPECT_LE(component.Count(ZelkMsgTimer), atKill + 1);
}

TEST(MsgQueue, DestructionDiscardsQueuedMessagesAndFreesTheirPayloads) {
  std::atomic<int> freed{0};
  {
    // Delivery waits for the main thread, which does not pump: everything stays queued or
    // waits in the one Synchronize the worker made, which the destructor's wait releases.
    TRecordingComponent component;
    for (int i = 0; i < 50; ++i) component.PostMsg(1, i, new TCountedPayload(freed));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(component.Handled, 0);
  }
  EXPECT_EQ(freed, 50);

  // The same when the owner goes, and for a message posted after the worker stopped.
  {
    TComponent owner(nullptr);
    auto* component = new TRecordingComponent(&owner);
    component->PostMsg(1, 0, new TCountedPayload(freed));
  }
  EXPECT_EQ(freed, 51);
}

// The worker delivers on its own thread and is inside HandleMsg when the main thread destroys
// the component: the destructor waits for that delivery, which still sees a whole object.
TEST(MsgQueue, DestroyingWhileTheWorkerDeliversWaitsForTheDelivery) {
  std::atomic<bool> inside{false};
  std::atomic<bool> finished{false};
  std::atomic<int> freed{0};
  auto* component = new TRecordingComponent;
  component->UseSynchronize(false);
  component->OnMsg = [&](TZelkMsg*) {
    inside = true;
    std::this_thread::sleep_for(100ms);
    finished = true;
  };
  component->PostMsg(1, 0, nullptr);
  component->PostMsg(2, 0, new TCountedPayload(freed));
  ASSERT_TRUE(PumpUntil([&] { return inside.load(); }));
  delete component;
  EXPECT_TRUE(finished);
  EXPECT_EQ(freed, 1);  // the second message was discarded, its payload freed
}

// A handler that frees its own component, on the main thread (where the worker waits for the
// very delivery that runs the destructor) and on the worker itself.
TEST(MsgQueue, AHandlerMayFreeItsOwnComponent) {
  for (bool useSync : {true, false}) {
    SCOPED_TRACE(useSync ? "main-thread delivery" : "worker delivery");
    std::atomic<int> freed{0};
    std::atomic<bool> deleted{false};
    auto* component = new TRecordingComponent;
    component->UseSynchronize(useSync);
    component->OnMsg = [&](TZelkMsg* msg) {
      if (msg->MsgId != 1) return;
      // This closure goes with the component: keep what it needs afterwards on the stack.
      std::atomic<bool>* flag = &deleted;
      delete component;
      *flag = true;
    };
    component->PostMsg(1, 0, nullptr);
    component->PostMsg(2, 0, new TCountedPayload(freed));
    ASSERT_TRUE(PumpUntil([&] { return deleted.load(); }));
    EXPECT_EQ(freed, 1);
  }
  // The orphaned workers ended; new components still get their messages.
  TRecordingComponent next;
  next.PostMsg(5, 0, nullptr);
  EXPECT_TRUE(PumpUntil([&] { return next.Handled == 1; }));
}

}  // namespace
