#pragma once
// Fakes for the client runtime tests: a transport connection that journals what it is asked,
// a client component on it, a registry record, and a pump for the main-thread queue.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/MainThreadQueue.h"
#include "tests/support/RaisedMessage.h"
#include "toolkit/ZelkComn.h"
#include "toolkit/ZelkIntfGen.h"

// Runs the main-thread queue until done() holds or timeoutMs passed; returns done().
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done() && std::chrono::steady_clock::now() < deadline) CheckSynchronize(5);
  return done();
}

using TJournal = std::vector<std::string>;

struct TFakeScript {
  TJournal Journal;  // transport calls and the client's hooks and events, in order
  bool FailConnect = false;
  bool FailDisconnect = false;
  bool ServerAlive = true;
  int32_t Servertype = 2;
  int DoTimerCalls = 0;
  int Connections = 0;  // connection objects alive
};

class TFakeConnection : public TZelkImplements<TZelkIntfComponent, IZelkConnection> {
public:
  TFakeConnection(TComponent* AOwner, TFakeScript& Script) : TZelkImplements(AOwner), S(Script) { ++S.Connections; }

  void Connect(const std::string& ClientName, const std::string& Server, const std::string& Computer,
               TStrings* Params, int32_t Delay) override {
    Note("Connect " + ClientName + "|" + Server + "|" + Computer + "|" + std::to_string(Params->Count()) + "|" +
         std::to_string(Delay));
    if (S.FailConnect) throw EOPCServerException("Unable to connect to OPC server " + Server);
  }
  void Disconnect() override {
    Note("Disconnect");
    if (S.FailDisconnect) throw EOPCServerException("The RPC server is unavailable.");
  }
  int32_t GetLocaleId() override { return FLocaleId; }
  bool SetOption(const std::string& Option, const std::string& Value) override {
    return Note("SetOption " + Option + "=" + Value);
  }
  void SetLocaleId(int32_t Value) override { FLocaleId = Value; }
  int32_t Servertype() override { return S.Servertype; }
  TObject* GetObject() override { return this; }
  tZelkConnectionType Connectiontype() override { return coCOM; }
  bool SetClientName(const std::string& ClientName) override { return Note("SetClientName " + ClientName); }
  bool DoTimer() override {
    ++S.DoTimerCalls;
    return S.ServerAlive;
  }

protected:
  ~TFakeConnection() override {
    --S.Connections;
    Note("Released");
  }

private:
  bool Note(const std::string& entry) {
    S.Journal.push_back(entry);
    return true;
  }
  TFakeScript& S;
  int32_t FLocaleId = 0x409;
};

class TTestClient : public TZelkClient {
public:
  TTestClient(TComponent* AOwner, TFakeScript& Script) : TZelkClient(AOwner), S(Script) {
    OnConnect = [this](TObject*) { S.Journal.push_back(Active() ? "OnConnect" : "OnConnect while inactive"); };
    OnDisconnect = [this](TObject*) { S.Journal.push_back(Active() ? "OnDisconnect while active" : "OnDisconnect"); };
  }
  ~TTestClient() override { PrepareDestroy(); }
  std::string ClassName() const override { return "TTestClient"; }

  using TZelkClient::CheckConnected;
  using TZelkClient::DoError;
  using TZelkClient::FWrongServertype;

protected:
  ComPtr<IZelkConnection> CreateConnection() override {
    S.Journal.push_back("CreateConnection");
    return ComPtr<IZelkConnection>(new TFakeConnection(this, S));
  }
  void AfterConnect() override { S.Journal.push_back("AfterConnect"); }
  void AfterActivate() override {
    S.Journal.push_back("AfterActivate");
    TZelkClient::AfterActivate();
  }
  void BeforeDeactivate() override {
    S.Journal.push_back("BeforeDeactivate");
    TZelkClient::BeforeDeactivate();
  }
  void GetServerInfo(TServerStateRecord& dState) override { dState.ServerState = 1; }

private:
  TFakeScript& S;
};

// Its name look-up answers "Caption of <name>" and "{<name>}".
inline std::unique_ptr<TIFRegisterClass> FakeTransport(tZelkConnectionType Type) {
  auto record = std::make_unique<TIFRegisterClass>();
  record->Connectiontype = Type;
  record->IFGetServerNames = [](const std::string& ServerName, std::string& Caption, std::string& ClsId) {
    Caption = "Caption of " + ServerName;
    ClsId = "{" + ServerName + "}";
  };
  return record;
}

// Each test starts with only COM registered and ends with an empty registry.
class ComRegistered : public testing::Test {
protected:
  void SetUp() override {
    DestroyConnectionRegistry();
    RegisterConnection(FakeTransport(coCOM));
  }
  void TearDown() override { DestroyConnectionRegistry(); }
};
