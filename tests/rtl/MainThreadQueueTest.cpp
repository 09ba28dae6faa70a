#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/MainThreadQueue.h"
#include "platform/rtl/MessageSeam.h"
#include "platform/rtl/Threads.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Pumps until done() holds or a few seconds passed.
template <class TDone>
bool PumpUntil(TDone done) {
  auto deadline = Clock::now() + 5s;
  while (!done() && Clock::now() < deadline)
    CheckSynchronize(10);
  return done();
}

void PumpEverything() {
  while (CheckSynchronize(0)) {
  }
}

TEST(MainThreadQueue, TheTestsRunOnTheMainThread) {
  EXPECT_TRUE(IsMainThread());
  EXPECT_EQ(MainThreadId(), std::this_thread::get_id());
  bool workerIsMain = true;
  std::thread([&] { workerIsMain = IsMainThread(); }).join();
  EXPECT_FALSE(workerIsMain);
}

TEST(MainThreadQueue, QueueKeepsEachThreadsOrderAndDeliversEverything) {
  PumpEverything();
  constexpr int threadCount = 4;
  constexpr int postsPerThread = 2000;
  std::vector<std::vector<int>> received(threadCount);  // touched by the main thread only
  std::vector<std::thread> posters;
  for (int t = 0; t < threadCount; ++t)
    posters.emplace_back([t, &received] {
      for (int i = 0; i < postsPerThread; ++i)
        Queue([t, i, &received] { received[t].push_back(i); });
    });
  auto total = [&] {
    size_t n = 0;
    for (auto& list : received)
      n += list.size();
    return n;
  };
  EXPECT_TRUE(PumpUntil([&] { return total() == threadCount * postsPerThread; }));
  for (std::thread& poster : posters)
    poster.join();
  PumpEverything();
  for (int t = 0; t < threadCount; ++t) {
    ASSERT_EQ(received[t].size(), size_t{postsPerThread}) << "thread " << t;
    for (int i = 0; i < postsPerThread; ++i)
      ASSERT_EQ(received[t][i], i) << "thread " << t;
  }
}

TEST(MainThreadQueue, QueueOnTheMainThreadWaitsForThePump) {
  PumpEverything();
  std::vector<std::string> order;
  Queue([&] { order.push_back("queued"); });
  Synchronize([&] { order.push_back("synchronized"); });  // the main thread runs it at once
  EXPECT_EQ(order, std::vector<std::string>{"synchronized"});
  EXPECT_TRUE(CheckSynchronize(0));
  EXPECT_EQ(order, (std::vector<std::string>{"synchronized", "queued"}));
  EXPECT_FALSE(CheckSynchronize(0));
}

TEST(MainThreadQueue, NestedPumpKeepsPostingOrder) {
  PumpEverything();
  std::vector<std::string> order;
  Queue([&] {
    order.push_back("A");
    Queue([&] { order.push_back("C"); });
    CheckSynchronize(0);  // a modal loop inside a queued routine
    order.push_back("A done");
  });
  Queue([&] { order.push_back("B"); });
  EXPECT_TRUE(CheckSynchronize(0));
  PumpEverything();
  EXPECT_EQ(order, (std::vector<std::string>{"A", "B", "C", "A done"}));
}

TEST(MainThreadQueue, SynchronizeRunsOnTheMainThreadAndRaisesInTheCaller) {
  PumpEverything();
  std::thread::id ranOn;
  std::string caught;
  bool finished = false;
  std::thread worker([&] {
    Synchronize([&] { ranOn = std::this_thread::get_id(); });
    try {
      Synchronize([] { throw EConvertError("'x' is not a valid integer value"); });
    } catch (const EConvertError& error) {
      caught = error.Message();
    }
    Synchronize([&] { finished = true; });
  });
  EXPECT_TRUE(PumpUntil([&] { return finished; }));
  worker.join();
  EXPECT_EQ(ranOn, MainThreadId());
  EXPECT_EQ(caught, "'x' is not a valid integer value");
}

TEST(MainThreadQueue, CheckSynchronizeWaitsUpToItsTimeout) {
  PumpEverything();
  auto start = Clock::now();
  EXPECT_FALSE(CheckSynchronize(0));
  EXPECT_FALSE(CheckSynchronize(30));
  EXPECT_GE(Clock::now() - start, 30ms);

  // A post ends the wait at once.
  TEvent waiting(true, false);
  bool ran = false;
  std::thread poster([&] {
    waiting.WaitFor();
    Queue([&] { ran = true; });
  });
  waiting.SetEvent();
  start = Clock::now();
  EXPECT_TRUE(CheckSynchronize(10000));
  EXPECT_LT(Clock::now() - start, 5s);
  EXPECT_TRUE(ran);
  poster.join();

  bool raised = false;
  std::thread([&] {
    try {
      CheckSynchronize(0);
    } catch (const EThread&) {
      raised = true;
    }
  }).join();
  EXPECT_TRUE(raised);
}

TEST(MainThreadQueue, WakeHookRunsOutsideTheLockForEveryPost) {
  PumpEverything();
  std::atomic<int> wakes{0};
  SetWakeMainThread([&] { ++wakes; });
  Queue([] {});
  std::thread([] { Queue([] {}); }).join();
  EXPECT_EQ(wakes, 2);
  // A hook that posts or changes the hook itself would deadlock if it ran under the lock.
  SetWakeMainThread([&] {
    ++wakes;
    SetWakeMainThread(nullptr);
    Queue([] {});
  });
  Queue([] {});
  EXPECT_EQ(wakes, 3);
  SetWakeMainThread(nullptr);
  PumpEverything();
}

TEST(MainThreadQueue, ExceptionsOfQueuedRoutinesGoToTheApplicationHandler) {
  PumpEverything();
  std::vector<std::string> shown;
  TScopedApplicationExceptionHandler handler([&](const std::exception& error) { shown.push_back(error.what()); });
  bool nextRan = false;
  Queue([] { throw EListError("List index out of bounds (5)"); });
  Queue([&] { nextRan = true; });
  EXPECT_TRUE(CheckSynchronize(0));
  EXPECT_EQ(shown, std::vector<std::string>{"List index out of bounds (5)"});
  EXPECT_TRUE(nextRan);
}

struct TShownBox {
  std::string Text;
  std::string Caption;
  unsigned Flags;
};

TEST(MessageSeam, DefaultBoxWritesToStderrAndAnswersTheDefaultButton) {
  EXPECT_EQ(MessageBoxDefaultButton(MB_OK), IDOK);
  EXPECT_EQ(MessageBoxDefaultButton(MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(MessageBoxDefaultButton(MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(MessageBoxDefaultButton(MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
  EXPECT_EQ(MessageBoxDefaultButton(MB_ABORTRETRYIGNORE | MB_DEFBUTTON2), IDRETRY);
  EXPECT_EQ(MessageBoxDefaultButton(MB_CANCELTRYCONTINUE | MB_DEFBUTTON3), IDCONTINUE);
  EXPECT_EQ(MessageBoxDefaultButton(MB_OKCANCEL | MB_DEFBUTTON3), IDOK);  // no third button
  EXPECT_EQ(MessageBoxDefaultButton(0x7), 0);

  testing::internal::CaptureStderr();
  int answer = ApplicationMessageBox("Delete the item?", "Confirm", MB_YESNO | MB_DEFBUTTON2);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Confirm: Delete the item?\n");
  EXPECT_EQ(answer, IDNO);
}

TEST(MessageSeam, HandlersAreReplacedAndRestored) {
  std::string savedTitle = ApplicationTitle();
  EXPECT_FALSE(savedTitle.empty());
  SetApplicationTitle("Zelk Test");
  std::vector<TShownBox> shown;
  {
    TScopedMessageBoxHandler outer([&](const std::string& text, const std::string& caption, unsigned flags) {
      shown.push_back({text, caption, flags});
      return IDCANCEL;
    });
    ShowMessage("Done");
    EXPECT_EQ(ApplicationMessageBox("Retry?", "Error", MB_RETRYCANCEL), IDCANCEL);
    HandleApplicationException(EThread("Thread creation error"));
    {
      TScopedMessageBoxHandler inner([](const std::string&, const std::string&, unsigned) { return IDYES; });
      EXPECT_EQ(ApplicationMessageBox("Inner", "", MB_YESNO), IDYES);
    }
    EXPECT_EQ(ApplicationMessageBox("Outer again", "", MB_OK), IDCANCEL);
  }
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[0].Text, "Done");
  EXPECT_EQ(shown[0].Caption, "Zelk Test");
  EXPECT_EQ(shown[0].Flags, unsigned{MB_OK});
  EXPECT_EQ(shown[1].Caption, "Error");
  EXPECT_EQ(shown[2].Text, "Thread creation error");
  EXPECT_EQ(shown[2].Caption, "Zelk Test");
  EXPECT_EQ(shown[2].Flags, unsigned{MB_OK | MB_ICONERROR});
  EXPECT_EQ(shown[3].Text, "Outer again");

  // Back to the built-in box, which answers without blocking.
  testing::internal::CaptureStderr();
  EXPECT_EQ(ApplicationMessageBox("Really?", "Zelk Test", MB_YESNO | MB_DEFBUTTON2), IDNO);
  testing::internal::GetCapturedStderr();

  // The setters hand back what they replace; an empty handler is the built-in one.
  auto recorder = [](const std::exception&) {};
  EXPECT_FALSE(SetApplicationExceptionHandler(recorder));
  EXPECT_TRUE(SetApplicationExceptionHandler(nullptr));
  SetApplicationTitle(savedTitle);
}

}  // namespace
