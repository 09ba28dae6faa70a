#pragma once
// The client component runtime: a component with a locked message queue and a worker thread
// that doubles as timer (TdHandleComponent, TZelkMsgThread), the transport-independent client
// component (TZelkClient) and the server browser (TZelkServerBrowser).
//
// Threads. Transports and COM sinks never call into a component: they PostMsg from any thread.
// The worker drains the queue in posting order and hands each message to HandleMsg, by default
// on the main (GUI) thread through Synchronize, one at a time, never with the queue lock held.
//
// Destruction. A component stops its worker before anything a delivery might use is torn
// down, and a component destroyed from inside one of its own deliveries (a handler that frees
// it) is not touched once that handler returns. C++ runs a subclass's destructor before its
// base's, so a subclass whose HandleMsg or BeforeDeactivate uses its own members calls
// PrepareDestroy() (TZelkClient) or StopWorker() (TdHandleComponent) first in its destructor.

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/rtl/Streams.h"
#include "platform/rtl/Threads.h"
#include "toolkit/ZelkIntf.h"

// Message identifiers: the contract between transports and components.
inline constexpr int32_t ZelkMsgShutdown = 1025;         // a server asked to disconnect; IParam status
inline constexpr int32_t ZelkMsgDAWriteComplete = 1028;  // DA write completion; OParam item data
inline constexpr int32_t ZelkMsgTimer = 1029;            // timer expiry; never queued
inline constexpr int32_t ZelkMsgHDACallback = 1030;      // HDA data callback; OParam a transaction
inline constexpr int32_t ZelkMsgDADataChange = 5634;     // DA data change; OParam item data
inline constexpr int32_t ZelkMsgIntParam = 5636;         // an integer in the low 32 bits of IParam
inline constexpr int32_t ZelkMsgLog = 5637;              // OParam a TZelkLogMsg

class TdHandleComponent;

// The worker of one TdHandleComponent: drains its queue and runs its timer. Created, started
// and destroyed by the component.
class TZelkMsgThread : public TThread {
public:
  // The period that stands for "no timer": the largest 32-bit value, waited as a plain
  // (very long) time-out.
  static constexpr int32_t NoTimer = 2147483647;

  explicit TZelkMsgThread(TdHandleComponent* Owner);
  std::string ClassName() const override { return "TZelkMsgThread"; }

  // A timer message about every Msec (> 0) milliseconds from now on; wakes the worker so that
  // it waits with the new period.
  void SetTimer(int32_t Msec);
  // Does not interrupt a wait in progress: that wait may still end in one timer message.
  void KillTimer();
  // Wakes the worker.
  void SetEvent() { fBreakEvent.SetEvent(); }

  bool UseSync() const { return fUseSync.load(std::memory_order_relaxed); }
  void SetUseSync(bool Value) { fUseSync.store(Value, std::memory_order_relaxed); }

protected:
  void Execute() override;
  void TerminatedSet() override { SetEvent(); }

private:
  friend class TdHandleComponent;
  using TRoutine = void (TdHandleComponent::*)();

  // Runs Routine for the owner on the delivery thread; swallows what it raises.
  void CallOwner(TRoutine Routine);
  static int64_t NowMs();

  std::atomic<TdHandleComponent*> fOwner;  // null once the owner went away mid-delivery
  // Written by SetTimer/KillTimer on the caller's thread, read by the worker: a stale read
  // only shifts one expiry.
  std::atomic<int32_t> fInitInterval{NoTimer};
  std::atomic<int32_t> fInterval{NoTimer};
  std::atomic<int64_t> fStart;  // steady-clock milliseconds at which the current period began
  // Lives as long as the thread object, so a post never signals a destroyed event.
  TEvent fBreakEvent{true, false};
  std::atomic<bool> fUseSync{true};
};

// A component with a queue of TZelkMsg and a worker that hands each to HandleMsg. A message's
// OParam passes to HandleMsg with it; a message discarded unhandled has its OParam freed.
class TdHandleComponent : public TZelkComponent {
public:
  explicit TdHandleComponent(TComponent* AOwner);
  ~TdHandleComponent() override;
  std::string ClassName() const override { return "TdHandleComponent"; }

  // Any thread. After StopWorker the message is kept unhandled and freed with the component.
  void PostMsg(int32_t MessageId, int64_t IParam, TObject* OParam) override;
  // Runs for a timer message; nothing here.
  virtual void HandleTimer();
  // true (the default): deliver on the main thread; false: on the worker, a COM apartment of
  // its own. Takes effect from the next delivery.
  virtual void UseSynchronize(bool Value);
  bool UsesSynchronize() const;

protected:
  void SetTimer(int32_t Msec);
  void KillTimer();

  // Ends deliveries for good: discards what is queued (freeing payloads) and waits for the
  // worker, pumping the main-thread queue meanwhile. From inside one of this component's own
  // deliveries it does not wait (the worker waits for that very delivery) and lets the worker
  // end on its own. Later calls do nothing.
  void StopWorker();

  // Tells, after a call that may run user code, whether this component was destroyed meanwhile
  // on this thread. Deliveries hold one, so a handler may free its component.
  class TDestroyGuard {
  public:
    explicit TDestroyGuard(TdHandleComponent* Component);
    ~TDestroyGuard();
    TDestroyGuard(const TDestroyGuard&) = delete;
    TDestroyGuard& operator=(const TDestroyGuard&) = delete;
    bool Destroyed() const { return FDestroyed; }

  private:
    friend class TdHandleComponent;
    TdHandleComponent* FComponent;
    bool FDestroyed = false;
    TDestroyGuard* FOuter;
  };

private:
  friend class TZelkMsgThread;

  // Worker routines: handle everything queued; hand a timer message to HandleMsg.
  void DrainQueue();
  void DeliverTimerMsg();
  std::unique_ptr<TZelkMsg> PopMsg();
  // Marks the guards of this component on this thread; true when there were any.
  bool MarkGuardsDestroyed();

  static thread_local TDestroyGuard* fInnermostGuard;

  std::deque<std::unique_ptr<TZelkMsg>> fMsgQueue;
  bool fQueueClosed = false;  // set once the component is past its worker
  std::mutex fLock;           // held for one append or one removal, nothing else
  TThreadPtr<TZelkMsgThread> fWorkThread;
  std::atomic<bool> fStopped{false};
};

// ---------------------------------------------------------------------------------------------
// Client component

using TOnOPCConnectEvent = std::function<void(TObject* Sender)>;
using TOnOPCServerShutdownEvent = std::function<void(TObject* Sender, const std::string& Reason)>;
using TOnOPCTimeoutEvent = std::function<void(TObject* Sender)>;
// LogMsg is freed after the call.
using TOnOPCLogEvent = std::function<void(TObject* Sender, TZelkLogMsg* LogMsg)>;
// The handler may clear RaiseException to stop the error from being raised.
using TOnOPCErrorEvent = std::function<void(TObject* Sender, const std::string& Errorstring, bool& RaiseException)>;

// The transport-independent base of the OPC client components: configuration, the Active
// state machine, keep-alive, shutdown handling, events and the settings text. Subclasses
// create the connection (CreateConnection) and extend the connect and disconnect sequences.
// Properties and operations are for the main thread.
class TZelkClient : public TdHandleComponent {
public:
  // Protocol starts as the registry's default type; with nothing registered this raises the
  // registry's "No default connection registered" error.
  explicit TZelkClient(TComponent* AOwner);
  // Deactivates without OnDisconnect.
  ~TZelkClient() override;
  std::string ClassName() const override { return "TZelkClient"; }
  const TPropertyList& PublishedProperties() const override;

  void Connect(const std::string& aServerName, const std::string& aComputerName);
  void Disconnect();

  bool Active() const { return FActive; }
  bool IsActive() const { return FActive; }
  void SetActive(bool Value);
  const std::string& ServerName() const { return FServerName; }
  // A different name deactivates (not while loading) and never reconnects.
  void SetServerName(const std::string& Value);
  const std::string& ComputerName() const { return FComputername; }
  void SetComputerName(const std::string& Value);
  const std::string& ClientName() const { return FClientName; }
  void SetClientName(const std::string& Value);
  int32_t KeepAlive() const { return FKeepAlive; }
  // 0 stays 0, anything else up to 500 becomes 500; applies at the next activation.
  void SetKeepAlive(int32_t Value);
  int32_t LogLevel() const { return fLogLevel; }
  void SetLogLevel(int32_t Value);
  const std::string& Version() const { return FVersion; }
  tZelkConnectionType Protocol() const { return FProtocol; }
  // A different protocol reconnects an active component (not while loading).
  void SetProtocol(tZelkConnectionType Value);
  // opc.tcp:// anywhere in ServerName (any case) selects coUA, else http:// selects coXML.
  void DetectProtocol();

  // name=value lines handed to the transport at every connect; names ignore case.
  TStrings* Params() const { return FCParams.get(); }
  void SetParams(const TStrings* Value);
  // An empty Value changes nothing. coUA and coXML prefix Param with "ua-" or "xml-" unless
  // it has it already.
  void SetParam(const std::string& Param, const std::string& Value);

  // These need a connection object; without one they raise EOPCException "Not connected to
  // server".
  int32_t LocaleId();
  void SetLocaleId(int32_t Value);
  bool Version2();
  bool Version3();
  std::string ServerTypeName();

  std::string ServerStateStr(int32_t ServerState) const;
  TServerStateRecord GetState();
  // Looked up through the registry for ServerName under the current protocol.
  std::string ServerCaption();
  void SetServerCaption(const std::string& Value) { FServerCaption = Value; }
  std::string ServerClsId();

  void SaveToStream(TStream& Stream) const;
  void SaveToFile(const std::string& ToFile) const;
  // Applies the text at the stream's position. An Active line is only recorded while the
  // properties are applied; Loaded then disconnects a connected component and connects when
  // it read Active = True, or read no Active line and was connected, so the new settings
  // take effect.
  void LoadFromStream(TStream& Stream);
  // Raises "Wrong file format" unless the file's first 299 bytes name this class.
  void LoadFromFile(const std::string& FromFile);

  void HandleMsg(TObject* Msg) override;
  // The keep-alive check.
  void HandleTimer() override;

  TOnOPCErrorEvent OnError;
  TOnOPCServerShutdownEvent OnServerShutdown;
  TOnOPCConnectEvent OnConnect;
  TOnOPCConnectEvent OnDisconnect;
  TOnOPCTimeoutEvent OnTimeout;
  TOnOPCLogEvent OnLog;

protected:
  void Loaded() override;

  virtual void HandleShutdown(int64_t IParam);
  virtual void HandleIntParamMsg(int32_t Value);
  virtual void DoLog(TZelkLogMsg* LogMsg);
  // Must be overridden: creates the transport object with this component as its owner.
  virtual ComPtr<IZelkConnection> CreateConnection();
  // After the transport connected, before Active becomes true.
  virtual void AfterConnect();
  // After OnConnect: starts the keep-alive timer. Overrides call it.
  virtual void AfterActivate();
  // First when deactivating: stops the timer. Overrides call it.
  virtual void BeforeDeactivate();
  virtual void GetServerInfo(TServerStateRecord& dState) = 0;

  // True with a connection; raises EOPCException "Server does not support requested
  // specification" when FWrongServertype is set, and, without a connection, offers OnError
  // "Not connected to server" and raises it as EOPCException in any case.
  bool CheckConnected();
  // Offers Errorstring to OnError and raises it as EOPCException unless the handler said not to.
  void DoError(const std::string& Errorstring);
  IZelkConnection* GetConnection() const { return FOPCClient.Get(); }

  // Stops the worker and deactivates without OnDisconnect, swallowing errors. A subclass's
  // destructor calls it first; later calls do nothing.
  void PrepareDestroy();

  std::string FVersion = "unknown";
  bool FWrongServertype = false;
  bool FShutDownFromServer = false;

private:
  void Activate();
  void Deactivate();
  IZelkConnection& RequireConnection() const;
  void LookupServerNames(std::string& Caption, std::string& ClsId) const;

  ComPtr<IZelkConnection> FOPCClient;
  bool FActive = false;
  std::string FServerName;
  std::string FComputername;
  std::string FClientName;
  std::string FServerCaption;
  int32_t FConnectDelay = 0;
  int32_t FKeepAlive = 0;
  tZelkConnectionType FProtocol;
  std::unique_ptr<TStringList> FCParams;
  int32_t fLogLevel = 0;
  bool fTimerInWork = false;
  // The Active value a settings text asked for; applied by Loaded. FActive stays the real state.
  std::optional<bool> fLoadedActive;
};

// ---------------------------------------------------------------------------------------------
// Server browser component

// One enumerated server, identified by its class id (for UA: the endpoint URL).
class TZelkServerItem : public TObject {
public:
  TZelkServerItem() = default;
  TZelkServerItem(std::string ComputerName, std::string Caption, std::string Name, std::string ClsId)
      : FComputerName(std::move(ComputerName)), FCaption(std::move(Caption)), FName(std::move(Name)),
        FClsId(std::move(ClsId)) {}
  std::string ClassName() const override { return "TZelkServerItem"; }

  const std::string& Computername() const { return FComputerName; }
  const std::string& ServerCaption() const { return FCaption; }
  const std::string& ServerName() const { return FName; }
  const std::string& ServerClsId() const { return FClsId; }
  tZelkServerSet ServerType() const { return FServerType; }
  int32_t Tag() const { return FTag; }
  void SetTag(int32_t Value) { FTag = Value; }

private:
  friend class TZelkServerBrowser;
  std::string FComputerName;
  std::string FCaption;
  std::string FName;
  std::string FClsId;
  tZelkServerSet FServerType;
  int32_t FTag = 0;
};

class TZelkServerBrowser;

class TZelkServerBrowserEnumerator : public TObject {
public:
  explicit TZelkServerBrowserEnumerator(const TZelkServerBrowser* AList) : FList(AList) {}
  std::string ClassName() const override { return "TZelkServerBrowserEnumerator"; }

  bool MoveNext();
  TZelkServerItem* Current() const;

private:
  int32_t FIndex = -1;
  const TZelkServerBrowser* FList;
};

// Lists the OPC servers of a computer through the registered transport of its protocol.
// Main thread only.
class TZelkServerBrowser : public TComponent {
public:
  explicit TZelkServerBrowser(TComponent* AOwner);
  std::string ClassName() const override { return "TZelkServerBrowser"; }
  // Protocol and ComputerName; the settings text has no form for the Servertype set.
  const TPropertyList& PublishedProperties() const override;

  // Replaces the items with what the transport reports; WithTypes enumerates type by type so
  // that each item's ServerType is filled. Items reported before a transport error stay.
  void Execute(bool WithTypes);
  void GetOPCServers(const std::string& Computername);

  void GetServerCaptions(TStrings* Namelist) const;
  void GetServerNames(TStrings* Namelist) const;
  void GetServerClsIds(TStrings* Namelist) const;
  // Exact, case-sensitive matches; -1 when none.
  int32_t FindByServerName(const std::string& ServerName) const;
  int32_t FindByClassId(const std::string& ClassId) const;
  // By name, then by class id.
  int32_t FindServer(const std::string& ServerName) const;

  int32_t Count() const { return static_cast<int32_t>(FServerList.size()); }
  // Both raise EListError outside 0..Count()-1.
  TZelkServerItem* Items(int32_t Index) const;
  // The browser owns Item (not null) from now on; the replaced item goes back to the caller.
  std::unique_ptr<TZelkServerItem> SetItems(int32_t Index, std::unique_ptr<TZelkServerItem> Item);
  // Frees every item, last first.
  void Clear();
  std::unique_ptr<TZelkServerBrowserEnumerator> GetEnumerator() const;

  tZelkConnectionType Protocol() const { return FConnection; }
  // Raises "Protocol not supported add ZelkXMLLink, ZelkCOMLink or ZelkUALink in uses clause"
  // for a type without registration.
  void SetProtocol(tZelkConnectionType Value);
  const std::string& ComputerName() const { return FComputerName; }
  void SetComputerName(const std::string& Value) { FComputerName = Value; }
  tZelkServerSet Servertype() const { return FServertype; }
  void SetServertype(tZelkServerSet Value) { FServertype = Value; }
  const std::string& ProxyUA() const { return FProxy; }
  void SetProxyUA(const std::string& Value) { FProxy = Value; }

private:
  void AddServer(const std::string& Caption, const std::string& Name, const std::string& ClsId,
                 tZelkServerSet ServerType);
  void CheckIndex(int32_t Index) const;

  std::vector<std::unique_ptr<TZelkServerItem>> FServerList;
  tZelkServerSet FServertype{svr_DA10, svr_DA20, svr_DA30};
  std::string FComputerName;
  tZelkConnectionType FConnection = coCOM;
  ComPtr<IZelkServerBrowser> FBrowser;  // only while enumerating
  std::string FProxy;
};
