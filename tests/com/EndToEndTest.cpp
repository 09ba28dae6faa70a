// A client on the main thread creates an in-process server by ProgID, advises a sink, and
// receives the server's calls from the server's worker thread on the main thread.

#include <gtest/gtest.h>

#include "com/TestServer.h"
#include "platform/rtl/MainThreadQueue.h"

namespace {

ZELK_DEFINE_GUID(CLSID_TickServer, 0x5A1E0401, 0x7C1D, 0x4E55, 0x9B, 0x11, 0x20, 0x31, 0x42, 0x53, 0x64, 0x75);

// Starts a tick whose call must wait in the main thread's queue: until the main thread
// pumps, the server's worker cannot finish and nothing reaches the sink.
void TickHeldForTheMainThread(ITestServer* server, TTestSink* sink, LONG value) {
  const size_t delivered = sink->Values().size();
  EXPECT_EQ(server->Tick(value), S_OK);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  BOOL finished = TRUE;
  HRESULT result = E_FAIL;
  EXPECT_EQ(server->TickResult(&finished, &result), S_OK);
  EXPECT_FALSE(finished);
  EXPECT_EQ(sink->Values().size(), delivered);
}

// Pumps the main thread until the server's worker is done; its result.
HRESULT PumpUntilTicked(ITestServer* server) {
  BOOL finished = FALSE;
  HRESULT result = E_FAIL;
  for (int i = 0; i < 1000; ++i) {
    server->TickResult(&finished, &result);
    if (finished) break;
    CheckSynchronize(10);
  }
  EXPECT_TRUE(finished);
  return result;
}

}  // namespace

TEST(EndToEnd, ServerCallsReachTheClientSinkOnTheMainThread) {
  TComClassInfo info;
  info.ClassId = CLSID_TickServer;
  info.ProgId = "Zelk.TickServer.1";
  info.VersionIndependentProgId = "Zelk.TickServer";
  info.Description = "Zelk tick server";
  DWORD registration = 0;
  ASSERT_EQ(RegisterComClass<TTestServer>(info, &registration), S_OK);

  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(u"Zelk.TickServer.1", &clsid), S_OK);
  ComPtr<ITestServer> server;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                             IID_ITestServer, reinterpret_cast<void**>(server.GetAddressOf())),
            S_OK);
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(server.As(&container), S_OK);
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(IID_ITestEvents, point.GetAddressOf()), S_OK);

  ComPtr<TTestSink> sink(new TTestSink);
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(sink->Identity(), &cookie), S_OK);

  TickHeldForTheMainThread(server.Get(), sink.Get(), 1);
  EXPECT_EQ(PumpUntilTicked(server.Get()), S_OK);
  TickHeldForTheMainThread(server.Get(), sink.Get(), 2);
  EXPECT_EQ(PumpUntilTicked(server.Get()), S_OK);
  EXPECT_EQ(sink->Values(), (std::vector<LONG>{1, 2}));
  EXPECT_EQ(sink->Threads(), std::vector<std::thread::id>(2, std::this_thread::get_id()));

  // After Unadvise nothing more arrives.
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(server->Tick(3), S_OK);
  EXPECT_EQ(PumpUntilTicked(server.Get()), S_OK);
  EXPECT_EQ(sink->Values(), (std::vector<LONG>{1, 2}));

  // The sink's apartment goes away: the server's call fails cleanly and never runs.
  ASSERT_EQ(point->Advise(sink->Identity(), &cookie), S_OK);
  CoUninitialize();
  EXPECT_EQ(server->Tick(4), S_OK);
  BOOL finished = FALSE;
  HRESULT result = S_OK;
  for (int i = 0; i < 1000 && !finished; ++i) {
    server->TickResult(&finished, &result);
    if (!finished) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_TRUE(finished);
  EXPECT_EQ(result, RPC_E_DISCONNECTED);
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  CheckSynchronize(0);
  EXPECT_EQ(sink->Values(), (std::vector<LONG>{1, 2}));

  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  point.Reset();
  container.Reset();
  EXPECT_EQ(server->Release(), 0u);
  server.Detach();
  EXPECT_EQ(CoRevokeClassObject(registration), S_OK);
  EXPECT_EQ(References(sink->Identity()), 1u);
}
