// The client component on a fake transport: activation and deactivation sequences, protocol
// and parameter rules, shutdown requests, keep-alive failures, log messages and errors.

#include <gtest/gtest.h>

#include <thread>

#include "ClientTestSupport.h"

namespace {

class ZelkClient : public ComRegistered {};

class TCountedLogMsg : public TZelkLogMsg {
public:
  TCountedLogMsg(int& Freed, std::string Text) : FFreed(Freed) { Msg = std::move(Text); }
  ~TCountedLogMsg() override { ++FFreed; }

private:
  int& FFreed;
};

TEST_F(ZelkClient, ActivationDeactivationAndTheirFailures) {
  TFakeScript script;
  TTestClient client(nullptr, script);
  EXPECT_EQ(client.Protocol(), coCOM);
  EXPECT_EQ(client.Params()->Text(),
            "xml-user=\r\nxml-pass=\r\nxml-proxy=\r\nua-usermode=\r\nua-user=\r\nua-pass=\r\nua-data=\r\n"
            "ua-proxy=\r\nua-cert-file=\r\nua-pkey-file=\r\nua-securitymode=\r\nua-securitypolicy=\r\n");
  client.SetClientName("Tester");
  client.SetLogLevel(3);
  client.Connect("Zelk.HDASim.1", "plant7");
  EXPECT_EQ(script.Journal, (TJournal{"CreateConnection", "SetOption LOGLEVEL=3", "SetOption USESYNC=1",
                                      "Connect Tester|Zelk.HDASim.1|plant7|12|0", "AfterConnect", "OnConnect",
                                      "AfterActivate"}));
  script.Journal.clear();
  client.SetClientName("Other");
  client.Disconnect();
  client.Disconnect();  // inactive: nothing
  EXPECT_EQ(script.Journal,
            (TJournal{"SetClientName Other", "BeforeDeactivate", "Disconnect", "OnDisconnect", "Released"}));

  // A failed connect leaves the component inactive and its connection object lingering
  // until the next activation, which releases it before creating another.
  script.FailConnect = true;
  EXPECT_EQ(Raised([&] { client.SetActive(true); }), "Unable to connect to OPC server Zelk.HDASim.1");
  EXPECT_FALSE(client.Active());
  EXPECT_EQ(script.Connections, 1);
  script.FailConnect = false;
  script.Journal.clear();
  client.UseSynchronize(false);
  client.SetActive(true);
  EXPECT_EQ(TJournal(script.Journal.begin(), script.Journal.begin() + 4),
            (TJournal{"Released", "CreateConnection", "SetOption LOGLEVEL=3", "SetOption USESYNC=0"}));

  // A failing Disconnect still leaves it inactive, told and released; then the error surfaces.
  script.FailDisconnect = true;
  script.Journal.clear();
  EXPECT_EQ(Raised([&] { client.SetActive(false); }), "The RPC server is unavailable.");
  EXPECT_FALSE(client.Active());
  EXPECT_EQ(script.Journal, (TJournal{"BeforeDeactivate", "Disconnect", "OnDisconnect", "Released"}));
}

TEST_F(ZelkClient, NameAndProtocolChanges) {
  RegisterConnection(FakeTransport(coXML));
  TFakeScript script;
  TTestClient client(nullptr, script);
  client.Connect("A.Server", "");
  client.SetServerName("A.Server");
  client.SetComputerName("");
  EXPECT_TRUE(client.Active());
  client.SetServerName("a.server");  // case counts; no reconnect
  EXPECT_FALSE(client.Active());
  client.SetActive(true);
  client.SetComputerName("other");
  EXPECT_FALSE(client.Active());

  client.SetActive(true);
  script.Journal.clear();
  client.SetProtocol(coXML);
  EXPECT_TRUE(client.Active());
  EXPECT_EQ(script.Journal[2], "OnDisconnect");
  EXPECT_EQ(script.Journal[script.Journal.size() - 2], "OnConnect");

  // The server name picks the protocol before the registry is asked.
  client.SetServerName("OPC.TCP://plant:4840/hda");
  EXPECT_EQ(Raised([&] { client.SetActive(true); }), "Protocol not supported (add ZelkUALink in uses clause)");
  EXPECT_EQ(client.Protocol(), coUA);
  client.SetServerName("https://plant/xmlda");  // names no protocol
  client.DetectProtocol();
  EXPECT_EQ(client.Protocol(), coUA);
  client.SetServerName("see http://plant/xmlda");
  client.DetectProtocol();
  EXPECT_EQ(client.Protocol(), coXML);

  DestroyConnectionRegistry();
  EXPECT_EQ(Raised([&] { client.SetActive(true); }), "Protocol not supported (add ZelkXMLLink in uses clause)");
  client.SetServerName("");
  client.SetProtocol(coCOM);
  EXPECT_EQ(Raised([&] { client.SetActive(true); }), "Protocol not supported (add ZelkCOMLink in uses clause)");
  EXPECT_EQ(Raised([&] { TTestClient another(nullptr, script); }),
            "No default connection registered add ZelkXMLLink, ZelkCOMLink or ZelkUALink in uses clause");
}

TEST_F(ZelkClient, KeepAliveClampingAndParameterPrefixes) {
  TFakeScript script;
  TTestClient client(nullptr, script);
  for (auto [set, read] : std::vector<std::pair<int32_t, int32_t>>{{1, 500}, {499, 500}, {-5, 500}, {0, 0}, {501, 501}}) {
    client.SetKeepAlive(set);
    EXPECT_EQ(client.KeepAlive(), read) << "set " << set;
  }
  client.SetParam("user", "x");  // COM keeps the key
  EXPECT_EQ(client.Params()->Values("user"), "x");
  client.SetProtocol(coXML);
  client.SetParam("user", "y");
  client.SetParam("XML-PROXY", "");  // an empty value changes nothing
  client.SetParam("Proxy", "p:8080");
  EXPECT_EQ(client.Params()->Values("xml-user"), "y");
  EXPECT_EQ(client.Params()->Values("xml-proxy"), "p:8080");
  client.SetProtocol(coUA);
  client.SetParam("securitymode", "3");
  client.SetParam("ua-user", "op");
  EXPECT_EQ(client.Params()->Values("ua-securitymode"), "3");
  EXPECT_EQ(client.Params()->Values("ua-user"), "op");
  EXPECT_EQ(client.Params()->Count(), 13);
}

TEST_F(ZelkClient, ShutdownRequestsFromAnotherThread) {
  RegisterConnection(FakeTransport(coUA));
  TFakeScript script;
  TTestClient client(nullptr, script);
  TJournal reasons;
  client.OnServerShutdown = [&](TObject*, const std::string& reason) {
    reasons.push_back(reason);
    script.Journal.push_back(client.Active() ? "OnServerShutdown" : "OnServerShutdown while inactive");
  };
  client.SetActive(true);
  script.Journal.clear();
  std::thread([&] {
    client.PostMsg(ZelkMsgShutdown, 0, nullptr);
    client.PostMsg(ZelkMsgShutdown, 0, nullptr);  // changes nothing
  }).join();
  ASSERT_TRUE(PumpUntil([&] { return script.Journal.size() >= 5; }));
  PumpUntil([] { return false; }, 50);
  EXPECT_EQ(script.Journal,
            (TJournal{"OnServerShutdown", "BeforeDeactivate", "Disconnect", "OnDisconnect", "Released"}));

  // The reason: decimal, or "$" and upper-case hex for UA.
  client.SetActive(true);
  client.PostMsg(ZelkMsgShutdown, 26, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return !client.Active(); }));
  client.SetServerName("opc.tcp://plant:4840");
  client.SetActive(true);
  client.PostMsg(ZelkMsgShutdown, 26, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return !client.Active(); }));
  EXPECT_EQ(reasons, (TJournal{"", "26", "$1A"}));
}

TEST_F(ZelkClient, KeepAliveFailureAndLogMessages) {
  TFakeScript script;
  TTestClient client(nullptr, script);
  int freed = 0;
  TJournal logged;
  client.OnLog = [&](TObject*, TZelkLogMsg* msg) { logged.push_back(msg->Msg); };
  client.OnTimeout = [&](TObject*) { script.Journal.push_back("OnTimeout"); };
  client.SetKeepAlive(500);
  client.SetActive(true);
  ASSERT_TRUE(PumpUntil([&] { return script.DoTimerCalls >= 1; }, 3000));  // the real timer
  script.ServerAlive = false;
  script.Journal.clear();
  ASSERT_TRUE(PumpUntil([&] { return !client.Active(); }, 3000));
  EXPECT_EQ(script.Journal, (TJournal{"OnTimeout", "BeforeDeactivate", "Disconnect", "OnDisconnect", "Released"}));
  // Messages still queued for the dead connection are ignored, their payloads freed, and the
  // timer ended with it.
  client.PostMsg(ZelkMsgLog, 0, new TCountedLogMsg(freed, "late"));
  const int probes = script.DoTimerCalls;
  PumpUntil([] { return false; }, 700);
  EXPECT_TRUE(logged.empty());
  EXPECT_EQ(freed, 1);
  EXPECT_EQ(script.DoTimerCalls, probes);

  // Without OnTimeout it deactivates quietly and later messages are handled.
  client.OnTimeout = nullptr;
  client.SetKeepAlive(0);
  client.SetActive(true);
  client.PostMsg(ZelkMsgTimer, 0, nullptr);
  client.PostMsg(ZelkMsgLog, 0, new TCountedLogMsg(freed, "after"));
  client.PostMsg(ZelkMsgLog, 0, new TZelkItemProperty);  // not a log entry: freed unheard
  client.PostMsg(ZelkMsgTimer, 0, nullptr);              // inactive: no probe
  ASSERT_TRUE(PumpUntil([&] { return freed == 2; }));
  PumpUntil([] { return false; }, 50);
  EXPECT_FALSE(client.Active());
  EXPECT_EQ(logged, (TJournal{"after"}));
  EXPECT_EQ(script.DoTimerCalls, probes + 1);
}

TEST_F(ZelkClient, ErrorsAndConnectionQueries) {
  TFakeScript script;
  TTestClient client(nullptr, script);
  TJournal offered;
  client.OnError = [&](TObject*, const std::string& text, bool& raise) {
    offered.push_back(text);
    raise = false;
  };
  // Without a connection it raises even when the handler says not to.
  EXPECT_EQ(Raised([&] { client.CheckConnected(); }), "Not connected to server");
  EXPECT_EQ(Raised([&] { client.DoError("quiet"); }), "(nothing raised)");
  EXPECT_EQ(offered, (TJournal{"Not connected to server", "quiet"}));
  EXPECT_EQ(Raised([&] { client.LocaleId(); }), "Not connected to server");

  client.SetServerName("Zelk.HDASim.1");
  EXPECT_EQ(client.ServerCaption(), "Caption of Zelk.HDASim.1");
  EXPECT_EQ(client.ServerClsId(), "{Zelk.HDASim.1}");
  client.SetActive(true);
  client.FWrongServertype = true;
  EXPECT_EQ(Raised([&] { client.CheckConnected(); }), "Server does not support requested specification");
  const std::vector<std::pair<int32_t, std::string>> names{{1, "DA 1 OPC Server"},     {2, "DA 2 OPC Server"},
                                                           {3, "DA 3 OPC Server"},     {4, "XML DA 1 OPC Server"},
                                                           {5, "OPC UA 1 Server "},    {6, "unknown"}};
  for (const auto& [type, name] : names) {
    script.Servertype = type;
    EXPECT_EQ(client.ServerTypeName(), name);
    EXPECT_EQ(client.Version3(), type == 3);
  }
}

class TBareClient : public TZelkClient {
public:
  using TZelkClient::TZelkClient;

protected:
  void GetServerInfo(TServerStateRecord&) override {}
};

TEST_F(ZelkClient, DestructionAndMissingCreateConnection) {
  TBareClient bare(nullptr);
  EXPECT_EQ(Raised([&] { bare.SetActive(true); }), "please override CreateConnection");

  TFakeScript script;
  {
    TTestClient client(nullptr, script);
    client.SetActive(true);
    script.Journal.clear();
  }
  EXPECT_EQ(script.Journal, (TJournal{"BeforeDeactivate", "Disconnect", "Released"}));  // no OnDisconnect

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
