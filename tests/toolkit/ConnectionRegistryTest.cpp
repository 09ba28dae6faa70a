// The connection-type registry: first registration wins, the first record is the default, and
// missing types raise the texts components show.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "toolkit/ZelkIntfGen.h"

namespace {

class TFakeServerBrowser : public TZelkImplements<TZelkIntfComponent, IZelkServerBrowser> {
public:
  TFakeServerBrowser() : TZelkImplements(nullptr) {}
  void Execute(tZelkServerSet, const std::string&, const std::string&, int32_t,
               tZelkAddServerEvent AddServerEvent) override {
    AddServerEvent("Fake Server", "Fake.Server.1", "{00000000-0000-0000-0000-000000000001}", {svr_HDA10});
  }
};

std::unique_ptr<TIFRegisterClass> FakeRecord(tZelkConnectionType type, const std::string& caption) {
  auto record = std::make_unique<TIFRegisterClass>();
  record->Connectiontype = type;
  record->IFCreateZelkServerBrowser = [] { return ComPtr<IZelkServerBrowser>(new TFakeServerBrowser); };
  record->IFGetServerNames = [caption](const std::string& name, std::string& Caption, std::string& ClsId) {
    Caption = caption;
    ClsId = "{" + name + "}";
  };
  return record;
}

// Each test starts and ends with an empty registry.
class ConnectionRegistry : public testing::Test {
protected:
  void SetUp() override { DestroyConnectionRegistry(); }
  void TearDown() override { DestroyConnectionRegistry(); }
};

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EOPCException& e) {
    return e.Message();
  }
  return "(nothing raised)";
}

}  // namespace

TEST_F(ConnectionRegistry, EmptyRegistryHasNoDefault) {
  EXPECT_EQ(MessageOf([] { DefaultConnectionType(); }),
            "No default connection registered add ZelkXMLLink, ZelkCOMLink or ZelkUALink in uses clause");
  for (tZelkConnectionType type : {coXML, coCOM, coUA}) {
    EXPECT_FALSE(ConnectionRegistered(type));
    EXPECT_EQ(FindConnection(type, false), nullptr);
  }
}

TEST_F(ConnectionRegistry, OnlyCOMRegistered) {
  ASSERT_TRUE(RegisterConnection(FakeRecord(coCOM, "first")));
  EXPECT_EQ(DefaultConnectionType(), coCOM);
  EXPECT_TRUE(ConnectionRegistered(coCOM));
  EXPECT_FALSE(ConnectionRegistered(coUA));
  EXPECT_FALSE(ConnectionRegistered(coXML));
  const std::string missing = "Connection not registered\r\nadd ZelkXMLLink, ZelkCOMLink or ZelkUALink in uses clause";
  EXPECT_EQ(MessageOf([] { CreateServerBrowser(coXML); }), missing);
  EXPECT_EQ(MessageOf([] { FindConnection(coUA, true); }), missing);
  EXPECT_EQ(MessageOf([] {
              std::string caption, clsId;
              GetServerNames(coUA, "x", caption, clsId);
            }),
            missing);

  std::string found;
  CreateServerBrowser(coCOM)->Execute(
      {svr_HDA10}, "", "", 0,
      [&](const std::string& Caption, const std::string& Name, const std::string& ClsId, tZelkServerSet ServerType) {
        found = Caption + "|" + Name + "|" + ClsId;
        EXPECT_TRUE(ServerType.Contains(svr_HDA10));
      });
  EXPECT_EQ(found, "Fake Server|Fake.Server.1|{00000000-0000-0000-0000-000000000001}");
}

TEST_F(ConnectionRegistry, FirstRegistrationOfATypeWins) {
  ASSERT_TRUE(RegisterConnection(FakeRecord(coCOM, "first")));
  // The refused record is freed by the registry (ASan would report it otherwise).
  EXPECT_FALSE(RegisterConnection(FakeRecord(coCOM, "second")));
  EXPECT_FALSE(RegisterConnection(nullptr));
  std::string caption, clsId;
  GetServerNames(coCOM, "name", caption, clsId);
  EXPECT_EQ(caption, "first");
  EXPECT_EQ(clsId, "{name}");

  // The default stays the first type registered.
  ASSERT_TRUE(RegisterConnection(FakeRecord(coUA, "ua")));
  EXPECT_EQ(DefaultConnectionType(), coCOM);
  EXPECT_EQ(FindConnection(coUA, false)->Connectiontype, coUA);
}

TEST_F(ConnectionRegistry, UaFirstIsTheDefault) {
  ASSERT_TRUE(RegisterConnection(FakeRecord(coUA, "ua")));
  ASSERT_TRUE(RegisterConnection(FakeRecord(coCOM, "com")));
  EXPECT_EQ(DefaultConnectionType(), coUA);
}

// A transport registers only the factories it has.
TEST_F(ConnectionRegistry, MissingFactoriesRaiseInsteadOfCallingNothing) {
  auto record = std::make_unique<TIFRegisterClass>();
  record->Connectiontype = coCOM;
  ASSERT_TRUE(RegisterConnection(std::move(record)));
  EXPECT_EQ(MessageOf([] { CreateServerBrowser(coCOM); }), "Server enumeration not supported by this connection type");
  std::string caption = "kept", clsId = "kept";
  EXPECT_EQ(MessageOf([&] { GetServerNames(coCOM, "Zelk.HDASim.1", caption, clsId); }),
            "Server name resolution not supported by this connection type");
  EXPECT_EQ(caption + clsId, "keptkept");

  auto empty = std::make_unique<TIFRegisterClass>();
  empty->Connectiontype = coUA;
  empty->IFCreateZelkServerBrowser = [] { return ComPtr<IZelkServerBrowser>(); };
  ASSERT_TRUE(RegisterConnection(std::move(empty)));
  EXPECT_EQ(MessageOf([] { CreateServerBrowser(coUA); }), "Server enumeration not supported by this connection type");
}
