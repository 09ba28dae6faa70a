// Item handles and the synchronous reads against the scriptable server: what is sent, what
// lands in the items, per-item failures, whole-call failures.

#include <gtest/gtest.h>

#include "HDATestSupport.h"
#include "opc/_opcactivex.h"

namespace {

using HdaSyncRead = FakeHDATest;

std::vector<double> ValuesOf(TZelkHDAItem* Item) {
  std::vector<double> values;
  for (int j = 0; j < Item->Values()->Count(); ++j) values.push_back(Item->Values()->Items(j)->Value.Value().dblVal);
  return values;
}

TEST_F(HdaSyncRead, HandlesAreResolvedPerListAndRefusedItemsAskAgain) {
  Connect();
  TZelkHDAItems empty(&Server);
  EXPECT_EQ(Server.GetItemHandles(&empty), E_FAIL);
  EXPECT_EQ(Fake->HandleCalls, 0);

  TZelkHDAItems items(&Server);
  TZelkHDAItem* a = items.AddItem("A");
  TZelkHDAItem* unknown = items.AddItem("X");
  TZelkHDAItem* c = items.AddItem("C");
  c->SetClientHandle(77);
  ASSERT_EQ(Server.SyncReadRaw(0, 0, 0, -1, &items), S_OK);
  // Once for the first item, once more when the refused one's turn came.
  EXPECT_EQ(Fake->HandleCalls, 2);
  EXPECT_EQ(Fake->HandleRequests[0], (std::vector<std::string>{"A", "X", "C"}));
  EXPECT_EQ(Fake->ClientHandles[0], a->ClientHandle());
  EXPECT_EQ(Fake->ClientHandles[2], 77u);
  EXPECT_EQ(Fake->LastHandles, (std::vector<OPCHANDLE>{1, 0, 3}));

  EXPECT_EQ(ValuesOf(a), (std::vector<double>{100, 101, 102}));
  EXPECT_EQ(ValuesOf(c), (std::vector<double>{300, 301, 302}));
  EXPECT_EQ(unknown->LastHResult, OPC_E_INVALIDHANDLE);
  EXPECT_EQ(unknown->Values()->Count(), 0);

  // Resolved handles stay: the next read asks only for the refused item's sake.
  Server.SyncReadRaw(0, 0, 0, 0, &items);
  EXPECT_EQ(Fake->HandleCalls, 3);
  EXPECT_EQ(ValuesOf(a), (std::vector<double>{100, 101, 102, 100, 101, 102}));  // appended

  // A list the server knows entirely costs one look-up for all reads.
  TZelkHDAItems known(&Server);
  known.AddItem("A");
  known.AddItem("B");
  Server.SyncReadRaw(0, 0, 0, 0, &known);
  Server.SyncReadRaw(0, 0, 0, 0, &known);
  EXPECT_EQ(Fake->HandleCalls, 4);
}

TEST_F(HdaSyncRead, ServerHandleLooksUpItsWholeListWhenAsked) {
  Connect();
  TZelkHDAItems items(&Server);
  TZelkHDAItem* a = items.AddItem("A");
  TZelkHDAItem* unknown = items.AddItem("X");
  TZelkHDAItem* c = items.AddItem("C");
  EXPECT_EQ(c->ServerHandle(), 3u);
  EXPECT_EQ(Fake->HandleCalls, 1);
  EXPECT_EQ(Fake->HandleRequests[0], (std::vector<std::string>{"A", "X", "C"}));
  EXPECT_EQ(a->ServerHandle(), 1u);
  EXPECT_EQ(Fake->HandleCalls, 1) << "resolved with its list";
  EXPECT_EQ(unknown->ServerHandle(), 0u) << "not the garbage in the refused slot";
  EXPECT_EQ(Fake->HandleCalls, 2) << "a refused item asks again";

  // The read asks once for the refused item, not once more through the getter.
  ASSERT_EQ(Server.SyncReadRaw(0, 0, 0, 0, &items), S_OK);
  EXPECT_EQ(Fake->HandleCalls, 3);
  EXPECT_EQ(Fake->LastHandles, (std::vector<OPCHANDLE>{1, 0, 3}));

  // Add forgets the handle, so the new list asks; a put keeps it.
  TZelkHDAItems other(&Server);
  other.Add(items.Extract(a));
  EXPECT_EQ(a->ServerHandle(), 1u);
  EXPECT_EQ(Fake->HandleCalls, 4);
  EXPECT_EQ(Fake->HandleRequests[3], (std::vector<std::string>{"A"}));
  TZelkHDAItems third(&Server);
  TZelkHDAItem* displaced = third.AddItem("B");
  third.SetItems(0, other.Extract(a));
  delete displaced;
  EXPECT_EQ(a->ServerHandle(), 1u);
  EXPECT_EQ(Fake->HandleCalls, 4);

  // Without a server to ask, or with a disconnected one, the getter answers 0 and raises nothing.
  TZelkHDAItems unbound(nullptr);
  EXPECT_EQ(unbound.AddItem("A")->ServerHandle(), 0u);
  Server.SetActive(false);
  EXPECT_EQ(unknown->ServerHandle(), 0u);
  EXPECT_EQ(Fake->HandleCalls, 4);
}

TEST_F(HdaSyncRead, RawReadSendsItsArgumentsAndSplitsTheQuality) {
  Script.Items = {{"A", 80}};
  Connect();
  TZelkHDAItems items(&Server);
  TZelkHDAItem* a = items.AddItem("A");
  a->SetAggregate(5);
  const TDateTime start = EncodeDateTime(2026, 1, 1, 0, 0, 0, 0);
  const TDateTime end = EncodeDateTime(2026, 1, 2, 0, 0, 0, 0);
  EXPECT_EQ(Server.SyncReadRaw(start, end, 50, -1, &items), S_OK);
  EXPECT_EQ(Fake->LastStart.bString, 0);
  EXPECT_EQ(Fake->LastStart.ftTime.dwLowDateTime, LocalDateTimeToFileTime(start).dwLowDateTime);
  EXPECT_EQ(Fake->LastEnd.ftTime.dwHighDateTime, LocalDateTimeToFileTime(end).dwHighDateTime);
  EXPECT_EQ(Fake->LastNumValues, 50u);
  EXPECT_EQ(Fake->LastBounds, -1);

  EXPECT_EQ(a->LastHResult, OPC_S_MOREDATA);
  ASSERT_EQ(a->Values()->Count(), 50);
  const TZelkHDAValueItem* value = a->Values()->Items(49);
  EXPECT_EQ(value->Value.VarType(), VT_R8);
  EXPECT_EQ(value->Value.Value().dblVal, 149);
  EXPECT_EQ(value->hdaQuality, 0x400C0u);
  EXPECT_EQ(value->Quality, 0xC0);
  EXPECT_EQ(value->HdaQualityAsString(), "raw");
  EXPECT_EQ(value->TimeStamp, FileTimeToLocalDateTime(FakeTime(kFakeEpoch + 49 * kTenSeconds)));
  EXPECT_EQ(a->Aggregate(), 5u);  // a raw read leaves it
}

TEST_F(HdaSyncRead, ProcessedAndAtTimeReadsTakeTheServersAggregate) {
  Connect();
  TZelkHDAItems items(&Server);
  TZelkHDAItem* a = items.AddItem("A");
  TZelkHDAItem* b = items.AddItem("B");
  a->SetAggregate(OPCHDA_AVERAGE);
  b->SetAggregate(99);  // the fake refuses it
  EXPECT_EQ(Server.SyncReadProcessed(1, 2, 3600, &items), S_OK);
  EXPECT_EQ(Fake->LastInterval.dwLowDateTime, 1'640'261'632u);
  EXPECT_EQ(Fake->LastInterval.dwHighDateTime, 8u);
  EXPECT_EQ(Fake->LastAggregates, (std::vector<DWORD>{OPCHDA_AVERAGE, 99}));
  EXPECT_EQ(a->Aggregate(), static_cast<uint32_t>(OPCHDA_AVERAGE));
  EXPECT_EQ(a->Values()->Count(), 3);
  EXPECT_EQ(b->LastHResult, OPC_E_INVALIDAGGREGATE);
  EXPECT_EQ(b->Aggregate(), 99u);
  EXPECT_EQ(b->Values()->Count(), 0);

  TDateTimeList stamps;
  stamps.Add(EncodeDateTime(2026, 3, 1, 10, 0, 0, 0));
  stamps.Add(EncodeDateTime(2026, 7, 1, 10, 0, 0, 0));
  EXPECT_EQ(Server.SyncReadAtTime(&stamps, &items), S_OK);
  ASSERT_EQ(Fake->LastTimeStamps.size(), 2u);
  EXPECT_EQ(Fake->LastTimeStamps[1].dwLowDateTime, LocalDateTimeToFileTime(stamps.Get(1)).dwLowDateTime);
  EXPECT_EQ(a->Aggregate(), 0u);  // what the server reported for the at-time read
  EXPECT_EQ(b->Values()->Count(), 3);
}

TEST_F(HdaSyncRead, ModifiedAndAttributeReads) {
  Connect();
  TZelkHDAItems items(&Server);
  TZelkHDAItem* a = items.AddItem("A");
  EXPECT_EQ(Server.SyncReadModified(1, 2, 2, &items), S_OK);
  ASSERT_EQ(a->Values()->Count(), 2);
  const TZelkHDAValueItem* value = a->Values()->Items(1);
  EXPECT_EQ(value->Value.Value().dblVal, 101);
  EXPECT_EQ(value->EditType(), static_cast<uint32_t>(OPCHDA_REPLACE));
  EXPECT_EQ(value->UserID(), "tester");
  EXPECT_EQ(value->ModificationTime(), FileTimeToLocalDateTime(FakeTime(kFakeEpoch + kTenSeconds)));

  TZelkHDAItemAttributes attributes;
  attributes.AddNew()->ID = OPCHDA_DESCRIPTION;
  attributes.AddNew()->ID = 99;  // refused by the fake
  attributes.Items(1)->AttributeValues()->AddNew(OleVariant(int32_t{7}).Value());
  attributes.Items(0)->AttributeValues()->AddNew(OleVariant(int32_t{7}).Value());
  EXPECT_EQ(Server.SyncReadAttribute(1, 2, a, &attributes), S_OK);
  EXPECT_EQ(Fake->LastHandles, (std::vector<OPCHANDLE>{1}));
  TZelkHDAAttributeValues* values = attributes.Items(0)->AttributeValues();
  ASSERT_EQ(values->Count(), 2);  // replaced, not appended
  EXPECT_EQ(Utf16ToUtf8(values->Items(1)->Value.Value().bstrVal), "2/1/1");
  EXPECT_EQ(values->Items(1)->TimeStamp, FileTimeToLocalDateTime(FakeTime(kFakeEpoch + kTenSeconds)));
  EXPECT_EQ(attributes.Items(1)->LastHResult, OPC_E_INVALIDATTRID);
  EXPECT_EQ(attributes.Items(1)->AttributeValues()->Count(), 1);  // a refused attribute keeps its values
}

TEST_F(HdaSyncRead, AFailedCallRaisesOrReturnsAndChangesNothing) {
  Script.CallResult = E_FAIL;
  Connect();
  TZelkHDAItems items(&Server);
  TZelkHDAItem* a = items.AddItem("A");
  a->LastHResult = 12345;
  EXPECT_EQ(Raised<EOleSysError>([&] { Server.SyncReadRaw(0, 0, 0, 0, &items); }), OleErrorText(E_FAIL));
  Server.fRaiseException = false;
  TDateTimeList stamps;
  EXPECT_EQ(Server.SyncReadRaw(0, 0, 0, 0, &items), E_FAIL);
  EXPECT_EQ(Server.SyncReadProcessed(0, 0, 1, &items), E_FAIL);
  EXPECT_EQ(Server.SyncReadAtTime(&stamps, &items), E_FAIL);
  EXPECT_EQ(Server.SyncReadModified(0, 0, 1, &items), E_FAIL);
  EXPECT_EQ(a->LastHResult, 12345);
  EXPECT_EQ(a->Values()->Count(), 0);
  // An empty list is a request for no items, made all the same.
  TZelkHDAItems none(&Server);
  EXPECT_EQ(Server.SyncReadRaw(0, 0, 0, 0, &none), E_FAIL);
  EXPECT_EQ(Fake->LastHandles.size(), 0u);
}

}  // namespace
