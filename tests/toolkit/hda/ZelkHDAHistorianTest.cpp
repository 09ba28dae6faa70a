// The HDA component against the demo historian, on a fixed clock: exact values of the
// reference items through every read, more data, bounds, aggregates, at-time values,
// modified values after an edit, attributes, asynchronous reads and advise.

#include <gtest/gtest.h>

#include <numeric>

#include "HDATestSupport.h"
#include "opc/_opcactivex.h"
#include "servers/hdasim/ServerRegistration.h"

namespace {

// The historian's "now": 2026-01-01 00:00:00 UTC. Test.Ramp counts 10-s samples since
// 2000-01-01 modulo 1000, so its value at the hour before is 720.
constexpr uint64_t kNow = 134'116'992'000'000'000ULL;
constexpr uint64_t kHourBefore = kNow - 36'000'000'000ULL;
constexpr uint64_t kSecond = 10'000'000ULL;

TDateTime LocalAt(uint64_t ticks) { return FileTimeToLocalDateTime(FakeTime(ticks)); }

class HdaHistorian : public testing::Test {
protected:
  void SetUp() override {
    THdaSimOptions options;
    options.Clock = [] { return static_cast<int64_t>(kNow); };
    options.DataFolder = "";
    ASSERT_EQ(RegisterHdaSimServers(options), S_OK);  // a fresh history for every test
    Server.SetServerName("Zelk.HDASim.1");
    Server.SetActive(true);
    Ramp = Items.AddItem("Test.Ramp");
  }

  std::vector<double> Values(TZelkHDAItem* Item) {
    std::vector<double> values;
    for (int j = 0; j < Item->Values()->Count(); ++j) {
      OleVariant value = Item->Values()->Items(j)->Value;
      values.push_back(value.VarType() == VT_R8 ? value.Value().dblVal : -1);
    }
    return values;
  }

  std::vector<std::string> Boxes;
  TScopedMessageBoxHandler BoxHandler{[this](const std::string& text, const std::string& caption, unsigned) {
    Boxes.push_back(caption + ": " + text);
    return IDOK;
  }};
  TTestHDAServer Server{nullptr};
  TZelkHDAItems Items{&Server};
  TZelkHDAItem* Ramp = nullptr;
};

TEST_F(HdaHistorian, ConnectsWithTablesAndStatus) {
  EXPECT_TRUE(Server.Active());
  EXPECT_TRUE(Boxes.empty());
  EXPECT_NE(Server.AsyncConnection, 0u);
  EXPECT_GE(Server.Aggregates()->Count(), 24);
  bool average = false;
  for (int i = 0; i < Server.Aggregates()->Count(); ++i)
    average |= Server.Aggregates()->Items(i)->ID == OPCHDA_AVERAGE && Server.Aggregates()->Items(i)->Name == "Average";
  EXPECT_TRUE(average);
  bool itemId = false;
  for (int i = 0; i < Server.ItemAttributes()->Count(); ++i)
    itemId |= Server.ItemAttributes()->Items(i)->ID == OPCHDA_ITEMID;
  EXPECT_TRUE(itemId);
  const TServerStateRecord state = Server.GetState();
  EXPECT_EQ(state.ServerState, OPCHDA_UP);
  EXPECT_EQ(state.MaxValues, 1'000'000);
  EXPECT_EQ(state.Currenttime, LocalAt(kNow));
}

TEST_F(HdaHistorian, RawReadsGiveTheExactRampWithMoreDataAndBounds) {
  TZelkHDAItem* unknown = Items.AddItem("Test.NoSuchItem");
  // S_FALSE: the call went through, some item failed.
  EXPECT_EQ(Server.SyncReadRaw(LocalAt(kHourBefore), LocalAt(kNow), 4, 0, &Items), S_FALSE);
  EXPECT_EQ(Ramp->LastHResult, OPC_S_MOREDATA);
  EXPECT_EQ(Values(Ramp), (std::vector<double>{720, 721, 722, 723}));
  EXPECT_EQ(Ramp->Values()->Items(3)->TimeStamp, LocalAt(kHourBefore + 30 * kSecond));
  EXPECT_EQ(Ramp->Values()->Items(3)->hdaQuality, static_cast<uint32_t>(OPCHDA_RAW | 0xC0));
  EXPECT_EQ(Ramp->Values()->Items(3)->Quality, 0xC0);
  EXPECT_FALSE(SUCCEEDED(unknown->LastHResult));
  EXPECT_EQ(unknown->Values()->Count(), 0);

  // From 5 s past a sample: the bound is the sample before, without bounds the next one.
  TZelkHDAItems bounded(&Server);
  TZelkHDAItem* withBounds = bounded.AddItem("Test.Ramp");
  Server.SyncReadRaw(LocalAt(kHourBefore + 5 * kSecond), LocalAt(kNow), 2, -1, &bounded);
  EXPECT_EQ(Values(withBounds), (std::vector<double>{720, 721}));
  TZelkHDAItems unbounded(&Server);
  TZelkHDAItem* withoutBounds = unbounded.AddItem("Test.Ramp");
  Server.SyncReadRaw(LocalAt(kHourBefore + 5 * kSecond), LocalAt(kNow), 2, 0, &unbounded);
  EXPECT_EQ(Values(withoutBounds), (std::vector<double>{721, 722}));
}

TEST_F(HdaHistorian, AggregatesMatchTheRawValuesOfTheirIntervals) {
  TZelkHDAItem* count = Items.AddItem("Test.Ramp");
  Ramp->SetAggregate(OPCHDA_AVERAGE);
  count->SetAggregate(OPCHDA_COUNT);
  ASSERT_TRUE(SUCCEEDED(Server.SyncReadProcessed(LocalAt(kHourBefore), LocalAt(kHourBefore + 120 * kSecond), 60, &Items)));
  EXPECT_EQ(Ramp->Aggregate(), static_cast<uint32_t>(OPCHDA_AVERAGE));
  ASSERT_EQ(Ramp->Values()->Count(), 2);
  EXPECT_EQ(Values(Ramp), (std::vector<double>{(720 + 725) / 2.0, (726 + 731) / 2.0}));
  EXPECT_EQ(Ramp->Values()->Items(1)->TimeStamp, LocalAt(kHourBefore + 60 * kSecond));
  ASSERT_EQ(count->Values()->Count(), 2);
  OleVariant counted = count->Values()->Items(0)->Value;
  ASSERT_EQ(VariantChangeType(counted.Ptr(), counted.Ptr(), 0, VT_I4), S_OK);
  EXPECT_EQ(counted.Value().lVal, 6);

  TDateTimeList stamps;
  stamps.Add(LocalAt(kHourBefore + 5 * kSecond));
  stamps.Add(LocalAt(kHourBefore + 10 * kSecond));
  TZelkHDAItems atTime(&Server);
  TZelkHDAItem* ramp = atTime.AddItem("Test.Ramp");
  EXPECT_EQ(Server.SyncReadAtTime(&stamps, &atTime), S_OK);
  EXPECT_EQ(Values(ramp), (std::vector<double>{720.5, 721}));
  EXPECT_TRUE(ramp->Values()->Items(0)->hdaQuality & OPCHDA_INTERPOLATED);
  EXPECT_EQ(ramp->Values()->Items(0)->TimeStamp, stamps.Get(0));
}

TEST_F(HdaHistorian, ModifiedValuesAfterAnEditAndAttributes) {
  ASSERT_EQ(Server.GetItemHandles(&Items), S_OK);
  const OPCHANDLE handle = Ramp->ServerHandle();
  ASSERT_NE(handle, 0u);
  OPCHANDLE handles[] = {handle};
  FILETIME stamps[] = {FakeTime(kHourBefore + 10 * kSecond)};
  VARIANT values[1];
  values[0].vt = VT_R8;
  values[0].dblVal = 5.5;
  DWORD qualities[] = {0xC0};
  HRESULT* errors = nullptr;
  ASSERT_EQ(Server.GetSyncUpdateIntf()->Replace(1, handles, stamps, values, qualities, &errors), S_OK);
  CoTaskMemFree(errors);

  Server.SyncReadModified(LocalAt(kHourBefore), LocalAt(kHourBefore + 60 * kSecond), 0, &Items);
  ASSERT_EQ(Ramp->Values()->Count(), 1);
  const TZelkHDAValueItem* modified = Ramp->Values()->Items(0);
  EXPECT_EQ(modified->Value.Value().dblVal, 721);  // the value the edit replaced
  EXPECT_EQ(modified->EditType(), static_cast<uint32_t>(OPCHDA_REPLACE));
  EXPECT_EQ(modified->TimeStamp, LocalAt(kHourBefore + 10 * kSecond));
  EXPECT_NE(modified->ModificationTime(), 0);

  TZelkHDAItems after(&Server);
  TZelkHDAItem* ramp = after.AddItem("Test.Ramp");
  Server.SyncReadRaw(LocalAt(kHourBefore), LocalAt(kNow), 3, 0, &after);
  EXPECT_EQ(Values(ramp), (std::vector<double>{720, 5.5, 722}));

  TZelkHDAItemAttributes attributes;
  attributes.AddNew()->ID = OPCHDA_ITEMID;
  attributes.AddNew()->ID = OPCHDA_DATA_TYPE;
  attributes.AddNew()->ID = 0x7777;
  EXPECT_EQ(Server.SyncReadAttribute(LocalAt(kHourBefore), LocalAt(kNow), Ramp, &attributes), S_FALSE);
  ASSERT_GE(attributes.Items(0)->AttributeValues()->Count(), 1);
  EXPECT_EQ(Utf16ToUtf8(attributes.Items(0)->AttributeValues()->Items(0)->Value.Value().bstrVal), "Test.Ramp");
  OleVariant dataType = attributes.Items(1)->AttributeValues()->Items(0)->Value;
  ASSERT_EQ(VariantChangeType(dataType.Ptr(), dataType.Ptr(), 0, VT_I4), S_OK);
  EXPECT_EQ(dataType.Value().lVal, VT_R8);
  EXPECT_FALSE(SUCCEEDED(attributes.Items(2)->LastHResult));
}

TEST_F(HdaHistorian, AsynchronousReadAdviseAndCancel) {
  std::vector<std::string> events;
  Server.OnReadComplete = [&](HRESULT, TZelkHDAItems* items, uint32_t userData, TZelkHDAEventType type) {
    events.push_back(Format("read %d %u %d", type, userData, items == &Items));
    return S_OK;
  };
  Server.OnDataChange = [&](HRESULT, TZelkHDAItems*, uint32_t userData) {
    events.push_back(Format("change %u", userData));
    return S_OK;
  };
  Server.OnCancelComplete = [&](TZelkHDAItems*, uint32_t userData) {
    events.push_back(Format("cancel %u", userData));
    return S_OK;
  };
  uint32_t CancelID = 0;
  ASSERT_EQ(Server.AsyncReadRaw(LocalAt(kHourBefore), LocalAt(kNow), 4, 0, &Items, CancelID, 21), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return !events.empty(); }));
  EXPECT_EQ(events[0], "read 7 21 1");
  EXPECT_EQ(Values(Ramp), (std::vector<double>{720, 721, 722, 723}));

  TZelkHDAItems advised(&Server);
  TZelkHDAItem* ramp = advised.AddItem("Test.Ramp");
  ASSERT_EQ(Server.AsyncAdviseRaw(LocalAt(kNow - 60 * kSecond), 0.1, &advised, CancelID, 22), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return events.size() >= 2; }));
  EXPECT_EQ(events[1], "change 22");
  // The minute before now: 74 .. 79, and the sample at now, 80.
  EXPECT_EQ(Values(ramp).front(), 74);
  EXPECT_EQ(Values(ramp).back(), 80);
  EXPECT_EQ(ramp->LastValue.Value().dblVal, 80);

  EXPECT_EQ(Server.AsyncReadCancel(CancelID), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return events.back() == "cancel 22"; }));
}

}  // namespace
