#pragma once
// The HDA client component: TZelkHDAServer, a client component for one OPC HDA server over
// COM, its connection (TZelkCOMHDAConnection), the synchronous and asynchronous reads, the
// advise, and the data callback that turns the server's deliveries into events.
//
// Asynchronous requests. Each request is a TZelkHDAAsyncTransaction kept in a table that the
// component owns; the transaction id the server gets is the entry's 32-bit key, never an
// address. The callback looks an id up under the table's lock, so a delivery for a request
// that the table no longer holds finds nothing to write into. Entries go when the request
// completes (its event has fired), when the component deactivates (requests not yet
// delivered), when the component is destroyed, and when a list the request writes into is
// destroyed (HdaRequestListDestroyed).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "opc/_OPCHDA.h"
#include "toolkit/ZelkComn.h"
#include "toolkit/com/ZelkCom.h"
#include "toolkit/hda/ZelkHDAData.h"

class TZelkHDARequests;
class TZelkHDA_DataCallback;
enum class TZelkHDARequestKind : uint8_t;

// Every error the HDA operations raise themselves.
class EOPCHDAException : public EOPCException {
public:
  using EOPCException::EOPCException;
};

// The callback sub-ids of message 1030, and the EventType of OnReadComplete (5, 7 or 8).
enum TZelkHDAEventType : int32_t {
  evCancelComplete = 1,
  evDataChange = 2,
  evInsertAnnotations = 3,
  evPlayback = 4,
  evReadAnnotations = 5,
  evReadAttributeComplete = 6,
  evReadComplete = 7,
  evReadModifiedComplete = 8,
  evUpdateComplete = 9,
};

// The component ignores what the handlers return.
using TZelkHDAOnCancelCompleteEvent = std::function<HRESULT(TZelkHDAItems* hdaItems, uint32_t UserData)>;
using TZelkHDAOnDataChangeEvent = std::function<HRESULT(HRESULT Status, TZelkHDAItems* hdaItems, uint32_t UserData)>;
using TZelkHDAOnInsertAnnotationsEvent =
    std::function<HRESULT(HRESULT Status, TZelkHDAItems* hdaItems, uint32_t UserData)>;
using TZelkHDAOnReadAttributeCompleteEvent = std::function<HRESULT(
    HRESULT Status, TZelkHDAItem* HdaItem, TZelkHDAItemAttributes* hdaAttributes, uint32_t UserData)>;
using TZelkHDAOnReadCompleteEvent = std::function<HRESULT(HRESULT Status, TZelkHDAItems* hdaItems, uint32_t UserData,
                                                          TZelkHDAEventType EventType)>;
using TZelkHDAOnUpdateCompleteEvent = std::function<HRESULT(HRESULT Status, TZelkHDAItems* hdaItems,
                                                            TZelkHDAUpdateItems* UpdateList, uint32_t UserData)>;

// A set of up to eight capability flags; element n is bit n.
template <class TElement>
class TZelkCapsSet {
public:
  constexpr TZelkCapsSet() = default;
  constexpr bool Contains(TElement e) const { return (FBits >> e) & 1u; }
  constexpr void Include(TElement e) { FBits = static_cast<uint8_t>(FBits | (1u << e)); }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr uint8_t Bits() const { return FBits; }
  constexpr bool operator==(const TZelkCapsSet&) const = default;

private:
  uint8_t FBits = 0;
};

enum TcapSyncRead : uint8_t { srRaw, srProcessed, srAtTime, srModified, srAttribute };
enum TcapSyncUpdate : uint8_t { suInsert, suReplace, suInsertReplace, suDeleteRaw, suDeleteAtTime };
enum TcapSyncAnnotations : uint8_t { saRead, saInsert };
enum TcapAsyncRead : uint8_t { arRaw, arProcessed, arAtTime, arModified, arAttribute, arAdviseRaw, arAdviseProcessed };
enum TcapAsyncUpdate : uint8_t { auInsert, auReplace, auInsertReplace, auDeleteRaw, auDeleteAtTime };
enum TcapAsyncAnnotations : uint8_t { aaRead, aaInsert };
enum TcapPlayback : uint8_t { pbRaw, pbProcessed };

using TcapsSyncRead = TZelkCapsSet<TcapSyncRead>;
using TcapsSyncUpdate = TZelkCapsSet<TcapSyncUpdate>;
using TcapsSyncAnnotations = TZelkCapsSet<TcapSyncAnnotations>;
using TcapsAsyncRead = TZelkCapsSet<TcapAsyncRead>;
using TcapsAsyncUpdate = TZelkCapsSet<TcapAsyncUpdate>;
using TcapsAsyncAnnotations = TZelkCapsSet<TcapAsyncAnnotations>;
using TcapsPlayback = TZelkCapsSet<TcapPlayback>;

// One asynchronous request. It refers to the caller's lists without owning them; fields a
// request does not use stay null. The component's request table owns the pending ones; a
// message 1030 carries a copy that its handler frees.
class TZelkHDAAsyncTransaction : public TObject {
public:
  std::string ClassName() const override { return "TZelkHDAAsyncTransaction"; }

  uint32_t UserData = 0;
  HRESULT hrStatus = S_OK;  // the status the server reported with its delivery
  TZelkHDAItems* HdaItems = nullptr;
  TZelkHDAItem* HdaItem = nullptr;
  TZelkHDAItemAttributes* hdaAttributes = nullptr;
  TZelkHDAUpdateItems* UpdateList = nullptr;
  // The transaction id the server was given: the request's key in the component's table.
  uint32_t ID = 0;
};

// Date-time (local) as an OPCHDA_TIME: a positive one as its UTC FILETIME; 0 and below as a
// string-form time without text (bString -1, szTime null, ftTime 0).
OPCHDA_TIME DateTimeToHdaTime(TDateTime dt);
// A duration in seconds as a FILETIME interval of 100-ns units, rounded half to even.
// Durations beyond the 64-bit range are clamped to it; not-a-number gives 0.
FILETIME SecondsToFileTime(double Seconds);

// A list that requests may write into (TZelkHDAItems, TZelkHDAItemAttributes,
// TZelkHDAUpdateItems or a TZelkHDAItem) is going away: every component forgets the requests
// that refer to it, so late deliveries find nothing. The data model calls it from those
// destructors.
void HdaRequestListDestroyed(const TObject* List);

// The COM connection to an OPC HDA server.
class TZelkCOMHDAConnection : public TZelkCOMConnection {
public:
  using TZelkCOMConnection::TZelkCOMConnection;
  std::string ClassName() const override { return "TZelkCOMHDAConnection"; }

  // The server object's IOPCHDA_Server for the calling thread; null when not connected or
  // when the object has none.
  ComPtr<IOPCHDA_Server> OPCServer();
  // The historian status. Raises EOPCServerException "Not connected to server" without a
  // server object, EOPCServerException "Server does not support requested specification"
  // when it is no HDA server, and the OPC error of a failed GetHistorianStatus.
  TServerStateRecord GetStatus();
  // Alive while GetHistorianStatus answers.
  bool DoTimer() override;
};

// The client component of one OPC HDA server.
class TZelkHDAServer : public TZelkClient {
public:
  explicit TZelkHDAServer(TComponent* AOwner);
  // Deactivates without OnDisconnect; pending requests are forgotten first, so nothing the
  // server delivers later reaches this component or the requests' lists.
  ~TZelkHDAServer() override;
  std::string ClassName() const override { return "TZelkHDAServer"; }

  // The server tables, fetched at the first access after each connect (and again while the
  // server does not answer S_OK). Owned by the component. Raise the connection check's
  // EOPCException when not connected.
  TZelkHDAItemAttributes* ItemAttributes();
  TZelkHDAAggregates* Aggregates();

  // Server handles for every item of the list in one call; an item the server refuses gets 0.
  // E_FAIL without a call for an empty list or without an HDA server. Never raises for a
  // failed call.
  HRESULT GetItemHandles(TZelkHDAItems* hdaItems);

  // Synchronous reads. Values are appended to the items' Values; the attribute read replaces
  // each attribute's values. The result is the server call's (E_FAIL when none was made); a
  // failed call raises (see CheckResult) while exceptions are enabled.
  HRESULT SyncReadRaw(TDateTime StartTime, TDateTime EndTime, uint32_t NumValues, BOOL bBounds,
                      TZelkHDAItems* OpcHdaItems);
  HRESULT SyncReadProcessed(TDateTime StartTime, TDateTime EndTime, double ResampleIntervalSeconds,
                            TZelkHDAItems* OpcHdaItems);
  HRESULT SyncReadAtTime(TDateTimeList* TimeStampList, TZelkHDAItems* OpcHdaItems);
  HRESULT SyncReadModified(TDateTime StartTime, TDateTime EndTime, uint32_t NumValues, TZelkHDAItems* OpcHdaItems);
  HRESULT SyncReadAttribute(TDateTime StartTime, TDateTime EndTime, TZelkHDAItem* OpcHdaItem,
                            TZelkHDAItemAttributes* hdaAttributes);

  // Asynchronous requests: the server answers later through the data callback and the
  // matching event fires on the delivery thread. The lists must stay alive until then (for
  // advises: until the cancel is confirmed). CancelID receives the server's cancel id.
  HRESULT AsyncReadRaw(TDateTime StartTime, TDateTime EndTime, uint32_t NumValues, BOOL bBounds,
                       TZelkHDAItems* OpcHdaItems, uint32_t& CancelID, uint32_t UserData);
  HRESULT AsyncAdviseRaw(TDateTime StartTime, double IntervalSeconds, TZelkHDAItems* OpcHdaItems, uint32_t& CancelID,
                         uint32_t UserData);
  HRESULT AsyncReadProcessed(TDateTime StartTime, TDateTime EndTime, double ResampleIntervalSeconds,
                             TZelkHDAItems* OpcHdaItems, uint32_t& CancelID, uint32_t UserData);
  HRESULT AsyncAdviseProcessed(TDateTime StartTime, double IntervalSeconds, uint32_t NumIntervals,
                               TZelkHDAItems* OpcHdaItems, uint32_t& CancelID, uint32_t UserData);
  HRESULT AsyncReadAtTime(TDateTimeList* TimeStampList, TZelkHDAItems* OpcHdaItems, uint32_t& CancelID,
                          uint32_t UserData);
  HRESULT AsyncReadModified(TDateTime StartTime, TDateTime EndTime, uint32_t NumValues, TZelkHDAItems* OpcHdaItems,
                            uint32_t& CancelID, uint32_t UserData);
  HRESULT AsyncReadAttribute(TDateTime StartTime, TDateTime EndTime, TZelkHDAItem* OpcHdaItem,
                             TZelkHDAItemAttributes* hdaAttributes, uint32_t& CancelID, uint32_t UserData);
  // The server's answer, unchecked.
  HRESULT AsyncReadCancel(uint32_t CancelID);

  void HandleMsg(TObject* Msg) override;

  TZelkHDAOnCancelCompleteEvent OnCancelComplete;
  TZelkHDAOnDataChangeEvent OnDataChange;
  TZelkHDAOnInsertAnnotationsEvent OnInsertAnnotations;
  TZelkHDAOnReadAttributeCompleteEvent OnReadAttributeComplete;
  TZelkHDAOnReadCompleteEvent OnReadComplete;
  TZelkHDAOnUpdateCompleteEvent OnUpdateComplete;

  // The cookie of the data-callback subscription; 0 when none is advised.
  DWORD AsyncConnection = 0;

protected:
  ComPtr<IZelkConnection> CreateConnection() override;
  void AfterActivate() override;
  void BeforeDeactivate() override;
  void GetServerInfo(TServerStateRecord& dState) override;

  // The server's IOPCHDA_Server, or null (then the server counts as of the wrong kind).
  ComPtr<IOPCHDA_Server> GetOPCHDAServer();
  // The optional interfaces, cached after their first success; they run the connection
  // check and raise EOPCHDAException "Interface not supported" when the server lacks one.
  ComPtr<IOPCHDA_SyncRead> GetSyncReadIntf();
  ComPtr<IOPCHDA_SyncUpdate> GetSyncUpdateIntf();
  ComPtr<IOPCHDA_SyncAnnotations> GetSyncAnnotationsIntf();
  ComPtr<IOPCHDA_AsyncRead> GetAsyncReadIntf();
  ComPtr<IOPCHDA_AsyncUpdate> GetAsyncUpdateIntf();
  ComPtr<IOPCHDA_AsyncAnnotations> GetAsyncAnnotationsIntf();
  ComPtr<IOPCHDA_Playback> GetPlaybackIntf();

  // True for a success code. A failure forgets Transaction (when given) and, while
  // fRaiseException is set, raises EOPCHDAException "<name>: <message>", or EOleSysError for a
  // code without an OPC message; otherwise returns false.
  bool CheckResult(HRESULT hr, TZelkHDAAsyncTransaction* Transaction);

  // Cleared only while capabilities are probed: failed calls then return their code.
  bool fRaiseException = true;

  TZelkCOMHDAConnection* FConnection = nullptr;  // kept alive by the client's connection reference
  uint32_t fSyncUpdateCapabilities = 0;
  uint32_t fSyncAnnotationsCapabilities = 0;
  uint32_t fAsyncUpdateCapabilities = 0;
  uint32_t FAsyncAnnotationsCapabilities = 0;
  TcapsSyncRead fcapsSyncRead;
  TcapsSyncUpdate fcapsSyncUpdate;
  TcapsSyncAnnotations fcapsSyncAnnotations;
  TcapsAsyncRead fcapsAsyncRead;
  TcapsAsyncUpdate fcapsAsyncUpdate;
  TcapsAsyncAnnotations fcapsAsyncAnnotations;
  TcapsPlayback fcapsPlayback;

private:
  friend class TZelkHDA_DataCallback;

  void ResetInterfaces();
  void SubscribeDataCallback();
  void UnsubscribeDataCallback();
  template <class I>
  ComPtr<I> GetOptionalIntf(ComPtr<I>& Cache);
  // Registers Transaction, runs Call with its id and the out-parameters, and settles the
  // request by the result.
  HRESULT IssueRequest(std::unique_ptr<TZelkHDAAsyncTransaction> Transaction, TZelkHDARequestKind Kind, uint32_t& CancelID,
                       const std::function<HRESULT(DWORD TransactionID, DWORD* CancelID, HRESULT** Errors)>& Call);
  std::unique_ptr<TZelkHDAAsyncTransaction> NewTransaction(TZelkHDAItems* Items, uint32_t UserData) const;
  void DispatchCallback(uint32_t SubId, const TZelkHDAAsyncTransaction& Delivery);

  ComPtr<IOPCHDA_SyncRead> FSyncRead;
  ComPtr<IOPCHDA_SyncUpdate> FSyncUpdate;
  ComPtr<IOPCHDA_SyncAnnotations> FSyncAnnotations;
  ComPtr<IOPCHDA_AsyncRead> FAsyncRead;
  ComPtr<IOPCHDA_AsyncUpdate> FAsyncUpdate;
  ComPtr<IOPCHDA_AsyncAnnotations> FAsyncAnnotations;
  ComPtr<IOPCHDA_Playback> FPlayback;
  bool WantNewItemAttributes = true;
  bool WantNewAggregates = true;
  std::unique_ptr<TZelkHDAAggregates> fAggregates;
  std::unique_ptr<TZelkHDAItemAttributes> fItemAttributes;
  // Shared with the data callback, which may outlive the component.
  std::shared_ptr<TZelkHDARequests> FRequests;
};

// The component's IOPCHDA_DataCallback. It holds the component's request table, not the
// component: a server that calls after the component went, or for a request the table no
// longer holds, finds nothing. Every method answers S_OK.
class TZelkHDA_DataCallback : public TComObject<IOPCHDA_DataCallback> {
public:
  explicit TZelkHDA_DataCallback(TZelkHDAServer* ZelkHDAServer);

  HRESULT STDMETHODCALLTYPE OnDataChange(DWORD dwTransactionID, HRESULT hrStatus, DWORD dwNumItems,
                                         OPCHDA_ITEM* pItemValues, HRESULT* phrErrors) override;
  HRESULT STDMETHODCALLTYPE OnReadComplete(DWORD dwTransactionID, HRESULT hrStatus, DWORD dwNumItems,
                                           OPCHDA_ITEM* pItemValues, HRESULT* phrErrors) override;
  HRESULT STDMETHODCALLTYPE OnReadModifiedComplete(DWORD dwTransactionID, HRESULT hrStatus, DWORD dwNumItems,
                                                   OPCHDA_MODIFIEDITEM* pItemValues, HRESULT* phrErrors) override;
  HRESULT STDMETHODCALLTYPE OnReadAttributeComplete(DWORD dwTransactionID, HRESULT hrStatus, OPCHANDLE hClient,
                                                    DWORD dwNumItems, OPCHDA_ATTRIBUTE* pAttributeValues,
                                                    HRESULT* phrErrors) override;
  HRESULT STDMETHODCALLTYPE OnReadAnnotations(DWORD dwTransactionID, HRESULT hrStatus, DWORD dwNumItems,
                                              OPCHDA_ANNOTATION* pAnnotationValues, HRESULT* phrErrors) override;
  HRESULT STDMETHODCALLTYPE OnInsertAnnotations(DWORD dwTransactionID, HRESULT hrStatus, DWORD dwCount,
                                                OPCHANDLE* phClients, HRESULT* phrErrors) override;
  HRESULT STDMETHODCALLTYPE OnPlayback(DWORD dwTransactionID, HRESULT hrStatus, DWORD dwNumItems,
                                       OPCHDA_ITEM** ppItemValues, HRESULT* phrErrors) override;
  HRESULT STDMETHODCALLTYPE OnUpdateComplete(DWORD dwTransactionID, HRESULT hrStatus, DWORD dwCount,
                                             OPCHANDLE* phClients, HRESULT* phrErrors) override;
  HRESULT STDMETHODCALLTYPE OnCancelComplete(DWORD dwCancelID) override;

private:
  std::shared_ptr<TZelkHDARequests> FRequests;
  const uint32_t FGeneration;  // the connection this callback was subscribed for
};
