// The client component: configuration, the Active state machine, keep-alive, shutdown and the
// messages transports post.

#include <exception>
#include <optional>
#include <utility>

#include "platform/rtl/StringUtils.h"
#include "toolkit/ZelkComn.h"
#include "toolkit/ZelkError.h"
#include "toolkit/ZelkIntfGen.h"

namespace {

constexpr int32_t kMinKeepAlive = 500;

const char* const kInitialParams[] = {"xml-user=",     "xml-pass=",         "xml-proxy=",   "ua-usermode=",
                                      "ua-user=",      "ua-pass=",          "ua-data=",     "ua-proxy=",
                                      "ua-cert-file=", "ua-pkey-file=",     "ua-securitymode=",
                                      "ua-securitypolicy="};

std::string LinkUnitHint(tZelkConnectionType Protocol) {
  switch (Protocol) {
    case coXML: return " (add ZelkXMLLink in uses clause)";
    case coUA: return " (add ZelkUALink in uses clause)";
    case coCOM: break;
  }
  return " (add ZelkCOMLink in uses clause)";
}

}  // namespace

TZelkClient::TZelkClient(TComponent* AOwner)
    : TdHandleComponent(AOwner), FProtocol(DefaultConnectionType()), FCParams(std::make_unique<TStringList>()) {
  for (const char* line : kInitialParams) FCParams->Add(line);
}

TZelkClient::~TZelkClient() { PrepareDestroy(); }

void TZelkClient::PrepareDestroy() {
  StopWorker();
  OnDisconnect = nullptr;
  try {
    SetActive(false);
  } catch (...) {
    // Nowhere to report it from a destructor; the connection is released all the same.
  }
}

// ---------------------------------------------------------------------------------------------
// Activation

void TZelkClient::Connect(const std::string& aServerName, const std::string& aComputerName) {
  SetActive(false);
  SetServerName(aServerName);
  SetComputerName(aComputerName);
  SetActive(true);
}

void TZelkClient::Disconnect() { SetActive(false); }

void TZelkClient::SetActive(bool Value) {
  const bool loading = ComponentState().Contains(TComponentStateFlag::csLoading);
  if (Value) {
    DetectProtocol();
    if (!ConnectionRegistered(FProtocol)) throw Exception(SProtocolNotSupported + LinkUnitHint(FProtocol));
    if (loading)
      fLoadedActive = true;
    else
      Activate();
  } else if (loading) {
    fLoadedActive = false;
  } else if (FActive) {
    Deactivate();
  }
}

void TZelkClient::Activate() {
  if (FActive) return;
  FShutDownFromServer = false;
  FOPCClient = nullptr;
  FOPCClient = CreateConnection();
  if (!FOPCClient) throw EOPCException(SNotConnected);
  FOPCClient->SetOption("LOGLEVEL", IntToStr(fLogLevel));
  FOPCClient->SetOption("USESYNC", UsesSynchronize() ? "1" : "0");
  FWrongServertype = false;
  fTimerInWork = false;
  FOPCClient->Connect(FClientName, FServerName, FComputername, FCParams.get(), FConnectDelay);
  AfterConnect();
  FActive = true;
  if (OnConnect) OnConnect(this);
  AfterActivate();
}

void TZelkClient::Deactivate() {
  std::exception_ptr error;
  try {
    BeforeDeactivate();
  } catch (...) {
    error = std::current_exception();
  }
  try {
    if (FOPCClient) FOPCClient->Disconnect();
  } catch (...) {
    if (!error) error = std::current_exception();
  }
  FActive = false;
  try {
    if (OnDisconnect) OnDisconnect(this);
  } catch (...) {
    if (!error) error = std::current_exception();
  }
  FOPCClient = nullptr;
  if (error) std::rethrow_exception(error);
}

void TZelkClient::Loaded() {
  TdHandleComponent::Loaded();
  // A text without an Active line keeps the state it found. A component that was connected
  // before the load goes through a real disconnect, so its server is left properly, and
  // connects again when it is to stay active, so the new settings take effect.
  const bool wanted = std::exchange(fLoadedActive, std::nullopt).value_or(FActive);
  SetActive(false);
  if (wanted) SetActive(true);
}

ComPtr<IZelkConnection> TZelkClient::CreateConnection() { throw Exception("please override CreateConnection"); }

void TZelkClient::AfterConnect() {}

void TZelkClient::AfterActivate() {
  if (FKeepAlive > 0) SetTimer(FKeepAlive);
}

void TZelkClient::BeforeDeactivate() {
  // Also with KeepAlive changed to 0 while active: the running timer must end with the
  // connection it watches.
  KillTimer();
}

// ---------------------------------------------------------------------------------------------
// Properties

void TZelkClient::SetServerName(const std::string& Value) {
  if (Value == FServerName) return;
  if (!ComponentState().Contains(TComponentStateFlag::csLoading)) SetActive(false);
  FServerName = Value;
}

void TZelkClient::SetComputerName(const std::string& Value) {
  if (Value == FComputername) return;
  if (!ComponentState().Contains(TComponentStateFlag::csLoading)) SetActive(false);
  FComputername = Value;
}

void TZelkClient::SetClientName(const std::string& Value) {
  FClientName = Value;
  if (FActive && FOPCClient) FOPCClient->SetClientName(Value);
}

void TZelkClient::SetKeepAlive(int32_t Value) { FKeepAlive = Value == 0 ? 0 : std::max(Value, kMinKeepAlive); }

void TZelkClient::SetLogLevel(int32_t Value) {
  fLogLevel = Value;
  if (FOPCClient) FOPCClient->SetOption("LOGLEVEL", IntToStr(Value));
}

void TZelkClient::SetProtocol(tZelkConnectionType Value) {
  if (Value == FProtocol) return;
  FProtocol = Value;
  if (!ComponentState().Contains(TComponentStateFlag::csLoading) && FActive) {
    SetActive(false);
    SetActive(true);
  }
}

void TZelkClient::DetectProtocol() {
  const std::string name = LowerCase(FServerName);
  if (name.find("opc.tcp://") != std::string::npos)
    SetProtocol(coUA);
  else if (name.find("http://") != std::string::npos)
    SetProtocol(coXML);
}

void TZelkClient::SetParams(const TStrings* Value) { FCParams->Assign(Value); }

void TZelkClient::SetParam(const std::string& Param, const std::string& Value) {
  if (Value.empty()) return;
  std::string key = Param;
  if (FProtocol == coUA && !key.starts_with("ua-"))
    key = "ua-" + key;
  else if (FProtocol == coXML && !key.starts_with("xml-"))
    key = "xml-" + key;
  FCParams->SetValues(key, Value);
}

IZelkConnection& TZelkClient::RequireConnection() const {
  if (!FOPCClient) throw EOPCException(SNotConnected);
  return *FOPCClient.Get();
}

int32_t TZelkClient::LocaleId() { return RequireConnection().GetLocaleId(); }

void TZelkClient::SetLocaleId(int32_t Value) { RequireConnection().SetLocaleId(Value); }

bool TZelkClient::Version2() { return RequireConnection().Servertype() == 2; }

bool TZelkClient::Version3() { return RequireConnection().Servertype() == 3; }

std::string TZelkClient::ServerTypeName() {
  switch (RequireConnection().Servertype()) {
    case 1: return "DA 1 OPC Server";
    case 2: return "DA 2 OPC Server";
    case 3: return "DA 3 OPC Server";
    case 4: return "XML DA 1 OPC Server";
    case 5: return "OPC UA 1 Server ";
    default: return "unknown";
  }
}

std::string TZelkClient::ServerStateStr(int32_t ServerState) const { return ServerStateToString(ServerState, FProtocol); }

TServerStateRecord TZelkClient::GetState() {
  TServerStateRecord state;
  GetServerInfo(state);
  return state;
}

void TZelkClient::LookupServerNames(std::string& Caption, std::string& ClsId) const {
  ::GetServerNames(FProtocol, FServerName, Caption, ClsId);
}

std::string TZelkClient::ServerCaption() {
  std::string clsId;
  LookupServerNames(FServerCaption, clsId);
  return FServerCaption;
}

std::string TZelkClient::ServerClsId() {
  std::string caption;
  std::string clsId;
  LookupServerNames(caption, clsId);
  return clsId;
}

bool TZelkClient::CheckConnected() {
  if (FOPCClient) {
    if (FWrongServertype) throw EOPCException(SSpecificationNotSupported);
    return true;
  }
  DoError(SNotConnected);
  throw EOPCException(SNotConnected);
}

void TZelkClient::DoError(const std::string& Errorstring) {
  bool raiseException = true;
  if (OnError) OnError(this, Errorstring, raiseException);
  if (raiseException) throw EOPCException(Errorstring);
}

// ---------------------------------------------------------------------------------------------
// Messages

void TZelkClient::HandleMsg(TObject* Msg) {
  TdHandleComponent::HandleMsg(Msg);
  auto* msg = static_cast<TZelkMsg*>(Msg);
  if (FShutDownFromServer) {
    if (msg->MsgId == ZelkMsgLog) FreeAndNil(msg->OParam);
    return;
  }
  switch (msg->MsgId) {
    case ZelkMsgShutdown:
      HandleShutdown(msg->IParam);
      break;
    case ZelkMsgTimer: {
      if (fTimerInWork) break;
      fTimerInWork = true;
      TDestroyGuard guard(this);
      try {
        HandleTimer();
      } catch (...) {
        if (!guard.Destroyed()) fTimerInWork = false;
        throw;
      }
      if (!guard.Destroyed()) fTimerInWork = false;
      break;
    }
    case ZelkMsgIntParam:
      HandleIntParamMsg(static_cast<int32_t>(msg->IParam));
      break;
    case ZelkMsgLog: {
      std::unique_ptr<TObject> payload(std::exchange(msg->OParam, nullptr));
      if (OnLog) {
        if (auto* logMsg = dynamic_cast<TZelkLogMsg*>(payload.get())) DoLog(logMsg);
      }
      break;
    }
    default:
      break;
  }
}

void TZelkClient::HandleShutdown(int64_t IParam) {
  if (FShutDownFromServer) return;
  FShutDownFromServer = true;
  if (OnServerShutdown) {
    std::string reason;
    if (IParam != 0)
      reason = FProtocol == coUA ? "$" + IntToHex(static_cast<uint64_t>(IParam), 0) : IntToStr(IParam);
    TDestroyGuard guard(this);
    OnServerShutdown(this, reason);
    if (guard.Destroyed()) return;
  }
  SetActive(false);
}

void TZelkClient::HandleIntParamMsg(int32_t) {}

void TZelkClient::DoLog(TZelkLogMsg* LogMsg) {
  if (OnLog && !ComponentState().Contains(TComponentStateFlag::csDestroying)) OnLog(this, LogMsg);
}

void TZelkClient::HandleTimer() {
  if (!FActive || !FOPCClient) return;
  bool alive;
  try {
    alive = FOPCClient->DoTimer();
  } catch (...) {
    alive = false;  // a probe that cannot even ask has no answer from the server
  }
  if (alive) return;
  if (FKeepAlive > 0) KillTimer();
  if (OnTimeout) {
    FShutDownFromServer = true;
    TDestroyGuard guard(this);
    OnTimeout(this);
    if (guard.Destroyed()) return;
  }
  SetActive(false);
}
