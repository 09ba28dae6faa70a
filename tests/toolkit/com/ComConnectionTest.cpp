// The COM connection against scripted servers: creation by ProgID and class id, locally and
// by this computer's name, the failure texts, IOPCCommon and the shutdown sink only where
// offered, no unadvise after a shutdown request, and the server type 1, 2 or 3.

#include <gtest/gtest.h>

#include <thread>

#include "FakeOPCServer.h"
#include "platform/rtl/StringUtils.h"
#include "toolkit/com/ZelkCom.h"

namespace {

// The client component's stand-in: notes the messages its connection posts.
class TMessageRecorder : public TZelkComponent {
public:
  TMessageRecorder() : TZelkComponent(nullptr) {}
  void PostMsg(int32_t MessageId, int64_t IParam, TObject* OParam) override {
    Posted.push_back(MessageId == 1025 && IParam == 0 && !OParam ? "shutdown" : "other");
  }
  std::vector<std::string> Posted;
};

class ComConnectionTest : public testing::Test {
protected:
  void SetUp() override {
    RegisterFakeServers();
    TFakeOPCServer::NextScript = TFakeServerScript();
  }
  void Connect(const std::string& server, const std::string& computer = "") {
    Connection->Connect("HDA Client", server, computer, nullptr, 0);
  }

  TMessageRecorder Owner;
  ComPtr<TZelkCOMConnection> Connection{new TZelkCOMConnection(&Owner)};
};

}  // namespace

TEST_F(ComConnectionTest, ConnectsByProgIdWithCommonInterfaceAndShutdownSink) {
  Connect(kFakeProgId);
  ASSERT_TRUE(Connection->Active());
  ComPtr<TFakeOPCServer> server(TFakeOPCServer::Last);
  EXPECT_EQ(std::vector<std::string>{"HDA Client"}, server->ClientNames);
  EXPECT_EQ(1u, server->ShutdownSinks());
  EXPECT_EQ(2, Connection->Servertype());
  EXPECT_EQ(0x0409, Connection->GetLocaleId());
  Connection->SetLocaleId(0x0407);
  EXPECT_EQ(0x0407u, server->Locale);

  // Blank names never reach the server; only S_OK counts as taken.
  EXPECT_FALSE(Connection->SetClientName(" "));
  EXPECT_EQ(1u, server->ClientNames.size());
  EXPECT_TRUE(Connection->SetClientName("Zelk \xC3\xBC"));
  EXPECT_EQ("Zelk \xC3\xBC", server->ClientNames.back());
  server->SetClientNameResult = S_FALSE;
  EXPECT_FALSE(Connection->SetClientName("Zelk"));
  server->GetLocaleIDResult = static_cast<HRESULT>(0xC0040001);
  EXPECT_EQ("E_INVALIDHANDLE The value of the handle is invalid.",
            Raised<EOPCException>([&] { Connection->GetLocaleId(); }));
  EXPECT_FALSE(Connection->SetOption("LOGLEVEL", "3"));

  Connection->Disconnect();
  EXPECT_EQ(0u, server->ShutdownSinks()) << "the sink is unadvised";
  EXPECT_EQ(nullptr, Connection->OPCServer().Get());
  server.Reset();
  EXPECT_EQ(nullptr, TFakeOPCServer::Last) << "the server object is released";
  EXPECT_EQ("Not connected to server", Raised<EOPCServerException>([&] { Connection->CheckServer(); }));
  EXPECT_EQ(1, Connection->Servertype()) << "no stale answer from the last server";
}

TEST_F(ComConnectionTest, ConnectsByClassIdTextAndThisComputersName) {
  TFakeOPCServer::NextScript.Browse = true;
  Connect(LowerCase(kNoProgIdClsId), "   ");
  EXPECT_EQ(3, Connection->Servertype()) << "blanks name this computer";
  Connection->Disconnect();

  WCHAR name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  ASSERT_TRUE(GetComputerNameW(name, &size));
  Connect(kFakeClsId, LowerCase(Utf16ToUtf8(std::u16string(name, size))));
  EXPECT_TRUE(Connection->Active());
}

TEST_F(ComConnectionTest, ServerWithoutCommonInterfaceOrShutdownPoint) {
  TFakeOPCServer::NextScript.Common = false;
  TFakeOPCServer::NextScript.ShutdownPoint = false;
  Connect(kFakeProgId);
  ASSERT_TRUE(Connection->Active());
  EXPECT_TRUE(TFakeOPCServer::Last->ClientNames.empty());
  EXPECT_EQ(2, Connection->Servertype());
  EXPECT_EQ("Not connected to server", Raised<EOPCException>([&] { Connection->GetLocaleId(); }));
  Connection->SetLocaleId(0x0407);
  EXPECT_EQ(0x0409u, TFakeOPCServer::Last->Locale);
  EXPECT_FALSE(Connection->SetClientName("HDA Client"));
  Connection->Disconnect();

  TFakeOPCServer::NextScript.ConnectionPoints = false;
  Connect(kFakeProgId);
  EXPECT_EQ(1, Connection->Servertype());
}

TEST_F(ComConnectionTest, ShutdownRequestIsPostedAndTheDepartingServerIsNotUnadvised) {
  Connect(kFakeProgId);
  ComPtr<TFakeOPCServer> server(TFakeOPCServer::Last);
  EXPECT_EQ(S_OK, server->RequestShutdown());
  EXPECT_EQ(std::vector<std::string>{"shutdown"}, Owner.Posted);
  Connection->Disconnect();
  EXPECT_EQ(1u, server->ShutdownSinks()) << "no unadvise after a shutdown request";

  // The server still holds the sink; late calls reach no connection, even a freed one.
  Connection.Reset();
  EXPECT_EQ(S_OK, server->RequestShutdown());
  EXPECT_EQ(1u, Owner.Posted.size());
}

TEST_F(ComConnectionTest, ConnectFailuresCarryTheirTexts) {
  const std::string notFound = "Server name not found in registry or empty";
  EXPECT_EQ(notFound, Raised<EOPCServerException>([&] { Connect(""); }));
  EXPECT_EQ(notFound, Raised<EOPCServerException>([&] { Connect("Zelk.Test.Unknown.1"); }));

  const std::string unregistered = "{6C3A1E2F-5B7D-4F1A-9E2C-1D0B3A4C5E60}";
  EXPECT_EQ("Class not registered, ClassID: " + unregistered, Raised<EOleSysError>([&] { Connect(unregistered); }));
  EXPECT_EQ("The RPC server is unavailable", Raised<EOleSysError>([&] { Connect(kFakeProgId, "ZELK-NO-SUCH-HOST"); }));
  EXPECT_EQ("Unable to connect to OPC server Zelk.Test.EmptyHanded.1",
            Raised<EOPCServerException>([&] { Connect("Zelk.Test.EmptyHanded.1"); }));
  EXPECT_FALSE(Connection->Active());
  EXPECT_EQ(nullptr, TFakeOPCServer::Last);
}

TEST_F(ComConnectionTest, MultiThreadedConnectionKeepsTheServerInTheGlobalTable) {
  MultiThreadCOM = true;
  ComPtr<TZelkCOMConnection> shared(new TZelkCOMConnection(&Owner));
  MultiThreadCOM = false;
  shared->Connect("HDA Client", kFakeProgId, "", nullptr, 0);
  IUnknown* const server = TFakeOPCServer::Last->Identity();

  IUnknown* seenByWorker = nullptr;
  std::thread worker([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    seenByWorker = shared->OPCServer().Get();
    CoUninitialize();
  });
  worker.join();
  EXPECT_EQ(server, seenByWorker);
  shared->Disconnect();
  EXPECT_EQ(nullptr, TFakeOPCServer::Last) << "the table's entry goes with the connection";
}
