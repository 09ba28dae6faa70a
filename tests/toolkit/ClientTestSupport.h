#pragma once
// Fakes for the client component tests: a scriptable transport connection that writes what
// it is asked into a shared journal, a client component built on it, transport records for
// the connection registry, and a pump for the main-thread queue.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/MainThreadQueue.h"
#include "toolkit/ZelkComn.h"
#include "toolkit/ZelkIntfGen.h"

// Runs the main-thread queue until done() holds or timeoutMs passed; returns done().
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    CheckSynchronize(5);
  }
  return true;
}

// Pumps for a while whatever happens.
inline void PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

// The message a call raised, or "(nothing raised)".
inline std::string RaisedMessage(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(nothing raised)";
}

// What the fake transport does when asked.
struct TFakeScript {
  std::vector<std::string> Journal;  // calls, in order, also those of the component's hooks
  bool FailConnect = false;
  bool FailDisconnect = false;
  bool ServerAlive = true;
  int32_t Servertype = 2;
  int32_t LocaleId = 0x409;
  int DoTimerCalls = 0;
  int Connections = 0;  // fake connection objects alive
};

class TFakeConnection : public TZelkImplements<TZelkIntfComponent, IZelkConnection> {
public:
  TFakeConnection(TComponent* AOwner, TFakeScript& Script) : TZelkImplements(AOwner), FScript(Script) {
    ++FScript.Connections;
  }

  void Connect(const std::string& ClientName, const std::string& Server, const std::string& Computer,
               TStrings* Params, int32_t Delay) override {
    FScript.Journal.push_back("Connect " + ClientName + "|" + Server + "|" + Computer + "|" +
                              std::to_string(Params->Count()) + "|" + std::to_string(Delay));
    if (FScript.FailConnect) throw EOPCServerException("Unable to connect to OPC server " + Server);
  }
  void Disconnect() override {
    FScript.Journal.push_back("Disconnect");
    if (FScript.FailDisconnect) throw EOPCServerException("The RPC server is unavailable.");
  }
  int32_t GetLocaleId() override { return FScript.LocaleId; }
  bool SetOption(const std::string& Option, const std::string& Value) override {
    FScript.Journal.push_back("SetOption " + Option + "=" + Value);
    return true;
  }
  void SetLocaleId(int32_t Value) override { FScript.LocaleId = Value; }
  int32_t Servertype() override { return FScript.Servertype; }
  TObject* GetObject() override { return this; }
  tZelkConnectionType Connectiontype() override { return coCOM; }
  bool SetClientName(const std::string& ClientName) override {
    FScript.Journal.push_back("SetClientName " + ClientName);
    return true;
  }
  bool DoTimer() override {
    ++FScript.DoTimerCalls;
    return FScript.ServerAlive;
  }

protected:
  ~TFakeConnection() override {
    --FScript.Connections;
    FScript.Journal.push_back("Released");
  }

private:
  TFakeScript& FScript;
};

// A client on the fake transport that journals its hooks and events.
class TTestClient : public TZelkClient {
public:
  TTestClient(TComponent* AOwner, TFakeScript& Script) : TZelkClient(AOwner), FScript(Script) {
    OnConnect = [this](TObject*) { Journal(std::string("OnConnect Active=") + (Active() ? "1" : "0")); };
    OnDisconnect = [this](TObject*) { Journal(std::string("OnDisconnect Active=") + (Active() ? "1" : "0")); };
  }
  ~TTestClient() override { PrepareDestroy(); }
  std::string ClassName() const override { return "TTestClient"; }

  using TZelkClient::CheckConnected;
  using TZelkClient::DoError;
  using TZelkClient::FWrongServertype;

  void Journal(const std::string& entry) { FScript.Journal.push_back(entry); }

protected:
  ComPtr<IZelkConnection> CreateConnection() override {
    Journal("CreateConnection");
    return ComPtr<IZelkConnection>(new TFakeConnection(this, FScript));
  }
  void AfterConnect() override { Journal("AfterConnect"); }
  void AfterActivate() override {
    Journal("AfterActivate");
    TZelkClient::AfterActivate();
  }
  void BeforeDeactivate() override {
    Journal("BeforeDeactivate");
    TZelkClient::BeforeDeactivate();
  }
  void GetServerInfo(TServerStateRecord& dState) override { dState.ServerState = 1; }

private:
  TFakeScript& FScript;
};

class TFakeServerBrowser : public TZelkImplements<TZelkIntfComponent, IZelkServerBrowser> {
public:
  using TServers = std::function<void(tZelkServerSet, const std::string&, const std::string&, int32_t,
                                      const tZelkAddServerEvent&)>;
  explicit TFakeServerBrowser(TServers Servers) : TZelkImplements(nullptr), FServers(std::move(Servers)) {}
  void Execute(tZelkServerSet Servertype, const std::string& Computer, const std::string& Proxy, int32_t Options,
               tZelkAddServerEvent AddServerEvent) override {
    FServers(Servertype, Computer, Proxy, Options, AddServerEvent);
  }

private:
  TServers FServers;
};

// A transport record whose name look-up answers "Caption of <name>" and "{<name>}", and whose
// server enumeration runs Servers.
inline std::unique_ptr<TIFRegisterClass> FakeTransport(tZelkConnectionType Type,
                                                       TFakeServerBrowser::TServers Servers = nullptr) {
  auto record = std::make_unique<TIFRegisterClass>();
  record->Connectiontype = Type;
  record->IFGetServerNames = [](const std::string& ServerName, std::string& Caption, std::string& ClsId) {
    Caption = "Caption of " + ServerName;
    ClsId = "{" + ServerName + "}";
  };
  record->IFCreateZelkServerBrowser = [Servers] {
    return ComPtr<IZelkServerBrowser>(new TFakeServerBrowser(Servers));
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
