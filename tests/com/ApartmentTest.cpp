#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/PlatformExtensions.h"
#include "platform/rtl/MainThreadQueue.h"

namespace {

// A worker thread in a single-threaded apartment of its own that runs the calls made into
// it until it is told to leave.
class TStaThread {
public:
  TStaThread() {
    std::promise<TApartmentPtr> entered;
    auto apartment = entered.get_future();
    FThread = std::thread([this, &entered] {
      CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
      entered.set_value(CurrentApartment());
      while (!FLeave) PumpApartment(10);
      CoUninitialize();
    });
    FApartment = apartment.get();
  }
  ~TStaThread() { Leave(); }
  void Leave() {
    FLeave = true;
    if (FThread.joinable()) FThread.join();
  }
  const TApartmentPtr& Apartment() const { return FApartment; }
  std::thread::id Id() const { return FThread.get_id(); }

private:
  std::atomic<bool> FLeave{false};
  std::thread FThread;
  TApartmentPtr FApartment;
};

template <class Function>
void OnWorker(Function function) {
  std::thread(function).join();
}

// Pumps the main thread until done() holds (or a generous time has passed).
template <class Predicate>
bool PumpMainUntil(Predicate done) {
  for (int i = 0; i < 1000 && !done(); ++i) CheckSynchronize(10);
  return done();
}

}  // namespace

TEST(Apartments, InitialisationResultsPerThread) {
  OnWorker([] {
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    EXPECT_EQ(CoGetApartmentType(&type, &qualifier), CO_E_NOTINITIALIZED);
    EXPECT_EQ(type, APTTYPE_CURRENT);
    EXPECT_EQ(CurrentApartment(), nullptr);

    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_DISABLE_OLE1DDE), S_FALSE);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), RPC_E_CHANGED_MODE);
    EXPECT_EQ(CoInitialize(nullptr), RPC_E_CHANGED_MODE);
    EXPECT_EQ(CoGetApartmentType(&type, &qualifier), S_OK);
    EXPECT_EQ(type, APTTYPE_MTA);
    EXPECT_EQ(qualifier, APTTYPEQUALIFIER_NONE);

    // Two successful calls, two CoUninitialize; the refused ones do not count.
    CoUninitialize();
    EXPECT_EQ(CoGetApartmentType(&type, &qualifier), S_OK);
    CoUninitialize();
    EXPECT_EQ(CoGetApartmentType(&type, &qualifier), CO_E_NOTINITIALIZED);
    // One too many is harmless.
    CoUninitialize();

    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoGetApartmentType(&type, &qualifier), S_OK);
    EXPECT_EQ(type, APTTYPE_STA);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    CoUninitialize();

    int reserved;
    EXPECT_EQ(CoInitializeEx(&reserved, COINIT_MULTITHREADED), E_INVALIDARG);
    EXPECT_EQ(CoInitializeEx(nullptr, 0x100), E_INVALIDARG);
    EXPECT_EQ(CoGetApartmentType(&type, &qualifier), CO_E_NOTINITIALIZED);
  });

  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  EXPECT_EQ(CoGetApartmentType(&type, &qualifier), S_OK);
  EXPECT_EQ(type, APTTYPE_MAINSTA);
  EXPECT_EQ(CoGetApartmentType(nullptr, &qualifier), E_INVALIDARG);
}

TEST(Apartments, ThreadsWithoutApartmentJoinTheMultithreadedOneWhileItExists) {
  std::promise<void> entered, done;
  std::promise<TApartmentPtr> mta;
  std::thread member([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    mta.set_value(CurrentApartment());
    entered.set_value();
    done.get_future().wait();
    CoUninitialize();
  });
  entered.get_future().wait();
  TApartmentPtr apartment = mta.get_future().get();
  OnWorker([&] {
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    EXPECT_EQ(CoGetApartmentType(&type, &qualifier), S_OK);
    EXPECT_EQ(type, APTTYPE_MTA);
    EXPECT_EQ(qualifier, APTTYPEQUALIFIER_IMPLICIT_MTA);
    EXPECT_EQ(CurrentApartment(), apartment);
    EXPECT_TRUE(apartment->IsCurrent());
  });
  done.set_value();
  member.join();
  // The last member left: the apartment is gone and takes no calls.
  EXPECT_FALSE(apartment->IsAlive());
  EXPECT_EQ(apartment->Call([] { return S_OK; }), RPC_E_DISCONNECTED);
  EXPECT_EQ(apartment->Post([] {}), RPC_E_DISCONNECTED);
}

TEST(Apartments, CallsIntoAnotherSingleThreadedApartmentRunOnItsThread) {
  TStaThread worker;
  ASSERT_TRUE(worker.Apartment());
  EXPECT_EQ(worker.Apartment()->Type(), APTTYPE_STA);
  EXPECT_FALSE(worker.Apartment()->IsCurrent());

  std::thread::id ranOn;
  EXPECT_EQ(worker.Apartment()->Call([&] {
    ranOn = std::this_thread::get_id();
    return S_FALSE;
  }),
            S_FALSE);
  EXPECT_EQ(ranOn, worker.Id());

  // Posted calls keep their order; a raised exception neither escapes nor stops the others.
  std::vector<int> order;
  std::atomic<int> posted{0};
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(worker.Apartment()->Post([&, i] {
      order.push_back(i);
      ++posted;
      if (i == 1) throw std::runtime_error("callee failure");
    }),
              S_OK);
  EXPECT_EQ(worker.Apartment()->Call([] { return S_OK; }), S_OK);
  EXPECT_EQ(posted, 3);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));

  EXPECT_EQ(worker.Apartment()->Call([]() -> HRESULT { throw std::runtime_error("callee failure"); }),
            RPC_E_SERVERFAULT);

  worker.Leave();
  bool ran = false;
  EXPECT_EQ(worker.Apartment()->Call([&] {
    ran = true;
    return S_OK;
  }),
            RPC_E_DISCONNECTED);
  EXPECT_FALSE(ran);
}

TEST(Apartments, PendingCallsFailWhenTheirApartmentIsLeft) {
  // The worker enters an apartment and leaves it without ever pumping.
  std::promise<TApartmentPtr> entered;
  std::promise<void> leave;
  std::thread idle([&] {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    entered.set_value(CurrentApartment());
    leave.get_future().wait();
    CoUninitialize();
  });
  TApartmentPtr apartment = entered.get_future().get();

  std::atomic<bool> ran{false};
  auto result = std::async(std::launch::async, [&] {
    return apartment->Call([&] {
      ran = true;
      return S_OK;
    });
  });
  // The caller now waits for a thread that never pumps.
  EXPECT_EQ(result.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  leave.set_value();
  EXPECT_EQ(result.get(), RPC_E_DISCONNECTED);
  EXPECT_FALSE(ran);
  idle.join();
}

TEST(Apartments, AThreadThatEndsInsideItsApartmentLeavesIt) {
  TApartmentPtr apartment;
  OnWorker([&] {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    apartment = CurrentApartment();
  });
  ASSERT_TRUE(apartment);
  EXPECT_FALSE(apartment->IsAlive());
  EXPECT_EQ(apartment->Call([] { return S_OK; }), RPC_E_DISCONNECTED);
}

TEST(Apartments, CallsIntoTheMainApartmentArriveWhileTheMainThreadPumps) {
  TApartmentPtr main = CurrentApartment();
  ASSERT_TRUE(main);
  EXPECT_EQ(main->Type(), APTTYPE_MAINSTA);
  EXPECT_TRUE(main->IsCurrent());

  // On its own thread the call runs at once.
  EXPECT_EQ(main->Call([] { return S_FALSE; }), S_FALSE);

  std::thread::id ranOn;
  std::atomic<bool> finished{false};
  HRESULT result = E_FAIL;
  std::thread caller([&] {
    result = main->Call([&] {
      ranOn = std::this_thread::get_id();
      return S_OK;
    });
    finished = true;
  });
  EXPECT_TRUE(PumpMainUntil([&] { return finished.load(); }));
  caller.join();
  EXPECT_EQ(result, S_OK);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(Apartments, TwoSingleThreadedApartmentsCallingEachOtherDoNotDeadlock) {
  TApartmentPtr main = CurrentApartment();
  TStaThread worker;
  std::atomic<bool> finished{false};
  HRESULT outer = E_FAIL, inner = E_FAIL;
  std::thread::id innerRanOn;
  // main -> worker (waits) -> main (the waiting main thread runs it) -> back.
  std::thread caller([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    outer = worker.Apartment()->Call([&] {
      inner = main->Call([&] {
        innerRanOn = std::this_thread::get_id();
        return worker.Apartment()->Call([] { return S_OK; });
      });
      return S_OK;
    });
    CoUninitialize();
    finished = true;
  });
  EXPECT_TRUE(PumpMainUntil([&] { return finished.load(); }));
  caller.join();
  EXPECT_EQ(outer, S_OK);
  EXPECT_EQ(inner, S_OK);
  EXPECT_EQ(innerRanOn, std::this_thread::get_id());
}

TEST(Apartments, PumpApartmentOutsideASingleThreadedApartmentDoesNothing) {
  OnWorker([] {
    EXPECT_FALSE(PumpApartment(0));
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_FALSE(PumpApartment(0));
    CoUninitialize();
  });
}
