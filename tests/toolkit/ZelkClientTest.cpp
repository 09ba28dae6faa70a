// The client component on a fake transport: activation and deactivation sequences, protocol
// and parameter rules, shutdown requests, keep-alive failures, log messages and errors.

#include <gtest/gtest.h>

#include <thread>

#include "ClientTestSupport.h"

namespace {

using TJournal = std::vector<std::string>;

class ZelkClient : public ComRegistered {};

// A log entry that counts its own destruction.
class TCountedLogMsg : public TZelkLogMsg {
public:
  explicit TCountedLogMsg(int& Freed) : FFreed(Freed) {}
  ~TCountedLogMsg() override { ++FFreed; }

private:
  int& FFreed;
};

TEST_F(ZelkClient, ActivationAndDeactivationRunInTheirOrder) {
  TFakeScript script;
  TTestClient client(nullptr, script);
  EXPECT_EQ(client.Protocol(), coCOM);
  EXPECT_EQ(client.Version(), "unknown");
  EXPECT_EQ(client.Params()->Text(),
            "xml-user=\r\nxml-pass=\r\nxml-proxy=\r\nua-usermode=\r\nua-user=\r\nua-pass=\r\nua-data=\r\n"
            "ua-proxy=\r\nua-cert-file=\r\nua-pkey-file=\r\nua-securitymode=\r\nua-securitypolicy=\r\n");
  client.SetClientName("Tester");
  client.SetLogLevel(3);
  client.Connect("Zelk.HDASim.1", "plant7");
  EXPECT_TRUE(client.Active());
  EXPECT_EQ(script.Journal, (TJournal{"CreateConnection", "SetOption LOGLEVEL=3", "SetOption USESYNC=1",
                                      "Connect Tester|Zelk.HDASim.1|plant7|12|0", "AfterConnect",
                                      "OnConnect Active=1", "AfterActivate"}));

  // Changes reach a live connection.
  script.Journal.clear();
  client.SetClientName("Other");
  client.SetLogLevel(5);
  EXPECT_EQ(script.Journal, (TJournal{"SetClientName Other", "SetOption LOGLEVEL=5"}));

  script.Journal.clear();
  client.Disconnect();
  EXPECT_FALSE(client.Active());
  EXPECT_EQ(script.Journal, (TJournal{"BeforeDeactivate", "Disconnect", "OnDisconnect Active=0", "Released"}));
  script.Journal.clear();
  client.Disconnect();  // inactive: nothing
  EXPECT_TRUE(script.Journal.empty());

  // The transport learns where messages are delivered.
  client.UseSynchronize(false);
  client.SetActive(true);
  EXPECT_EQ(script.Journal[2], "SetOption USESYNC=0");
}

TEST_F(ZelkClient, FailuresWhileConnectingAndDisconnecting) {
  TFakeScript script;
  TTestClient client(nullptr, script);
  client.SetServerName("Bad.Server");
  script.FailConnect = true;
  EXPECT_EQ(RaisedMessage([&] { client.SetActive(true); }), "Unable to connect to OPC server Bad.Server");
  EXPECT_FALSE(client.Active());
  EXPECT_EQ(std::count(script.Journal.begin(), script.Journal.end(), "OnConnect Active=1"), 0);
  EXPECT_EQ(script.Connections, 1);  // lingers until the next activation

  script.FailConnect = false;
  script.Journal.clear();
  client.SetActive(true);
  EXPECT_TRUE(client.Active());
  EXPECT_EQ(script.Journal[0], "Released");  // the failed one goes before a new one is made
  EXPECT_EQ(script.Journal[1], "CreateConnection");
  EXPECT_EQ(script.Connections, 1);

  // A failing Disconnect still leaves the component inactive, told and released.
  script.FailDisconnect = true;
  script.Journal.clear();
  EXPECT_EQ(RaisedMessage([&] { client.SetActive(false); }), "The RPC server is unavailable.");
  EXPECT_FALSE(client.Active());
  EXPECT_EQ(script.Journal, (TJournal{"BeforeDeactivate", "Disconnect", "OnDisconnect Active=0", "Released"}));
  EXPECT_EQ(script.Connections, 0);
}

TEST_F(ZelkClient, ServerNameComputerNameAndProtocolChanges) {
  RegisterConnection(FakeTransport(coXML));
  TFakeScript script;
  TTestClient client(nullptr, script);
  client.Connect("A.Server", "");
  script.Journal.clear();
  client.SetServerName("A.Server");
  client.SetComputerName("");
  EXPECT_TRUE(client.Active());
  EXPECT_TRUE(script.Journal.empty());
  client.SetServerName("a.server");  // case counts
  EXPECT_FALSE(client.Active());
  EXPECT_EQ(script.Journal.back(), "Released");

  client.SetActive(true);
  client.SetComputerName("other");
  EXPECT_FALSE(client.Active());

  // A new protocol reconnects an active component: disconnect first, then connect.
  client.SetActive(true);
  script.Journal.clear();
  client.SetProtocol(coXML);
  EXPECT_TRUE(client.Active());
  const TJournal events = [&] {
    TJournal found;
    for (const std::string& entry : script.Journal)
      if (entry.starts_with("On")) found.push_back(entry);
    return found;
  }();
  EXPECT_EQ(events, (TJournal{"OnDisconnect Active=0", "OnConnect Active=1"}));
}

TEST_F(ZelkClient, ProtocolDetectedFromTheServerName) {
  TFakeScript script;
  TTestClient client(nullptr, script);
  client.SetServerName("OPC.TCP://plant:4840/hda");
  EXPECT_EQ(RaisedMessage([&] { client.SetActive(true); }), "Protocol not supported (add ZelkUALink in uses clause)");
  EXPECT_EQ(client.Protocol(), coUA);
  EXPECT_FALSE(client.Active());
  EXPECT_TRUE(script.Journal.empty());

  client.SetServerName("see http://plant/xmlda");
  EXPECT_EQ(RaisedMessage([&] { client.SetActive(true); }), "Protocol not supported (add ZelkXMLLink in uses clause)");
  EXPECT_EQ(client.Protocol(), coXML);

  // The secure scheme names no protocol, so the last one stays.
  client.SetServerName("https://plant/xmlda");
  client.DetectProtocol();
  EXPECT_EQ(client.Protocol(), coXML);
  client.SetProtocol(coCOM);
  client.DetectProtocol();
  EXPECT_EQ(client.Protocol(), coCOM);

  DestroyConnectionRegistry();
  EXPECT_EQ(RaisedMessage([&] { client.SetActive(true); }), "Protocol not supported (add ZelkCOMLink in uses clause)");
  EXPECT_EQ(RaisedMessage([&] { TTestClient orphan(nullptr, script); }),
            "No default connection registered add ZelkXMLLink, ZelkCOMLink or ZelkUALink in uses clause");
}

TEST_F(ZelkClient, KeepAliveAndParameterRules) {
  TFakeScript script;
  TTestClient client(nullptr, script);
  for (auto [set, read] : std::vector<std::pair<int32_t, int32_t>>{
           {1, 500}, {499, 500}, {-5, 500}, {0, 0}, {500, 500}, {501, 501}, {INT32_MIN, 500}}) {
    client.SetKeepAlive(set);
    EXPECT_EQ(client.KeepAlive(), read) << "set " << set;
  }

  client.SetParam("user", "x");  // COM: the key as given
  EXPECT_EQ(client.Params()->Values("user"), "x");
  EXPECT_EQ(client.Params()->Count(), 13);
  client.SetProtocol(coXML);
  client.SetParam("user", "y");
  client.SetParam("xml-pass", "secret");
  client.SetParam("XML-PROXY", "");  // an empty value changes nothing
  EXPECT_EQ(client.Params()->Values("xml-user"), "y");
  EXPECT_EQ(client.Params()->Values("xml-pass"), "secret");
  client.SetParam("Proxy", "p:8080");  // the prefix is case-sensitive, the name match is not
  EXPECT_EQ(client.Params()->Values("xml-Proxy"), "p:8080");
  EXPECT_EQ(client.Params()->Count(), 13);
  client.SetProtocol(coUA);
  client.SetParam("securitymode", "3");
  client.SetParam("ua-user", "op");
  EXPECT_EQ(client.Params()->Values("ua-securitymode"), "3");
  EXPECT_EQ(client.Params()->Values("ua-user"), "op");

  TStringList replacement;
  replacement.Add("only=1");
  client.SetParams(&replacement);
  EXPECT_EQ(client.Params()->Text(), "only=1\r\n");
}

TEST_F(ZelkClient, ShutdownRequestsFromAnotherThread) {
  RegisterConnection(FakeTransport(coUA));
  TFakeScript script;
  TTestClient client(nullptr, script);
  std::vector<std::string> reasons;
  client.OnServerShutdown = [&](TObject* sender, const std::string& reason) {
    EXPECT_EQ(sender, &client);
    EXPECT_TRUE(client.Active());
    reasons.push_back(reason);
    script.Journal.push_back("OnServerShutdown");
  };
  client.Connect("Zelk.HDASim.1", "");
  script.Journal.clear();
  std::thread sink([&] {
    client.PostMsg(ZelkMsgShutdown, 0, nullptr);
    client.PostMsg(ZelkMsgShutdown, 0, nullptr);  // a second request changes nothing
  });
  sink.join();
  ASSERT_TRUE(PumpUntil([&] { return !client.Active(); }));
  PumpFor(50);
  EXPECT_EQ(reasons, (TJournal{""}));
  EXPECT_EQ(script.Journal, (TJournal{"OnServerShutdown", "BeforeDeactivate", "Disconnect", "OnDisconnect Active=0",
                                      "Released"}));

  // Reason texts: decimal, or "$" and upper-case hex for UA.
  client.SetActive(true);
  client.PostMsg(ZelkMsgShutdown, 26, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return !client.Active(); }));
  client.SetServerName("opc.tcp://plant:4840");
  client.SetActive(true);
  EXPECT_EQ(client.Protocol(), coUA);
  client.PostMsg(ZelkMsgShutdown, 26, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return !client.Active(); }));
  EXPECT_EQ(reasons, (TJournal{"", "26", "$1A"}));
  EXPECT_EQ(client.ServerStateStr(4), "shutdown");
  client.SetProtocol(coCOM);
  EXPECT_EQ(client.ServerStateStr(4), "suspended");
}

TEST_F(ZelkClient, KeepAliveFailureWithAndWithoutTimeoutHandler) {
  TFakeScript script;
  TTestClient client(nullptr, script);
  int freed = 0;
  std::vector<std::string> logged;
  client.OnLog = [&](TObject*, TZelkLogMsg* msg) { logged.push_back(msg->Msg); };
  client.OnTimeout = [&](TObject*) { script.Journal.push_back("OnTimeout"); };
  client.SetKeepAlive(500);
  client.Connect("Zelk.HDASim.1", "");

  // The real timer probes the server.
  ASSERT_TRUE(PumpUntil([&] { return script.DoTimerCalls >= 1; }, 3000));
  EXPECT_TRUE(client.Active());

  script.ServerAlive = false;
  script.Journal.clear();
  ASSERT_TRUE(PumpUntil([&] { return !client.Active(); }, 3000));
  EXPECT_EQ(script.Journal, (TJournal{"OnTimeout", "BeforeDeactivate", "Disconnect", "OnDisconnect Active=0",
                                      "Released"}));
  // Messages still queued for the dead connection are ignored; their payloads are freed.
  auto* late = new TCountedLogMsg(freed);
  late->Msg = "late";
  client.PostMsg(ZelkMsgLog, 0, late);
  client.PostMsg(ZelkMsgShutdown, 0, nullptr);
  PumpFor(100);
  EXPECT_TRUE(logged.empty());
  EXPECT_EQ(freed, 1);
  const int probes = script.DoTimerCalls;
  PumpFor(700);
  EXPECT_EQ(script.DoTimerCalls, probes) << "the timer outlived the connection";

  // Without OnTimeout the component deactivates quietly and later messages are handled.
  client.OnTimeout = nullptr;
  client.SetKeepAlive(0);
  client.SetActive(true);
  script.Journal.clear();
  client.PostMsg(ZelkMsgTimer, 0, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return !client.Active(); }));
  EXPECT_EQ(script.Journal.front(), "BeforeDeactivate");
  auto* next = new TCountedLogMsg(freed);
  next->Msg = "after";
  next->LogSeverity = 2;
  client.PostMsg(ZelkMsgLog, 0, next);
  ASSERT_TRUE(PumpUntil([&] { return freed == 2; }));
  EXPECT_EQ(logged, (TJournal{"after"}));

  // A timer message on an inactive component does nothing.
  const int calls = script.DoTimerCalls;
  client.PostMsg(ZelkMsgTimer, 0, nullptr);
  PumpFor(50);
  EXPECT_EQ(script.DoTimerCalls, calls);
}

TEST_F(ZelkClient, LogMessagesReachOnLogAndAreFreed) {
  TFakeScript script;
  TTestClient client(nullptr, script);
  int freed = 0;
  auto* unheard = new TCountedLogMsg(freed);
  client.PostMsg(ZelkMsgLog, 0, unheard);  // no handler: freed all the same
  ASSERT_TRUE(PumpUntil([&] { return freed == 1; }));

  TZelkLogMsg copy;
  client.OnLog = [&](TObject* sender, TZelkLogMsg* msg) {
    EXPECT_EQ(sender, &client);
    copy.Assign(msg);
  };
  auto* entry = new TCountedLogMsg(freed);
  entry->LogTime = 45000.5;
  entry->LogSeverity = 3;
  entry->LogType = 7;
  entry->Msg = "read";
  entry->Detail = "12 values";
  client.PostMsg(ZelkMsgLog, 0, entry);
  client.PostMsg(ZelkMsgLog, 0, new TZelkItemProperty);  // not a log entry: freed unheard
  ASSERT_TRUE(PumpUntil([&] { return freed == 2; }));
  EXPECT_EQ(copy.LogTime, 45000.5);
  EXPECT_EQ(copy.LogSeverity, 3);
  EXPECT_EQ(copy.LogType, 7u);
  EXPECT_EQ(copy.Msg, "read");
  EXPECT_EQ(copy.Detail, "12 values");
}

TEST_F(ZelkClient, ErrorsAndConnectionQueries) {
  TFakeScript script;
  TTestClient client(nullptr, script);
  std::vector<std::string> offered;
  client.OnError = [&](TObject*, const std::string& text, bool& raise) {
    offered.push_back(text);
    raise = false;
  };
  // Without a connection it raises even when the handler says not to.
  EXPECT_EQ(RaisedMessage([&] { client.CheckConnected(); }), "Not connected to server");
  EXPECT_EQ(offered, (TJournal{"Not connected to server"}));
  EXPECT_EQ(RaisedMessage([&] { client.DoError("quiet"); }), "(nothing raised)");
  client.OnError = nullptr;
  EXPECT_EQ(RaisedMessage([&] { client.DoError("loud"); }), "loud");
  EXPECT_EQ(RaisedMessage([&] { client.LocaleId(); }), "Not connected to server");
  EXPECT_EQ(RaisedMessage([&] { client.ServerTypeName(); }), "Not connected to server");

  client.SetServerName("Zelk.HDASim.1");
  EXPECT_EQ(client.ServerCaption(), "Caption of Zelk.HDASim.1");
  EXPECT_EQ(client.ServerClsId(), "{Zelk.HDASim.1}");
  EXPECT_EQ(client.GetState().ServerState, 1);

  client.SetActive(true);
  EXPECT_TRUE(client.CheckConnected());
  client.FWrongServertype = true;
  EXPECT_EQ(RaisedMessage([&] { client.CheckConnected(); }), "Server does not support requested specification");
  client.SetLocaleId(0x407);
  EXPECT_EQ(client.LocaleId(), 0x407);
  const std::vector<std::pair<int32_t, std::string>> names{
      {1, "DA 1 OPC Server"},     {2, "DA 2 OPC Server"},   {3, "DA 3 OPC Server"},
      {4, "XML DA 1 OPC Server"}, {5, "OPC UA 1 Server "}, {0, "unknown"}};
  for (const auto& [type, name] : names) {
    script.Servertype = type;
    EXPECT_EQ(client.ServerTypeName(), name);
    EXPECT_EQ(client.Version2(), type == 2);
    EXPECT_EQ(client.Version3(), type == 3);
  }
}

// A subclass that forgets CreateConnection.
class TBareClient : public TZelkClient {
public:
  using TZelkClient::TZelkClient;

protected:
  void GetServerInfo(TServerStateRecord&) override {}
};

TEST_F(ZelkClient, DestructionAndMissingCreateConnection) {
  TBareClient bare(nullptr);
  EXPECT_EQ(RaisedMessage([&] { bare.SetActive(true); }), "please override CreateConnection");
  EXPECT_FALSE(bare.Active());

  // Destroying an active component disconnects without OnDisconnect.
  TFakeScript script;
  {
    TTestClient client(nullptr, script);
    client.SetActive(true);
    script.Journal.clear();
  }
  EXPECT_EQ(script.Journal, (TJournal{"BeforeDeactivate", "Disconnect", "Released"}));

  // A shutdown handler may free its component.
  auto* client = new TTestClient(nullptr, script);
  client->OnServerShutdown = [client](TObject*, const std::string&) { delete client; };
  client->SetActive(true);
  script.Journal.clear();
  client->PostMsg(ZelkMsgShutdown, 0, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return script.Connections == 0; }));
  EXPECT_EQ(script.Journal, (TJournal{"BeforeDeactivate", "Disconnect", "Released"}));
}

}  // namespace
