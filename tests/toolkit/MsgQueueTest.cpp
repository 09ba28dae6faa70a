// The message-queue component: posting order across threads, the delivery thread, the timer,
// handler errors, and destruction with messages queued or a delivery under way.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "ClientTestSupport.h"

namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

class TCountedPayload : public TObject {
public:
  explicit TCountedPayload(std::atomic<int>& Freed) : FFreed(Freed) {}
  ~TCountedPayload() override { ++FFreed; }

private:
  std::atomic<int>& FFreed;
};

// Records the messages it is handed; OnMsg runs inside the delivery.
class TRecorder : public TdHandleComponent {
public:
  explicit TRecorder(TComponent* AOwner = nullptr) : TdHandleComponent(AOwner) {}
  ~TRecorder() override { StopWorker(); }

  void HandleMsg(TObject* Msg) override {
    auto* msg = static_cast<TZelkMsg*>(Msg);
    {
      std::lock_guard lock(Lock);
      Msgs.push_back({msg->MsgId, msg->IParam, IsMainThread(), TClock::now()});
    }
    ++Handled;
    delete std::exchange(msg->OParam, nullptr);
    if (OnMsg) OnMsg(msg);
  }
  std::vector<TClock::time_point> Ticks() {
    std::lock_guard lock(Lock);
    std::vector<TClock::time_point> ticks;
    for (const auto& msg : Msgs)
      if (msg.Id == ZelkMsgTimer) ticks.push_back(msg.At);
    return ticks;
  }
  using TdHandleComponent::KillTimer;
  using TdHandleComponent::SetTimer;

  struct TRecord {
    int32_t Id;
    int64_t IParam;
    bool OnMainThread;
    TClock::time_point At;
  };
  std::mutex Lock;
  std::vector<TRecord> Msgs;
  std::atomic<int> Handled{0};
  std::function<void(TZelkMsg*)> OnMsg;
};

TEST(MsgQueue, OrderDeliveryThreadAndHandlerErrors) {
  TRecorder component;
  component.PostMsg(7, -1, nullptr);  // before the worker's first wait
  constexpr int kPerThread = 2000;
  std::vector<std::thread> posters;
  for (int t = 0; t < 4; ++t)
    posters.emplace_back([&component, t] {
      for (int i = 0; i < kPerThread; ++i) component.PostMsg(t, i, nullptr);
    });
  for (std::thread& poster : posters) poster.join();
  ASSERT_TRUE(PumpUntil([&] { return component.Handled == 1 + 4 * kPerThread; }));
  EXPECT_EQ(component.Msgs[0].IParam, -1);
  std::vector<int64_t> next(4, 0);
  for (size_t i = 1; i < component.Msgs.size(); ++i) {
    const auto& msg = component.Msgs[i];
    ASSERT_EQ(msg.IParam, next[static_cast<size_t>(msg.Id)]++) << "poster " << msg.Id << " out of order";
    ASSERT_TRUE(msg.OnMainThread);
  }

  // A handler's error loses its message only, not the ones queued behind it; a post from
  // inside a delivery is handled in the same drain.
  component.Msgs.clear();
  component.OnMsg = [&component](TZelkMsg* msg) {
    if (msg->MsgId == 1) throw EOPCException("handler failed");
    if (msg->MsgId == 2) component.PostMsg(4, 0, nullptr);
  };
  component.PostMsg(1, 0, nullptr);
  component.PostMsg(2, 0, nullptr);  // both queued: nobody pumps yet
  ASSERT_TRUE(PumpUntil([&] { return component.Handled == 4 + 4 * kPerThread; }, 2000));
  EXPECT_EQ(component.Msgs[2].Id, 4);

  component.UseSynchronize(false);
  PumpUntil([] { return false; }, 50);  // a drain already waiting for the main thread runs there
  component.PostMsg(5, 0, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return component.Handled == 5 + 4 * kPerThread; }, 2000));
  EXPECT_FALSE(component.Msgs.back().OnMainThread);
}

TEST(MsgQueue, TimerPeriodAndKillTimer) {
  TRecorder component;
  PumpUntil([] { return false; }, 100);
  EXPECT_EQ(component.Handled, 0);  // no timer, no posts: nothing

  // Posts every 30 ms wake the worker but do not restart the 100 ms period.
  component.SetTimer(100);
  for (int i = 0; i < 12; ++i) {
    component.PostMsg(1, i, nullptr);
    PumpUntil([] { return false; }, 30);
  }
  std::vector<TClock::time_point> ticks = component.Ticks();
  ASSERT_GE(ticks.size(), 2u) << "posts kept pushing the timer back";
  EXPECT_LE(ticks.size(), 5u);
  for (size_t i = 1; i < ticks.size(); ++i) EXPECT_GE(ticks[i] - ticks[i - 1], 90ms);

  component.KillTimer();
  const size_t atKill = component.Ticks().size();
  PumpUntil([] { return false; }, 350);
  EXPECT_LE(component.Ticks().size(), atKill + 1);
}

TEST(MsgQueue, DestructionDiscardsQueuedMessagesAndFreesTheirPayloads) {
  std::atomic<int> freed{0};
  {
    // The main thread does not pump: the worker waits in Synchronize, which the destructor's
    // wait for the worker then releases without handling anything.
    TRecorder component;
    for (int i = 0; i < 50; ++i) component.PostMsg(1, i, new TCountedPayload(freed));
    std::this_thread::sleep_for(50ms);
  }
  EXPECT_EQ(freed, 50);

  // Delivering on the worker, inside HandleMsg: the destructor waits for the delivery.
  std::atomic<bool> inside{false};
  std::atomic<bool> finished{false};
  auto* component = new TRecorder;
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
  EXPECT_EQ(freed, 51);
}

// On the main thread the worker waits for the very delivery that runs the destructor; on the
// worker the destructor runs on the thread it would wait for.
TEST(MsgQueue, AHandlerMayFreeItsOwnComponent) {
  for (bool useSync : {true, false}) {
    std::atomic<int> freed{0};
    std::atomic<bool> deleted{false};
    auto* component = new TRecorder;
    component->UseSynchronize(useSync);
    component->OnMsg = [&](TZelkMsg* msg) {
      if (msg->MsgId != 1) return;
      std::atomic<bool>* flag = &deleted;  // this closure goes with the component
      delete component;
      *flag = true;
    };
    component->PostMsg(1, 0, nullptr);
    component->PostMsg(2, 0, new TCountedPayload(freed));
    ASSERT_TRUE(PumpUntil([&] { return deleted.load(); })) << "useSync " << useSync;
    EXPECT_EQ(freed, 1);
  }
  TRecorder next;
  next.PostMsg(5, 0, nullptr);
  EXPECT_TRUE(PumpUntil([&] { return next.Handled == 1; }));
}

}  // namespace
