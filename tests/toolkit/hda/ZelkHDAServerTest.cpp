// The HDA component against the scriptable server: time conversions, connecting, the server
// tables, the status, the interface getters and the result check.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "HDATestSupport.h"
#include "opc/_opcactivex.h"
#include "toolkit/hda/ZelkHDAResults.h"

namespace {

TEST(HdaTimeConversions, HdaTimesAndIntervals) {
  // The date-time 0 (and anything below) travels as a string-form time without its string.
  for (TDateTime dt : {0.0, -1.5}) {
    const OPCHDA_TIME time = DateTimeToHdaTime(dt);
    EXPECT_EQ(time.bString, -1);
    EXPECT_EQ(time.szTime, nullptr);
    EXPECT_EQ(time.ftTime.dwLowDateTime, 0u);
    EXPECT_EQ(time.ftTime.dwHighDateTime, 0u);
  }
  const TDateTime dt = EncodeDateTime(2026, 7, 1, 12, 30, 15, 250);
  const OPCHDA_TIME time = DateTimeToHdaTime(dt);
  const FILETIME expected = LocalDateTimeToFileTime(dt);
  EXPECT_EQ(time.bString, 0);
  EXPECT_EQ(time.ftTime.dwLowDateTime, expected.dwLowDateTime);
  EXPECT_EQ(time.ftTime.dwHighDateTime, expected.dwHighDateTime);

  auto interval = [](double seconds) {
    const FILETIME ft = SecondsToFileTime(seconds);
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  };
  EXPECT_EQ(SecondsToFileTime(60).dwLowDateTime, 600'000'000u);
  EXPECT_EQ(SecondsToFileTime(60).dwHighDateTime, 0u);
  EXPECT_EQ(SecondsToFileTime(3600).dwLowDateTime, 1'640'261'632u);
  EXPECT_EQ(SecondsToFileTime(3600).dwHighDateTime, 8u);
  EXPECT_EQ(interval(0.25e-6), 2u);  // 2.5 units: halves go to even
  EXPECT_EQ(interval(0.35e-6), 4u);  // 3.5 units
  EXPECT_EQ(interval(std::numeric_limits<double>::quiet_NaN()), 0u);
  EXPECT_EQ(interval(1e300), static_cast<uint64_t>(INT64_MAX));
}

// The cached conversion gives FileTimeToLocalDateTime's result to the bit, also across the
// changes of daylight saving time and for time stamps with sub-millisecond parts.
TEST(HdaTimeConversions, CachedLocalTimesMatchTheRules) {
  const char* previous = std::getenv("TZ");
  const std::string saved = previous ? previous : "";
  for (const char* zone : {"Europe/Berlin", "America/St_Johns", "Australia/Lord_Howe", "UTC"}) {
    setenv("TZ", zone, 1);
    tzset();
    TZelkLocalTimes times;
    // From 2025-03-01 on for 250 days, every 7 minutes 13.3456789 seconds, over both changes.
    const uint64_t start = 133'852'608'000'000'000ULL;
    for (uint64_t ticks = start; ticks < start + 250 * 864'000'000'000ULL; ticks += 4'333'456'789ULL) {
      const FILETIME ft = FakeTime(ticks);
      ASSERT_EQ(times.Convert(ft), FileTimeToLocalDateTime(ft)) << zone << " " << ticks;
    }
    EXPECT_EQ(times.Convert(FILETIME{0, 0x01DC0000}), 0);
    EXPECT_EQ(times.Convert(FILETIME{0x12345678, 0}), 0);
  }
  if (previous)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

using HdaConnection = FakeHDATest;

TEST_F(HdaConnection, TablesAreFetchedOncePerConnection) {
  EXPECT_EQ(Server.Version(), "5.28");
  EXPECT_EQ(Server.Protocol(), coCOM);
  EXPECT_EQ(Raised<EOPCException>([&] { Server.Aggregates(); }), "Not connected to server");

  std::vector<std::string> seenInOnConnect;
  Server.OnConnect = [&](TObject*) {
    for (int i = 0; i < Server.Aggregates()->Count(); ++i) seenInOnConnect.push_back(Server.Aggregates()->Items(i)->Name);
  };
  Connect();
  ASSERT_TRUE(Server.Active());
  EXPECT_EQ(seenInOnConnect, (std::vector<std::string>{"Average", "Maximum"}));
  TZelkHDAAggregates* aggregates = Server.Aggregates();
  EXPECT_EQ(aggregates->Items(1)->ID, static_cast<uint32_t>(OPCHDA_MAXIMUM));
  EXPECT_EQ(aggregates->Items(1)->Desc, "largest");
  TZelkHDAItemAttributes* attributes = Server.ItemAttributes();
  ASSERT_EQ(attributes->Count(), 2);
  EXPECT_EQ(attributes->Items(1)->Name, "Description");
  EXPECT_EQ(attributes->Items(1)->DataType, VT_BSTR);
  // OnConnect's fetch, the one after the interface reset that follows it, the attributes.
  EXPECT_EQ(Fake->TableCalls, 3);
  Server.Aggregates();
  Server.ItemAttributes();
  EXPECT_EQ(Fake->TableCalls, 3);

  // A reconnection asks again, and the same list object comes back refilled.
  Server.SetActive(false);
  EXPECT_EQ(Raised<EOPCException>([&] { Server.Aggregates(); }), "Not connected to server");
  seenInOnConnect.clear();
  Connect();
  EXPECT_EQ(seenInOnConnect.size(), 2u);
  EXPECT_EQ(Server.Aggregates(), aggregates);
  EXPECT_EQ(Fake->TableCalls, 2);
}

TEST_F(HdaConnection, TablesOnlyFromAPlainSuccess) {
  Script.TablesResult = S_FALSE;
  Connect();
  EXPECT_EQ(Server.Aggregates()->Count(), 0);
  EXPECT_EQ(Server.Aggregates()->Count(), 0);
  EXPECT_EQ(Server.ItemAttributes()->Count(), 0);
  EXPECT_EQ(Fake->TableCalls, 3);  // every access asks again
}

TEST_F(HdaConnection, StatusAndKeepAlive) {
  Connect();
  const TServerStateRecord state = Server.GetState();
  EXPECT_EQ(state.ServerState, OPCHDA_INDETERMINATE);
  EXPECT_EQ(state.Version, "3.1.42");
  EXPECT_EQ(state.BuildNumber, "42");
  EXPECT_EQ(state.MaxValues, 5000);
  EXPECT_EQ(state.VendorInfo, "Fake vendor");
  EXPECT_EQ(state.StatusInfo, "fine");
  EXPECT_EQ(state.LastUpdateTime, 0);
  EXPECT_EQ(state.GroupCount, 0);
  EXPECT_EQ(state.Starttime, 0);  // a FILETIME with a zero low half
  EXPECT_EQ(state.Currenttime, FileTimeToLocalDateTime(FakeTime(kFakeEpoch)));
}

TEST_F(HdaConnection, FailedStatusEndsTheKeepAlive) {
  Script.CallResult = E_FAIL;
  Server.SetKeepAlive(500);
  bool timedOut = false;
  Server.OnTimeout = [&](TObject*) { timedOut = true; };
  Connect();
  EXPECT_TRUE(PumpUntil([&] { return !Server.Active(); }, 3000));
  EXPECT_TRUE(timedOut);
}

TEST_F(HdaConnection, InterfaceGettersAndTheirFailures) {
  bool errorOffered = false;
  Server.OnError = [&](TObject*, const std::string& text, bool&) { errorOffered = text == "Not connected to server"; };
  EXPECT_EQ(Raised<EOPCException>([&] { Server.GetSyncReadIntf(); }), "Not connected to server");
  EXPECT_TRUE(errorOffered);

  Script.SyncRead = false;
  Connect();
  TZelkHDAItems items(&Server);
  items.AddItem("A");
  EXPECT_EQ(Raised<EOPCHDAException>([&] { Server.SyncReadRaw(0, 0, 0, 0, &items); }), "Interface not supported");
  EXPECT_EQ(Raised<EOPCHDAException>([&] { Server.GetSyncReadIntf(); }), "Interface not supported");
  EXPECT_TRUE(Fake->Calls.empty());

  // The capability mask is asked once per connection, when the interface is first obtained.
  Server.GetSyncUpdateIntf();
  Server.GetSyncUpdateIntf();
  EXPECT_EQ(Server.fSyncUpdateCapabilities, static_cast<uint32_t>(OPCHDA_INSERTCAP | OPCHDA_DELETERAWCAP));
  EXPECT_EQ(Fake->CapabilityCalls, 1);
  Server.SetActive(false);
  EXPECT_EQ(Server.fSyncUpdateCapabilities, 0u);
  Connect();
  Server.GetSyncUpdateIntf();
  EXPECT_EQ(Fake->CapabilityCalls, 1);
}

TEST_F(HdaConnection, AServerWithoutHdaInterfaceIsOfTheWrongKind) {
  Script.HdaServer = false;
  Connect();
  EXPECT_TRUE(Server.Active());
  EXPECT_TRUE(Boxes.empty());  // nothing to subscribe to, nothing to complain about
  const std::string wrongKind = "Server does not support requested specification";
  EXPECT_EQ(Raised<EOPCException>([&] { Server.GetSyncReadIntf(); }), wrongKind);
  EXPECT_EQ(Raised<EOPCException>([&] { Server.Aggregates(); }), wrongKind);
  TZelkHDAItems items(&Server);
  items.AddItem("A");
  EXPECT_EQ(Server.GetItemHandles(&items), E_FAIL);
}

TEST_F(HdaConnection, CheckResultTexts) {
  Connect();
  EXPECT_TRUE(Server.CheckResult(S_OK, nullptr));
  EXPECT_TRUE(Server.CheckResult(S_FALSE, nullptr));
  EXPECT_TRUE(Server.CheckResult(OPC_S_MOREDATA, nullptr));
  EXPECT_EQ(Raised<EOPCHDAException>([&] { Server.CheckResult(OPC_E_INVALIDAGGREGATE, nullptr); }),
            "E_INVALIDAGGREGATE: The aggregate requested is not valid.");
  // Codes without an OPC message raise the platform's COM error with the system's text.
  try {
    Server.CheckResult(E_INVALIDARG, nullptr);
    ADD_FAILURE() << "nothing raised";
  } catch (const EOPCException&) {
    ADD_FAILURE() << "an OPC exception for a code without an OPC message";
  } catch (const EOleSysError& e) {
    EXPECT_EQ(e.ErrorCode(), E_INVALIDARG);
    EXPECT_EQ(e.Message(), OleErrorText(E_INVALIDARG));
  }
  EXPECT_EQ(Raised<EOleSysError>([&] { Server.CheckResult(static_cast<HRESULT>(0x8004ABCD), nullptr); }),
            "OLE error 8004abcd");
  Server.fRaiseException = false;
  EXPECT_FALSE(Server.CheckResult(E_FAIL, nullptr));
}

}  // namespace
