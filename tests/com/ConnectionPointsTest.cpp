#include <gtest/gtest.h>

#include "com/TestServer.h"

namespace {

ComPtr<IConnectionPoint> FindEvents(TTestServer* server) {
  ComPtr<IConnectionPoint> point;
  EXPECT_EQ(server->FindConnectionPoint(IID_ITestEvents, point.GetAddressOf()), S_OK);
  return point;
}

}  // namespace

TEST(ConnectionPoints, ContainerFindsAndEnumeratesItsPoints) {
  ComPtr<TTestServer> server(new TTestServer);
  ComPtr<IConnectionPoint> point = FindEvents(server.Get());
  IID iid;
  EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
  EXPECT_EQ(iid, IID_ITestEvents);
  ComPtr<IConnectionPointContainer> container;
  EXPECT_EQ(point->GetConnectionPointContainer(container.GetAddressOf()), S_OK);
  EXPECT_EQ(static_cast<void*>(container.Get()), static_cast<void*>(static_cast<IConnectionPointContainer*>(server.Get())));

  IConnectionPoint* missing = point.Get();
  EXPECT_EQ(server->FindConnectionPoint(IID_ITestCounter, &missing), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(missing, nullptr);

  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(server->EnumConnectionPoints(points.GetAddressOf()), S_OK);
  IConnectionPoint* listed[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(points->Next(2, listed, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  EXPECT_EQ(listed[0], point.Get());
  listed[0]->Release();
}

TEST(ConnectionPoints, AdviseAndUnadviseCookiesAndCodes) {
  ComPtr<TTestServer> server(new TTestServer);
  ComPtr<IConnectionPoint> point = FindEvents(server.Get());
  ComPtr<TTestSink> sink(new TTestSink);

  DWORD first = 0, second = 0;
  ASSERT_EQ(point->Advise(sink->Identity(), &first), S_OK);
  ASSERT_EQ(point->Advise(sink->Identity(), &second), S_OK);
  EXPECT_NE(first, 0u);
  EXPECT_NE(second, 0u);
  EXPECT_NE(first, second);
  // The point holds one reference per connection.
  EXPECT_EQ(References(sink->Identity()), 3u);

  // A sink without the point's interface cannot connect.
  ComPtr<TTestServer> notASink(new TTestServer);
  DWORD refused = 7;
  EXPECT_EQ(point->Advise(notASink->Identity(), &refused), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(refused, 0u);
  EXPECT_EQ(point->Advise(nullptr, &refused), E_POINTER);
  EXPECT_EQ(point->Advise(sink->Identity(), nullptr), E_POINTER);

  ComPtr<IEnumConnections> connections;
  ASSERT_EQ(point->EnumConnections(connections.GetAddressOf()), S_OK);
  CONNECTDATA data[3];
  ULONG fetched = 0;
  EXPECT_EQ(connections->Next(3, data, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(data[0].dwCookie, first);
  EXPECT_EQ(data[1].dwCookie, second);
  EXPECT_EQ(static_cast<void*>(data[0].pUnk), static_cast<void*>(static_cast<ITestEvents*>(sink.Get())));
  data[0].pUnk->Release();
  data[1].pUnk->Release();

  EXPECT_EQ(point->Unadvise(first), S_OK);
  EXPECT_EQ(point->Unadvise(first), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point->Unadvise(0), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point->Unadvise(12345), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point->Unadvise(second), S_OK);

  // A cookie is not handed out again.
  DWORD third = 0;
  ASSERT_EQ(point->Advise(sink->Identity(), &third), S_OK);
  EXPECT_NE(third, first);
  EXPECT_NE(third, second);
  EXPECT_EQ(point->Unadvise(third), S_OK);
  // The enumerator holds its own references until it goes.
  EXPECT_EQ(References(sink->Identity()), 3u);
  connections.Reset();
  EXPECT_EQ(References(sink->Identity()), 1u);
}

TEST(ConnectionPoints, APointKeepsItsServerAlive) {
  TTestServer* raw = new TTestServer;
  ComPtr<IConnectionPoint> point;
  {
    ComPtr<TTestServer> server(raw);
    point = FindEvents(raw);
  }
  // Only the point's reference is left; it belongs to the server.
  EXPECT_EQ(References(raw->Identity()), 1u);
  ComPtr<IConnectionPointContainer> container;
  EXPECT_EQ(point->GetConnectionPointContainer(container.GetAddressOf()), S_OK);
}

TEST(ConnectionPoints, SinksMayUnadviseWhileTheServerCallsThem) {
  ComPtr<TTestServer> server(new TTestServer);
  ComPtr<IConnectionPoint> point = FindEvents(server.Get());
  ComPtr<TTestSink> first(new TTestSink), second(new TTestSink);
  DWORD firstCookie = 0, secondCookie = 0;
  ASSERT_EQ(point->Advise(first->Identity(), &firstCookie), S_OK);
  ASSERT_EQ(point->Advise(second->Identity(), &secondCookie), S_OK);

  // The first sink, when called, unadvises itself and the second one.
  first->OnCall = [&] {
    EXPECT_EQ(point->Unadvise(firstCookie), S_OK);
    EXPECT_EQ(point->Unadvise(secondCookie), S_OK);
  };
  EXPECT_EQ(server->Events().CallSinks<ITestEvents>([](ITestEvents* sink) { return sink->OnTick(1); }), S_OK);
  EXPECT_EQ(first->Values(), std::vector<LONG>{1});
  EXPECT_TRUE(second->Values().empty());
  EXPECT_TRUE(server->Events().Sinks().empty());
  EXPECT_EQ(References(first->Identity()), 1u);
  EXPECT_EQ(References(second->Identity()), 1u);
}

TEST(ConnectionPoints, AdviseNeedsAnApartment) {
  ComPtr<TTestServer> server(new TTestServer);
  ComPtr<IConnectionPoint> point = FindEvents(server.Get());
  ComPtr<TTestSink> sink(new TTestSink);
  std::thread([&] {
    DWORD cookie = 7;
    EXPECT_EQ(point->Advise(sink->Identity(), &cookie), CO_E_NOTINITIALIZED);
    EXPECT_EQ(cookie, 0u);
  }).join();
}
