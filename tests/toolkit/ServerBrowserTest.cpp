// The server browser on a fake enumeration: one item per class id with the union of its
// types, look-ups, name lists, iteration, item replacement and protocol checks.

#include <gtest/gtest.h>

#include "ClientTestSupport.h"

namespace {

// Reports the HDA simulator under two types when asked type by type (option 2, as the COM
// enumeration does), once with an empty type set otherwise; may fail after reporting.
class TFakeEnumeration : public TZelkImplements<TZelkIntfComponent, IZelkServerBrowser> {
public:
  TFakeEnumeration(std::vector<std::string>& Calls, bool Fail)
      : TZelkImplements(nullptr), FCalls(Calls), FFail(Fail) {}
  void Execute(tZelkServerSet Types, const std::string& Computer, const std::string& Proxy, int32_t Options,
               tZelkAddServerEvent Add) override {
    FCalls.push_back(std::to_string(Types.Bits()) + "|" + Computer + "|" + Proxy + "|" + std::to_string(Options));
    const bool typed = Options == 2;
    Add("Zelk HDA Simulation Server", "Zelk.HDASim.1", "{CLSID-HDA}", typed ? tZelkServerSet{svr_DA20} : tZelkServerSet{});
    if (typed) Add("Other caption", "Other.Name", "{CLSID-HDA}", {svr_HDA10});
    Add("Zelk DA Server", "Zelk.DASim.1", "{CLSID-DA}", {});
    Add("Upper", "ABC", "{CLSID-UPPER}", {});
    if (FFail) throw EOPCServerListException("The RPC server is unavailable.");
  }

private:
  std::vector<std::string>& FCalls;
  bool FFail;
};

class ServerBrowser : public testing::Test {
protected:
  void SetUp() override {
    DestroyConnectionRegistry();
    auto record = FakeTransport(coCOM);
    record->IFCreateZelkServerBrowser = [this] {
      return ComPtr<IZelkServerBrowser>(new TFakeEnumeration(FCalls, FFail));
    };
    RegisterConnection(std::move(record));
  }
  void TearDown() override { DestroyConnectionRegistry(); }

  std::vector<std::string> FCalls;
  bool FFail = false;
};

std::vector<std::string> Lines(const TStrings& list) {
  std::vector<std::string> lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Get(i));
  return lines;
}

TEST_F(ServerBrowser, EnumerationMergesTypesPerClassId) {
  TZelkServerBrowser browser(nullptr);
  EXPECT_EQ(browser.Servertype(), (tZelkServerSet{svr_DA10, svr_DA20, svr_DA30}));
  browser.SetProxyUA("proxy:1");
  browser.GetOPCServers("plant7");
  EXPECT_EQ(FCalls, (std::vector<std::string>{"7|plant7|proxy:1|2"}));
  ASSERT_EQ(browser.Count(), 3);
  const TZelkServerItem* hda = browser.Items(0);
  EXPECT_EQ(hda->Computername(), "plant7");
  EXPECT_EQ(hda->ServerCaption(), "Zelk HDA Simulation Server");  // the first report's texts stay
  EXPECT_EQ(hda->ServerName(), "Zelk.HDASim.1");
  EXPECT_EQ(hda->ServerType(), (tZelkServerSet{svr_DA20, svr_HDA10}));

  browser.Execute(false);  // one pass: empty type sets, the previous list replaced
  EXPECT_EQ(FCalls.back(), "7|plant7|proxy:1|0");
  ASSERT_EQ(browser.Count(), 3);
  EXPECT_TRUE(browser.Items(0)->ServerType().Empty());

  // A transport error propagates; what was reported before it stays.
  FFail = true;
  EXPECT_EQ(Raised([&] { browser.Execute(true); }), "The RPC server is unavailable.");
  EXPECT_EQ(browser.Count(), 3);
}

TEST_F(ServerBrowser, LookupsListsIterationAndReplacement) {
  TZelkServerBrowser browser(nullptr);
  TStringList names;
  names.Add("stale");
  browser.GetServerNames(&names);
  EXPECT_EQ(names.Count(), 0);
  EXPECT_FALSE(browser.GetEnumerator()->MoveNext());

  browser.Execute(true);
  browser.GetServerCaptions(&names);
  EXPECT_EQ(Lines(names), (std::vector<std::string>{"Zelk HDA Simulation Server", "Zelk DA Server", "Upper"}));
  browser.GetServerClsIds(&names);
  EXPECT_EQ(Lines(names), (std::vector<std::string>{"{CLSID-HDA}", "{CLSID-DA}", "{CLSID-UPPER}"}));
  EXPECT_EQ(browser.FindByServerName("abc"), -1);  // case counts
  EXPECT_EQ(browser.FindServer("{CLSID-UPPER}"), 2);  // by class id when no name matches
  EXPECT_EQ(browser.FindServer("Zelk.DASim.1"), 1);
  EXPECT_EQ(browser.FindServer("nothing"), -1);

  auto it = browser.GetEnumerator();
  std::vector<std::string> visited;
  while (it->MoveNext()) visited.push_back(it->Current()->ServerName());
  EXPECT_EQ(visited, (std::vector<std::string>{"Zelk.HDASim.1", "Zelk.DASim.1", "ABC"}));
  EXPECT_THROW(browser.Items(3), EListError);

  // The replaced item goes back to the caller instead of leaking.
  TZelkServerItem* first = browser.Items(0);
  std::unique_ptr<TZelkServerItem> old =
      browser.SetItems(0, std::make_unique<TZelkServerItem>("", "Manual", "Manual.1", "{MANUAL}"));
  EXPECT_EQ(old.get(), first);
  EXPECT_EQ(browser.FindByClassId("{MANUAL}"), 0);
  EXPECT_EQ(browser.SetItems(1, std::unique_ptr<TZelkServerItem>(browser.Items(1))), nullptr);  // itself
  EXPECT_EQ(Raised([&] { browser.SetItems(0, nullptr); }), "Server item is nil");
}

TEST_F(ServerBrowser, ProtocolNeedsARegisteredTransport) {
  TZelkServerBrowser browser(nullptr);
  EXPECT_EQ(Raised([&] { browser.SetProtocol(coUA); }),
            "Protocol not supported add ZelkXMLLink, ZelkCOMLink or ZelkUALink in uses clause");
  EXPECT_EQ(browser.Protocol(), coCOM);
  browser.Execute(true);
  DestroyConnectionRegistry();
  EXPECT_EQ(Raised([&] { browser.Execute(true); }),
            "Connection not registered\r\nadd ZelkXMLLink, ZelkCOMLink or ZelkUALink in uses clause");
  EXPECT_EQ(browser.Count(), 3);

  // A transport without server enumeration: a clear error, and the last list stays.
  RegisterConnection(FakeTransport(coCOM));
  EXPECT_EQ(Raised([&] { browser.Execute(true); }), "Server enumeration not supported by this connection type");
  EXPECT_EQ(browser.Count(), 3);
}

}  // namespace
