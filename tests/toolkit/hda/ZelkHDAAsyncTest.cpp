// Asynchronous reads, advise, cancel and the event dispatch against the scriptable server,
// which delivers when the test says so: in time, twice, after a cancel, and late (after the
// list was destroyed, after a disconnect, after the component was destroyed).

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "HDATestSupport.h"

namespace {

struct TEventLog {
  std::vector<std::string> Events;
  std::vector<std::thread::id> Threads;
  void Add(const std::string& event) {
    Events.push_back(event);
    Threads.push_back(std::this_thread::get_id());
  }
};

class HdaAsync : public FakeHDATest {
protected:
  void SetUp() override {
    FakeHDATest::SetUp();
    Server.OnReadComplete = [this](HRESULT status, TZelkHDAItems* items, uint32_t userData, TZelkHDAEventType type) {
      Log.Add(Format("read %d %08x %p %u", type, static_cast<unsigned>(status), static_cast<void*>(items), userData));
      return S_OK;
    };
    Server.OnDataChange = [this](HRESULT, TZelkHDAItems* items, uint32_t userData) {
      Log.Add(Format("change %p %u", static_cast<void*>(items), userData));
      return S_OK;
    };
    Server.OnCancelComplete = [this](TZelkHDAItems* items, uint32_t userData) {
      Log.Add(Format("cancel %p %u", static_cast<void*>(items), userData));
      return S_OK;
    };
    Server.OnReadAttributeComplete = [this](HRESULT status, TZelkHDAItem* item, TZelkHDAItemAttributes* attributes,
                                            uint32_t userData) {
      Log.Add(Format("attributes %08x %p %p %u", static_cast<unsigned>(status), static_cast<void*>(item),
                     static_cast<void*>(attributes), userData));
      return S_OK;
    };
  }
  // Handles whatever the worker has queued by now.
  void Settle() { PumpFor(50); }
  std::string Ptr(const void* p) const { return Format("%p", p); }

  TEventLog Log;
  uint32_t CancelID = 0;
};

TEST_F(HdaAsync, ReadsCompleteThroughTheCallbackOnTheMainThread) {
  Connect();
  EXPECT_EQ(Fake->CallbackSinks(), 1u);
  EXPECT_NE(Server.AsyncConnection, 0u);
  TZelkHDAItems items(&Server);
  TZelkHDAItem* a = items.AddItem("A");
  items.AddItem("X");
  EXPECT_EQ(Server.AsyncReadRaw(1, 2, 0, 0, &items, CancelID, 11), S_OK);
  EXPECT_EQ(Server.AsyncReadRaw(1, 2, 0, 0, &items, CancelID, 12), S_OK);
  ASSERT_EQ(Fake->Requests.size(), 2u);
  EXPECT_EQ(CancelID, Fake->Requests[1].CancelID);
  EXPECT_NE(Fake->Requests[0].TransactionID, Fake->Requests[1].TransactionID);
  EXPECT_NE(Fake->Requests[0].TransactionID, 0u);

  Fake->DeliverRead(Fake->Requests[0]);
  Fake->DeliverRead(Fake->Requests[1], S_FALSE);
  EXPECT_TRUE(Log.Events.empty());  // the events come through the queue, not from the callback
  EXPECT_TRUE(PumpUntil([&] { return Log.Events.size() == 2; }));
  EXPECT_EQ(Log.Events[0], "read 7 00000000 " + Ptr(&items) + " 11");
  EXPECT_EQ(Log.Events[1], "read 7 00000001 " + Ptr(&items) + " 12");
  EXPECT_EQ(Log.Threads[0], std::this_thread::get_id());
  EXPECT_EQ(a->Values()->Count(), 6);  // both deliveries appended
  EXPECT_EQ(items.Items(1)->LastHResult, OPC_E_INVALIDHANDLE);

  // A one-shot request completes once: a second delivery finds nothing.
  Fake->DeliverRead(Fake->Requests[0]);
  Settle();
  EXPECT_EQ(Log.Events.size(), 2u);
  EXPECT_EQ(a->Values()->Count(), 6);
}

TEST_F(HdaAsync, EventTypesAndAttributeReads) {
  Connect();
  TZelkHDAItems items(&Server);
  TZelkHDAItem* a = items.AddItem("A");
  TZelkHDAItemAttributes attributes;
  attributes.AddNew()->ID = OPCHDA_ENG_UNITS;
  EXPECT_EQ(Server.AsyncReadModified(1, 2, 0, &items, CancelID, 1), S_OK);
  EXPECT_EQ(Server.AsyncReadAttribute(1, 2, a, &attributes, CancelID, 2), S_OK);
  EXPECT_EQ(Server.AsyncReadAttribute(1, 2, a, &attributes, CancelID, 3), S_OK);
  Fake->DeliverModified(Fake->Requests[0]);
  // A delivery for the wrong kind of request is not taken.
  Fake->DeliverRead(Fake->Requests[1]);
  Fake->DeliverAttributes(Fake->Requests[1], S_OK, {OPCHDA_ENG_UNITS});
  Fake->DeliverAttributes(Fake->Requests[2], E_FAIL, {OPCHDA_ENG_UNITS});
  ASSERT_TRUE(PumpUntil([&] { return Log.Events.size() == 3; }));
  Settle();
  EXPECT_EQ(Log.Events[0], "read 8 00000000 " + Ptr(&items) + " 1");
  EXPECT_EQ(Log.Events[1], "attributes 00000000 " + Ptr(a) + " " + Ptr(&attributes) + " 2");
  EXPECT_EQ(Log.Events[2], "attributes 80004005 " + Ptr(a) + " " + Ptr(&attributes) + " 3");
  EXPECT_EQ(Log.Events.size(), 3u);
  EXPECT_EQ(a->Values()->Items(0)->UserID(), "tester");
  // The failed delivery wrote nothing: the first one's values stand.
  ASSERT_EQ(attributes.Items(0)->AttributeValues()->Count(), 2);
  EXPECT_EQ(Utf16ToUtf8(attributes.Items(0)->AttributeValues()->Items(0)->Value.Value().bstrVal), "3/1/0");
}

TEST_F(HdaAsync, RejectedRequestsLeaveNoTransaction) {
  Script.CallResult = OPC_E_INVALIDAGGREGATE;
  Connect();
  TZelkHDAItems items(&Server);
  items.AddItem("A");
  EXPECT_EQ(Raised<EOPCHDAException>([&] { Server.AsyncReadProcessed(1, 2, 60, &items, CancelID, 1); }),
            "E_INVALIDAGGREGATE: The aggregate requested is not valid.");
  Server.fRaiseException = false;
  EXPECT_EQ(Server.AsyncReadRaw(1, 2, 0, 0, &items, CancelID, 1), OPC_E_INVALIDAGGREGATE);
  EXPECT_TRUE(Fake->Requests.empty());
  EXPECT_EQ(Fake->Calls, (std::vector<std::string>{"AsyncReadProcessed", "AsyncReadRaw"}));
}

TEST_F(HdaAsync, AdviseSkipsRepeatsAndStopsAtTheConfirmedCancel) {
  Connect();
  TZelkHDAItems items(&Server);
  TZelkHDAItem* a = items.AddItem("A");
  items.SetSkipRepeatedValues(true);
  a->SetAggregate(OPCHDA_MAXIMUM);
  EXPECT_EQ(Server.AsyncAdviseProcessed(1, 60, 1, &items, CancelID, 5), S_OK);
  EXPECT_EQ(Fake->LastInterval.dwLowDateTime, 600'000'000u);
  const TFakeRequest advise = Fake->Requests[0];
  EXPECT_EQ(advise.Aggregates, (std::vector<DWORD>{OPCHDA_MAXIMUM}));

  Fake->DeliverChange(advise, 5.0, kFakeEpoch);
  Fake->DeliverChange(advise, 5.0, kFakeEpoch);                // the same value at the same time
  Fake->DeliverChange(advise, 5.0, kFakeEpoch + kTenSeconds);  // the same value later
  ASSERT_TRUE(PumpUntil([&] { return Log.Events.size() == 3; }));
  EXPECT_EQ(Log.Events[0], "change " + Ptr(&items) + " 5");
  EXPECT_EQ(a->Values()->Count(), 2);
  EXPECT_EQ(a->LastTimeStamp.dwLowDateTime, FakeTime(kFakeEpoch + kTenSeconds).dwLowDateTime);
  EXPECT_EQ(a->LastValue.Value().dblVal, 5.0);

  items.SetSkipRepeatedValues(false);
  Fake->DeliverChange(advise, 5.0, kFakeEpoch + kTenSeconds);
  EXPECT_EQ(a->Values()->Count(), 3);

  EXPECT_EQ(Server.AsyncReadCancel(CancelID), S_OK);
  EXPECT_EQ(Fake->Cancels, (std::vector<DWORD>{CancelID}));
  Fake->ConfirmCancel(CancelID);
  Fake->ConfirmCancel(CancelID);
  Fake->DeliverChange(advise, 6.0, kFakeEpoch + 2 * kTenSeconds);
  ASSERT_TRUE(PumpUntil([&] { return Log.Events.size() == 5; }));
  Settle();
  EXPECT_EQ(Log.Events.size(), 5u);
  EXPECT_EQ(Log.Events[4], "cancel " + Ptr(&items) + " 5");
  EXPECT_EQ(a->Values()->Count(), 3);
}

TEST_F(HdaAsync, CancelConfirmationsReachTheirOwnRequest) {
  Connect();
  TZelkHDAItems first(&Server);
  TZelkHDAItem* a = first.AddItem("A");
  TZelkHDAItems second(&Server);
  second.AddItem("A");
  uint32_t firstCancel = 0;
  Server.AsyncAdviseRaw(1, 1, &first, firstCancel, 1);
  Server.AsyncAdviseRaw(1, 1, &second, CancelID, 2);
  Fake->ConfirmCancel(CancelID);
  ASSERT_TRUE(PumpUntil([&] { return Log.Events.size() == 1; }));
  EXPECT_EQ(Log.Events[0], "cancel " + Ptr(&second) + " 2");

  // An empty entry still reports the item's code but leaves what the item last received.
  a->SetAggregate(3);
  a->LastHResult = 123;
  Fake->DeliverChange(Fake->Requests[0], 1.0, kFakeEpoch, 0);
  EXPECT_EQ(a->LastHResult, S_OK);
  EXPECT_EQ(a->Aggregate(), 3u);
  EXPECT_TRUE(a->LastValue.IsNull());
  EXPECT_EQ(a->LastTimeStamp.dwLowDateTime, 0u);
  ASSERT_TRUE(PumpUntil([&] { return Log.Events.size() == 2; }));
  EXPECT_EQ(Log.Events[1], "change " + Ptr(&first) + " 1");
}

TEST_F(HdaAsync, AMessageWithSubIdZeroReleasesItsRequest) {
  Connect();
  TZelkHDAItems items(&Server);
  items.AddItem("A");
  Server.AsyncReadRaw(1, 2, 0, 0, &items, CancelID, 1);
  auto forged = std::make_unique<TZelkHDAAsyncTransaction>();
  forged->ID = Fake->Requests[0].TransactionID;
  forged->HdaItems = &items;
  Server.PostMsg(ZelkMsgHDACallback, 0, forged.release());
  Settle();
  Fake->DeliverRead(Fake->Requests[0]);
  Settle();
  EXPECT_TRUE(Log.Events.empty());
  EXPECT_EQ(items.Items(0)->Values()->Count(), 0);
}

TEST_F(HdaAsync, AFailedSubscriptionIsShownOnceAndTheComponentStaysConnected) {
  Script.CallbackPoint = false;
  Connect();
  EXPECT_TRUE(Server.Active());
  EXPECT_EQ(Boxes, (std::vector<std::string>{"Error: -2147467259"}));
  EXPECT_EQ(Server.AsyncConnection, 0u);
  Server.SetActive(false);  // nothing to unadvise
  EXPECT_EQ(Boxes.size(), 1u);
}

// A server that delivers after the request's list was destroyed finds nothing to write into;
// the sanitizers would report a write into the freed list.
TEST_F(HdaAsync, LateDeliveriesForADestroyedListFindNothing) {
  Connect();
  auto items = std::make_unique<TZelkHDAItems>(&Server);
  items->AddItem("A");
  Server.AsyncReadRaw(1, 2, 0, 0, items.get(), CancelID, 1);
  Server.AsyncAdviseRaw(1, 1, items.get(), CancelID, 2);
  auto delivered = std::make_unique<TZelkHDAItems>(&Server);
  delivered->AddItem("A");
  Server.AsyncReadRaw(1, 2, 0, 0, delivered.get(), CancelID, 3);
  Fake->DeliverRead(Fake->Requests[2]);  // delivered, its event still queued

  HdaRequestListDestroyed(items.get());
  items.reset();
  HdaRequestListDestroyed(delivered.get());
  delivered.reset();
  Fake->DeliverRead(Fake->Requests[0]);
  Fake->DeliverChange(Fake->Requests[1], 1.0, kFakeEpoch);
  Fake->ConfirmCancel(Fake->Requests[1].CancelID);
  Settle();
  EXPECT_TRUE(Log.Events.empty());
}

TEST_F(HdaAsync, LateDeliveriesAfterDisconnectFindNothing) {
  Connect();
  TZelkHDAItems items(&Server);
  TZelkHDAItem* a = items.AddItem("A");
  Server.AsyncReadRaw(1, 2, 0, 0, &items, CancelID, 1);
  Server.AsyncReadRaw(1, 2, 0, 0, &items, CancelID, 2);
  Fake->DeliverRead(Fake->Requests[1]);  // completed before the disconnect: still reported
  ComPtr<TFakeHDAServer> oldServer(Fake);
  Server.SetActive(false);
  EXPECT_EQ(oldServer->CallbackSinks(), 0u);
  oldServer->DeliverRead(oldServer->Requests[0]);
  ASSERT_TRUE(PumpUntil([&] { return Log.Events.size() == 1; }));
  EXPECT_EQ(Log.Events[0], "read 7 00000000 " + Ptr(&items) + " 2");
  EXPECT_EQ(a->Values()->Count(), 3);

  // The old server cannot reach the requests of the next connection either.
  Connect();
  Server.AsyncReadRaw(1, 2, 0, 0, &items, CancelID, 3);
  TFakeRequest guessed = Fake->Requests[0];
  guessed.Handles = {1};
  oldServer->DeliverRead(guessed);
  Settle();
  EXPECT_EQ(Log.Events.size(), 1u);
  Fake->DeliverRead(Fake->Requests[0]);
  ASSERT_TRUE(PumpUntil([&] { return Log.Events.size() == 2; }));
  EXPECT_EQ(a->Values()->Count(), 6);
}

TEST_F(HdaAsync, LateDeliveriesAfterTheComponentWentFindNothing) {
  TZelkHDAItems items(nullptr);
  items.AddItem("A");
  ComPtr<TFakeHDAServer> server;
  int events = 0;
  {
    TZelkHDAServer component(nullptr);
    component.OnReadComplete = [&](HRESULT, TZelkHDAItems*, uint32_t, TZelkHDAEventType) { return ++events, S_OK; };
    component.SetServerName(kFakeHDAProgId);
    component.SetActive(true);
    server = TFakeHDAServer::Last;
    items.HdaServer = &component;
    uint32_t cancelId = 0;
    component.AsyncReadRaw(1, 2, 0, 0, &items, cancelId, 1);
    component.AsyncReadRaw(1, 2, 0, 0, &items, cancelId, 2);
    server->DeliverRead(server->Requests[1]);  // its message is still queued when the component goes
  }
  items.HdaServer = nullptr;
  server->DeliverRead(server->Requests[0]);
  server->ConfirmCancel(server->Requests[0].CancelID);
  Settle();
  EXPECT_EQ(events, 0);
  EXPECT_EQ(items.Items(0)->Values()->Count(), 3);  // only the delivery made while it lived
}

}  // namespace
