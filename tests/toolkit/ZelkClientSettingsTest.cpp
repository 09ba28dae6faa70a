// The client component's settings text: the exact written form, reading it back, connecting
// after the load, and malformed or hostile input.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ClientTestSupport.h"
#include "platform/rtl/Streams.h"

namespace {

class ZelkClientSettings : public ComRegistered {
protected:
  void TearDown() override {
    std::filesystem::remove(FFile);
    ComRegistered::TearDown();
  }

  std::string SaveText(const TZelkClient& client) {
    TMemoryStream stream;
    client.SaveToStream(stream);
    return std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
  }

  void LoadText(TZelkClient& client, const std::string& text) {
    TMemoryStream stream;
    stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    stream.SetPosition(0);
    client.LoadFromStream(stream);
  }

  void WriteFile(const std::string& text) { std::ofstream(FFile, std::ios::binary) << text; }

  const std::string FFile = testing::TempDir() + "zelk_client_settings.txt";
  TFakeScript FScript;
};

TEST_F(ZelkClientSettings, WrittenForm) {
  TTestClient client(nullptr, FScript);
  EXPECT_EQ(SaveText(client),
            "object TTestClient\r\n"
            "  Active = False\r\n"
            "  KeepAlive = 0\r\n"
            "  Version = 'unknown'\r\n"
            "  LogLevel = 0\r\n"
            "end\r\n");

  client.SetName("Client1");
  client.SetTag(5);
  client.SetServerName("It's Zelk \xC3\xA4\t");
  client.SetClientName(std::string(64, 'a') + "bcdefg");
  client.SetKeepAlive(1000);
  client.SetComputerName("plant7");
  client.SetLogLevel(-2);
  client.SetActive(true);
  EXPECT_EQ(SaveText(client),
            "object Client1: TTestClient\r\n"
            "  Tag = 5\r\n"
            "  ServerName = 'It'#39's Zelk '#228#9\r\n"
            "  Active = True\r\n"
            "  ClientName = \r\n"
            "    '" + std::string(64, 'a') + "' +\r\n"
            "    'bcdefg'\r\n"
            "  KeepAlive = 1000\r\n"
            "  ComputerName = 'plant7'\r\n"
            "  Version = 'unknown'\r\n"
            "  LogLevel = -2\r\n"
            "end\r\n");
}

TEST_F(ZelkClientSettings, ActiveTrueConnectsAfterEveryPropertyIsApplied) {
  TTestClient client(nullptr, FScript);
  bool loadingSeenByConnect = true;
  client.OnConnect = [&](TObject*) {
    loadingSeenByConnect = client.ComponentState().Contains(TComponentStateFlag::csLoading);
  };
  LoadText(client,
           "object C: TTestClient\r\n"
           "  ServerName = 'Zelk.HDASim.1'\r\n"
           "  Active = True\r\n"
           "  ClientName = 'Late'\r\n"
           "  ComputerName = 'plant7'\r\n"
           "  Version = '9.9'\r\n"
           "end\r\n");
  EXPECT_TRUE(client.Active());
  EXPECT_FALSE(loadingSeenByConnect);
  EXPECT_EQ(client.Version(), "unknown");  // fixed per class
  ASSERT_EQ(FScript.Journal.size(), 6u);
  EXPECT_EQ(FScript.Journal[3], "Connect Late|Zelk.HDASim.1|plant7|12|0");

  // Loading into a connected component leaves the old server properly and connects anew.
  client.OnConnect = nullptr;
  FScript.Journal.clear();
  LoadText(client, "object C: TTestClient\r\n  ServerName = 'Other.Server'\r\n  Active = True\r\nend\r\n");
  EXPECT_TRUE(client.Active());
  EXPECT_EQ(FScript.Journal[0], "BeforeDeactivate");
  EXPECT_EQ(FScript.Journal[1], "Disconnect");
  EXPECT_EQ(FScript.Journal[7], "Connect Late|Other.Server|plant7|12|0");
  // Without an Active line a connected component stays connected, with the new settings.
  FScript.Journal.clear();
  LoadText(client, "object C: TTestClient\r\n  ComputerName = 'plant8'\r\nend\r\n");
  EXPECT_TRUE(client.Active());
  ASSERT_EQ(FScript.Journal.size(), 10u);
  EXPECT_EQ(FScript.Journal[1], "Disconnect");
  EXPECT_EQ(FScript.Journal[7], "Connect Late|Other.Server|plant8|12|0");
  LoadText(client, "object C: TTestClient\r\n  Active = False\r\nend\r\n");
  EXPECT_FALSE(client.Active());
  EXPECT_EQ(FScript.Connections, 0);
  FScript.Journal.clear();
  LoadText(client, "object C: TTestClient\r\n  LogLevel = 4\r\nend\r\n");
  EXPECT_FALSE(client.Active());
  EXPECT_TRUE(FScript.Journal.empty());
}

TEST_F(ZelkClientSettings, MalformedAndHostileTextRaisesCleanly) {
  TTestClient client(nullptr, FScript);
  client.SetServerName("Kept");
  auto loadError = [&](const std::string& text) { return Raised([&] { LoadText(client, text); }); };

  // A syntax error surfaces before anything is applied.
  EXPECT_EQ(loadError("object C: TTestClient\r\n  ServerName = 'New'\r\n  Active = True\r\n  KeepAlive 5\r\nend\r\n"),
            "Error reading C on line 4: Expected \"=\"");
  EXPECT_EQ(client.ServerName(), "Kept");
  // Applying stops at the first bad property; what came before stays, the Active wish does not.
  EXPECT_EQ(loadError("object C: TTestClient\r\n  ServerName = 'New'\r\n  Active = True\r\n  Colour = 3\r\nend\r\n"),
            "Error reading C on line 4: Property Colour does not exist");
  EXPECT_EQ(client.ServerName(), "New");
  EXPECT_FALSE(client.Active());
  EXPECT_FALSE(client.ComponentState().Contains(TComponentStateFlag::csLoading));
  LoadText(client, "object C: TTestClient\r\n  LogLevel = 1\r\nend\r\n");
  EXPECT_FALSE(client.Active()) << "an aborted load's Active = True was applied later";

  EXPECT_EQ(loadError("object C: TTestClient\r\n  Active = Yes\r\nend\r\n"),
            "Error reading C on line 2: Property Active expects True or False");
  EXPECT_EQ(loadError(std::string("object C: TTestClient\r\n\x01\x02\xFF\r\nend\r\n")),
            "Error reading C on line 2: Invalid character #1");
  EXPECT_EQ(loadError("object C: TTestClient\r\n  ServerName = '" + std::string(9u << 20, 'x') + "'\r\nend\r\n"),
            "Settings text too large");
  EXPECT_EQ(client.ServerName(), "New");
}

TEST_F(ZelkClientSettings, FileRoundTripAndTheClassNameCheck) {
  TTestClient source(nullptr, FScript);
  source.SetServerName("It's Zelk \xC3\xA4");
  source.SetClientName(std::string(150, 'c'));
  source.SetKeepAlive(2000);
  source.SaveToFile(FFile);
  TTestClient client(nullptr, FScript);
  client.LoadFromFile(FFile);
  EXPECT_EQ(client.ServerName(), "It's Zelk \xC3\xA4");
  EXPECT_EQ(client.ClientName(), std::string(150, 'c'));
  EXPECT_EQ(client.KeepAlive(), 2000);

  WriteFile("object C: TOtherClient\r\n  LogLevel = 1\r\nend\r\n");
  EXPECT_EQ(Raised([&] { client.LoadFromFile(FFile); }), "Wrong file format");
  EXPECT_EQ(client.LogLevel(), 0);
  // Any case will do, but only within the first 299 bytes.
  const std::string text = "OBJECT C: TTESTCLIENT\r\n  LogLevel = 2\r\nend\r\n";
  WriteFile(std::string(299 - 21, ' ') + text);  // the class name ends at byte 299
  client.LoadFromFile(FFile);
  EXPECT_EQ(client.LogLevel(), 2);
  WriteFile(std::string(299 - 20, ' ') + text);  // ...and now at byte 300
  EXPECT_EQ(Raised([&] { client.LoadFromFile(FFile); }), "Wrong file format");
}

}  // namespace
