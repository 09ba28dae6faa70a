// The server browser component on a fake enumeration: one item per class id with the union of
// its types, look-ups, the name lists, iteration, item replacement and protocol checks.

#include <gtest/gtest.h>

#include "ClientTestSupport.h"

namespace {

struct TEnumerationCall {
  tZelkServerSet Types;
  std::string Computer;
  std::string Proxy;
  int32_t Options = -1;
};

class ServerBrowser : public testing::Test {
protected:
  void SetUp() override {
    DestroyConnectionRegistry();
    // Reports the HDA simulator under both requested types when asked type by type (as the COM
    // enumeration does with option 2), once with an empty type set otherwise.
    RegisterConnection(FakeTransport(coCOM, [this](tZelkServerSet types, const std::string& computer,
                                                   const std::string& proxy, int32_t options,
                                                   const tZelkAddServerEvent& add) {
      FCalls.push_back({types, computer, proxy, options});
      if (options == 2) {
        add("Zelk HDA Simulation Server", "Zelk.HDASim.1", "{CLSID-HDA}", {svr_DA20});
        add("Other caption", "Other.Name", "{CLSID-HDA}", {svr_HDA10});
        add("Zelk DA Server", "Zelk.DASim.1", "{CLSID-DA}", {svr_DA20});
        add("Upper", "ABC", "{CLSID-UPPER}", {svr_DA30});
      } else {
        add("Zelk HDA Simulation Server", "Zelk.HDASim.1", "{CLSID-HDA}", {});
        add("Zelk DA Server", "Zelk.DASim.1", "{CLSID-DA}", {});
      }
      if (FFailAfterReporting) throw EOPCServerListException("The RPC server is unavailable.");
    }));
  }
  void TearDown() override { DestroyConnectionRegistry(); }

  std::vector<TEnumerationCall> FCalls;
  bool FFailAfterReporting = false;
};

std::vector<std::string> Lines(const TStrings& list) {
  std::vector<std::string> lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Get(i));
  return lines;
}

TEST_F(ServerBrowser, EnumerationMergesTypesPerClassId) {
  TZelkServerBrowser browser(nullptr);
  EXPECT_EQ(browser.Protocol(), coCOM);
  EXPECT_EQ(browser.Servertype(), (tZelkServerSet{svr_DA10, svr_DA20, svr_DA30}));
  browser.SetProxyUA("proxy:1");
  browser.GetOPCServers("plant7");
  ASSERT_EQ(FCalls.size(), 1u);
  EXPECT_EQ(FCalls[0].Types, (tZelkServerSet{svr_DA10, svr_DA20, svr_DA30}));
  EXPECT_EQ(FCalls[0].Computer, "plant7");
  EXPECT_EQ(FCalls[0].Proxy, "proxy:1");
  EXPECT_EQ(FCalls[0].Options, 2);

  ASSERT_EQ(browser.Count(), 3);
  const TZelkServerItem* hda = browser.Items(0);
  EXPECT_EQ(hda->Computername(), "plant7");
  EXPECT_EQ(hda->ServerCaption(), "Zelk HDA Simulation Server");  // the first report's texts stay
  EXPECT_EQ(hda->ServerName(), "Zelk.HDASim.1");
  EXPECT_EQ(hda->ServerClsId(), "{CLSID-HDA}");
  EXPECT_EQ(hda->ServerType(), (tZelkServerSet{svr_DA20, svr_HDA10}));
  EXPECT_EQ(hda->Tag(), 0);

  // Without types: one pass, items with empty type sets, the previous list replaced.
  browser.SetComputerName("");
  browser.Execute(false);
  EXPECT_EQ(FCalls[1].Options, 0);
  ASSERT_EQ(browser.Count(), 2);
  EXPECT_TRUE(browser.Items(0)->ServerType().Empty());
  EXPECT_EQ(browser.Items(0)->Computername(), "");

  // A transport error propagates; what was reported before it stays.
  FFailAfterReporting = true;
  EXPECT_EQ(RaisedMessage([&] { browser.Execute(true); }), "The RPC server is unavailable.");
  EXPECT_EQ(browser.Count(), 3);
}

TEST_F(ServerBrowser, LookupsListsAndIteration) {
  TZelkServerBrowser browser(nullptr);
  TStringList names;
  names.Add("stale");
  browser.GetServerNames(&names);
  EXPECT_EQ(names.Count(), 0);
  auto empty = browser.GetEnumerator();
  EXPECT_FALSE(empty->MoveNext());

  browser.Execute(true);
  browser.GetServerCaptions(&names);
  EXPECT_EQ(Lines(names), (std::vector<std::string>{"Zelk HDA Simulation Server", "Zelk DA Server", "Upper"}));
  browser.GetServerNames(&names);
  EXPECT_EQ(Lines(names), (std::vector<std::string>{"Zelk.HDASim.1", "Zelk.DASim.1", "ABC"}));
  browser.GetServerClsIds(&names);
  EXPECT_EQ(Lines(names), (std::vector<std::string>{"{CLSID-HDA}", "{CLSID-DA}", "{CLSID-UPPER}"}));

  EXPECT_EQ(browser.FindByServerName("Zelk.DASim.1"), 1);
  EXPECT_EQ(browser.FindByServerName("abc"), -1);  // case counts
  EXPECT_EQ(browser.FindByClassId("{clsid-da}"), -1);
  EXPECT_EQ(browser.FindServer("{CLSID-UPPER}"), 2);  // by class id when no name matches
  EXPECT_EQ(browser.FindServer("ABC"), 2);
  EXPECT_EQ(browser.FindServer("nothing"), -1);

  auto it = browser.GetEnumerator();
  std::vector<std::string> visited;
  while (it->MoveNext()) visited.push_back(it->Current()->ServerName());
  EXPECT_EQ(visited, (std::vector<std::string>{"Zelk.HDASim.1", "Zelk.DASim.1", "ABC"}));
  EXPECT_FALSE(it->MoveNext());
  EXPECT_EQ(it->Current()->ServerName(), "ABC");  // stays on the last item

  EXPECT_THROW(browser.Items(3), EListError);
  EXPECT_THROW(browser.Items(-1), EListError);
  browser.Clear();
  EXPECT_EQ(browser.Count(), 0);
}

TEST_F(ServerBrowser, ReplacingAnItemHandsTheOldOneBack) {
  TZelkServerBrowser browser(nullptr);
  browser.Execute(true);
  TZelkServerItem* first = browser.Items(0);
  std::unique_ptr<TZelkServerItem> old =
      browser.SetItems(0, std::make_unique<TZelkServerItem>("", "Manual", "Manual.1", "{MANUAL}"));
  EXPECT_EQ(old.get(), first);
  EXPECT_EQ(browser.Items(0)->ServerName(), "Manual.1");
  EXPECT_EQ(browser.FindByClassId("{MANUAL}"), 0);
  EXPECT_EQ(browser.SetItems(1, std::unique_ptr<TZelkServerItem>(browser.Items(1))), nullptr);  // itself
  EXPECT_EQ(browser.Items(1)->ServerName(), "Zelk.DASim.1");
  EXPECT_EQ(RaisedMessage([&] { browser.SetItems(0, nullptr); }), "Server item is nil");
  EXPECT_THROW(browser.SetItems(3, std::make_unique<TZelkServerItem>()), EListError);
}

TEST_F(ServerBrowser, ProtocolNeedsARegisteredTransport) {
  TZelkServerBrowser browser(nullptr);
  EXPECT_EQ(RaisedMessage([&] { browser.SetProtocol(coUA); }),
            "Protocol not supported add ZelkXMLLink, ZelkCOMLink or ZelkUALink in uses clause");
  EXPECT_EQ(browser.Protocol(), coCOM);
  RegisterConnection(FakeTransport(coUA, [](tZelkServerSet, const std::string&, const std::string&, int32_t,
                                            const tZelkAddServerEvent& add) {
    add("UA endpoint", "opc.tcp://plant:4840", "opc.tcp://plant:4840", {svr_UA});
  }));
  browser.SetProtocol(coUA);
  browser.Execute(true);
  EXPECT_EQ(browser.Items(0)->ServerClsId(), "opc.tcp://plant:4840");

  // The registration gone, enumeration raises the registry's error.
  DestroyConnectionRegistry();
  EXPECT_EQ(RaisedMessage([&] { browser.Execute(true); }),
            "Connection not registered\r\nadd ZelkXMLLink, ZelkCOMLink or ZelkUALink in uses clause");
  EXPECT_EQ(browser.Count(), 1);
}

}  // namespace
