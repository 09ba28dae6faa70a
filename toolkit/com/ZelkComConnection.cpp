// The connection to one OPC server over COM and its shutdown sink.

#include <cfenv>
#include <chrono>
#include <thread>

#include "opc/_opcactivex.h"
#include "opc/_opcda.h"
#include "platform/rtl/StringUtils.h"
#include "toolkit/ZelkComn.h"
#include "toolkit/ZelkError.h"
#include "toolkit/com/ZelkCom.h"

bool MultiThreadCOM = false;

namespace {

std::string LocalComputerName() {
  WCHAR name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &size)) return "";
  return Utf16ToUtf8(std::u16string(name, size));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TZelkShutdownEvent

ComPtr<TZelkShutdownEvent> TZelkShutdownEvent::create(TZelkCOMConnection* aOPCServer) {
  // Held before advising, so that a server that takes and drops a reference while refusing
  // cannot free the sink under us.
  ComPtr<TZelkShutdownEvent> sink(new TZelkShutdownEvent(aOPCServer));
  if (aOPCServer->Version2orHigher()) {
    DWORD cookie = 0;
    sink->RetCode = ConnectionPointAdvise(aOPCServer->OPCServer().Get(), IID_IOPCShutdown, sink->Identity(), cookie);
    sink->Cookie = cookie;
  }
  return sink;
}

HRESULT TZelkShutdownEvent::ShutdownRequest(LPCWSTR) {
  RetCode = E_FAIL;
  if (!OPCServer) return S_OK;
  try {
    OPCServer->GetHandler()->PostMsg(ZelkMsgShutdown, 0, nullptr);
  } catch (...) {
    // A connection without a component has nobody to tell; the server still gets its answer.
  }
  return S_OK;
}

// ---------------------------------------------------------------------------------------------
// TZelkCOMConnection

TZelkCOMConnection::TZelkCOMConnection(TComponent* AOwner)
    : TZelkImplements<TZelkIntfComponent, IZelkConnection>(AOwner), FMultiThread(MultiThreadCOM) {}

TZelkCOMConnection::~TZelkCOMConnection() { ReleaseConnection(); }

void TZelkCOMConnection::Connect(const std::string& ClientName, const std::string& Server,
                                 const std::string& Computer, TStrings*, int32_t Delay) {
  FServerName = Server;
  FComputerName = Computer;
  FClientName = ClientName;
  FDelay = Delay;
  FVersion2orHigher = -1;
  SetActive(true);
}

void TZelkCOMConnection::Disconnect() { SetActive(false); }

void TZelkCOMConnection::SetActive(bool Value) {
  if (Value == FActive) return;
  if (!Value) {
    FActive = false;
    ReleaseServer();
    return;
  }

  ReleaseServer();
  CLSID clsId;
  if (!ServerNameToClsId(FServerName, clsId)) throw EOPCServerException(SServerNameNotFound);
  FIServer = CreateServerObject(clsId, FComputerName);
  if (FMultiThread && FIServer) FSharedServer = std::make_unique<TGIP>(FIServer.Get(), IID_IUnknown);
  if (FDelay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(FDelay));
  if (!FIServer) throw EOPCServerException(Format(SUnableToConnect, FServerName.c_str()));
  FActive = true;

  GetCommonIF();
  FShutDown = TZelkShutdownEvent::create(this);
  if (FICommon && !Trim(FClientName).empty()) {
    BSTR name = AllocOleString(FClientName);
    FICommon->SetClientName(name);
    SysFreeString(name);
  }
  InitServer();
}

void TZelkCOMConnection::InitServer() {}

void TZelkCOMConnection::ReleaseServer() { ReleaseConnection(); }

void TZelkCOMConnection::ReleaseConnection() {
  if (FShutDown) {
    // A server that asked us to go is not told to forget the sink.
    if (FIServer && FShutDown->RetCode == S_OK)
      ConnectionPointUnadvise(OPCServer().Get(), IID_IOPCShutdown, FShutDown->Cookie);
    FShutDown->OPCServer = nullptr;
    FShutDown.Reset();
  }
  FICommon.Reset();
  FSharedServer.reset();
  FIServer.Reset();
}

ComPtr<IUnknown> TZelkCOMConnection::OPCServer() {
  if (FMultiThread && FSharedServer && FSharedServer->Registered()) {
    ComPtr<IUnknown> server;
    FSharedServer->GetIntf(reinterpret_cast<void**>(server.ReleaseAndGetAddressOf()));
    FIServer = server;
  }
  return FIServer;
}

ComPtr<IOPCCommon> TZelkCOMConnection::GetCommonIF() {
  const ComPtr<IUnknown> server = OPCServer();
  if (!server) return nullptr;
  if (!FICommon) server.As(&FICommon);
  return FICommon;
}

void TZelkCOMConnection::CheckServer() {
  if (!OPCServer()) throw EOPCServerException(SNotConnected);
}

bool TZelkCOMConnection::Version2orHigher() {
  // Asked before the cache, which outlives a disconnect until the next connect resets it.
  const ComPtr<IUnknown> server = OPCServer();
  if (!server) return false;
  if (FVersion2orHigher < 0) {
    ComPtr<IConnectionPointContainer> container;
    FVersion2orHigher = SUCCEEDED(server.As(&container)) ? 1 : 0;
  }
  return FVersion2orHigher == 1;
}

bool TZelkCOMConnection::Version3() {
  const ComPtr<IUnknown> server = OPCServer();
  ComPtr<IOPCBrowse> browse;
  return server && SUCCEEDED(server.As(&browse));
}

int32_t TZelkCOMConnection::Servertype() {
  if (Version3()) return 3;
  return Version2orHigher() ? 2 : 1;
}

int32_t TZelkCOMConnection::GetLocaleId() {
  if (!FICommon) throw EOPCException(SNotConnected);
  LCID lcid = 0;
  CheckOPCResult(FICommon->GetLocaleID(&lcid));
  return static_cast<int32_t>(lcid);
}

void TZelkCOMConnection::SetLocaleId(int32_t Value) {
  if (FICommon) FICommon->SetLocaleID(static_cast<LCID>(Value));
}

bool TZelkCOMConnection::SetOption(const std::string&, const std::string&) { return false; }

bool TZelkCOMConnection::SetClientName(const std::string& ClientName) {
  if (!FICommon || Trim(ClientName).empty()) return false;
  BSTR name = AllocOleString(ClientName);
  const HRESULT hr = FICommon->SetClientName(name);
  SysFreeString(name);
  return hr == S_OK;
}

bool TZelkCOMConnection::DoTimer() { return true; }

ComPtr<IUnknown> TZelkCOMConnection::CreateServerObject(REFCLSID ClsId, const std::string& Computer) {
  ComPtr<IUnknown> server;
  if (Trim(Computer).empty()) {
    // Server start-up code may do floating-point work that would trap if the caller had
    // unmasked exceptions.
    std::fenv_t environment;
    std::feholdexcept(&environment);
    const HRESULT hr = CoCreateInstance(ClsId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                        reinterpret_cast<void**>(server.ReleaseAndGetAddressOf()));
    std::fesetenv(&environment);
    if (FAILED(hr))
      throw EOleSysError(Format("%s, ClassID: %s", OleErrorText(hr).c_str(), ClsIdToString(ClsId).c_str()), hr);
    return server;
  }

  std::u16string computer = Utf8ToUtf16(Computer);
  COSERVERINFO serverInfo{0, computer.data(), nullptr, 0};
  MULTI_QI query{&IID_IUnknown, nullptr, S_OK};
  const DWORD context = SameText(Computer, LocalComputerName())
                            ? CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER
                            : CLSCTX_REMOTE_SERVER;
  const HRESULT hr = CoCreateInstanceEx(ClsId, nullptr, context, &serverInfo, 1, &query);
  server.Attach(query.pItf);
  OleCheck(hr);
  OleCheck(query.hr);
  return server;
}
