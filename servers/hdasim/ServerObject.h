#pragma once
// The simulation historian's COM object: every OPC HDA 1.20 server interface over one
// HdaHistorian. The methods are defined by concern: ServerObject.cpp (IOPCCommon,
// IOPCHDA_Server, connection points), ServerSyncRead.cpp, ServerSyncUpdate.cpp,
// ServerAnnotations.cpp and ServerAsync.cpp (asynchronous reads, updates, annotations and
// playback on the object's worker thread). The callbacks are delivered to each advised sink
// in the apartment it advised from.
//
// Where the standard leaves room:
// - A call with per-item results returns S_FALSE when some entry failed, S_OK otherwise.
// - Callbacks carry every requested item in request order, an item that failed at the request
//   with its error and no values, so that positions always match the request.
// - An asynchronous request with no data callback advised fails with CONNECT_E_NOCONNECTION;
//   Cancel of an id that is unknown or already answered fails with E_FAIL.
// - Attributes have no history: a read gives each one's current value, stamped now, with
//   OPC_S_CURRENTVALUE.
// - An aggregate that the item's type does not allow answers OPC_E_NOT_AVAIL for that item.

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "opc/_OPCCOMN.h"
#include "opc/_OPCHDA.h"
#include "platform/PlatformExtensions.h"
#include "servers/hdasim/ServerRequests.h"
#include "servers/hdasim/ServerWorker.h"

class THdaSimServer
    : public TComObject<IOPCHDA_Server, IOPCCommon, IConnectionPointContainer, IOPCHDA_SyncRead, IOPCHDA_SyncUpdate,
                        IOPCHDA_SyncAnnotations, IOPCHDA_AsyncRead, IOPCHDA_AsyncUpdate, IOPCHDA_AsyncAnnotations,
                        IOPCHDA_Playback> {
public:
  explicit THdaSimServer(std::shared_ptr<HdaHistorian> historian);
  ~THdaSimServer() override;

  // Queues IOPCShutdown::ShutdownRequest(reason) for every shutdown sink of every live server
  // object, each in the apartment it advised from.
  static void RequestShutdownOfAll(const std::u16string& reason);

  // IOPCCommon
  HRESULT STDMETHODCALLTYPE SetLocaleID(LCID dwLcid) override;
  HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* pdwLcid) override;
  HRESULT STDMETHODCALLTYPE QueryAvailableLocaleIDs(DWORD* pdwCount, LCID** pdwLcid) override;
  HRESULT STDMETHODCALLTYPE GetErrorString(HRESULT dwError, LPWSTR* ppString) override;
  HRESULT STDMETHODCALLTYPE SetClientName(LPCWSTR szName) override;

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

  // IOPCHDA_Server
  HRESULT STDMETHODCALLTYPE GetItemAttributes(DWORD* pdwCount, DWORD** ppdwAttrID, LPWSTR** ppszAttrName,
                                              LPWSTR** ppszAttrDesc, VARTYPE** ppvtAttrDataType) override;
  HRESULT STDMETHODCALLTYPE GetAggregates(DWORD* pdwCount, DWORD** ppdwAggrID, LPWSTR** ppszAggrName,
                                          LPWSTR** ppszAggrDesc) override;
  HRESULT STDMETHODCALLTYPE GetHistorianStatus(OPCHDA_SERVERSTATUS* pwStatus, FILETIME** pftCurrentTime,
                                               FILETIME** pftStartTime, WORD* pwMajorVersion, WORD* pwMinorVersion,
                                               WORD* pwBuildNumber, DWORD* pdwMaxReturnValues,
                                               LPWSTR* ppszStatusString, LPWSTR* ppszVendorInfo) override;
  HRESULT STDMETHODCALLTYPE GetItemHandles(DWORD dwCount, LPWSTR* pszItemID, OPCHANDLE* phClient,
                                           OPCHANDLE** pphServer, HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE ReleaseItemHandles(DWORD dwCount, OPCHANDLE* phServer, HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE ValidateItemIDs(DWORD dwCount, LPWSTR* pszItemID, HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE CreateBrowse(DWORD dwCount, DWORD* pdwAttrID, OPCHDA_OPERATORCODES* pOperator,
                                         VARIANT* vFilter, IOPCHDA_Browser** pphBrowser, HRESULT** ppErrors) override;

  // IOPCHDA_SyncRead
  HRESULT STDMETHODCALLTYPE ReadRaw(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime, DWORD dwNumValues, BOOL bBounds,
                                    DWORD dwNumItems, OPCHANDLE* phServer, OPCHDA_ITEM** ppItemValues,
                                    HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE ReadProcessed(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime,
                                          FILETIME ftResampleInterval, DWORD dwNumItems, OPCHANDLE* phServer,
                                          DWORD* haAggregate, OPCHDA_ITEM** ppItemValues, HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE ReadAtTime(DWORD dwNumTimeStamps, FILETIME* ftTimeStamps, DWORD dwNumItems,
                                       OPCHANDLE* phServer, OPCHDA_ITEM** ppItemValues, HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE ReadModified(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime, DWORD dwNumValues,
                                         DWORD dwNumItems, OPCHANDLE* phServer, OPCHDA_MODIFIEDITEM** ppItemValues,
                                         HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE ReadAttribute(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime, OPCHANDLE hServer,
                                          DWORD dwNumAttributes, DWORD* pdwAttributeIDs,
                                          OPCHDA_ATTRIBUTE** ppAttributeValues, HRESULT** ppErrors) override;

  // IOPCHDA_SyncUpdate
  HRESULT STDMETHODCALLTYPE QueryCapabilities(OPCHDA_UPDATECAPABILITIES* pCapabilities) override;
  HRESULT STDMETHODCALLTYPE Insert(DWORD dwNumItems, OPCHANDLE* phServer, FILETIME* ftTimeStamps,
                                   VARIANT* vDataValues, DWORD* pdwQualities, HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE Replace(DWORD dwNumItems, OPCHANDLE* phServer, FILETIME* ftTimeStamps,
                                    VARIANT* vDataValues, DWORD* pdwQualities, HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE InsertReplace(DWORD dwNumItems, OPCHANDLE* phServer, FILETIME* ftTimeStamps,
                                          VARIANT* vDataValues, DWORD* pdwQualities, HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE DeleteRaw(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime, DWORD dwNumItems,
                                      OPCHANDLE* phServer, HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE DeleteAtTime(DWORD dwNumItems, OPCHANDLE* phServer, FILETIME* ftTimeStamps,
                                         HRESULT** ppErrors) override;

  // IOPCHDA_SyncAnnotations
  HRESULT STDMETHODCALLTYPE QueryCapabilities(OPCHDA_ANNOTATIONCAPABILITIES* pCapabilities) override;
  HRESULT STDMETHODCALLTYPE Read(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime, DWORD dwNumItems,
                                 OPCHANDLE* phServer, OPCHDA_ANNOTATION** ppAnnotationValues,
                                 HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE Insert(DWORD dwNumItems, OPCHANDLE* phServer, FILETIME* ftTimeStamps,
                                   OPCHDA_ANNOTATION* pAnnotationValues, HRESULT** ppErrors) override;

  // IOPCHDA_AsyncRead
  HRESULT STDMETHODCALLTYPE ReadRaw(DWORD dwTransactionID, OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime,
                                    DWORD dwNumValues, BOOL bBounds, DWORD dwNumItems, OPCHANDLE* phServer,
                                    DWORD* pdwCancelID, HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE AdviseRaw(DWORD dwTransactionID, OPCHDA_TIME* htStartTime, FILETIME ftUpdateInterval,
                                      DWORD dwNumItems, OPCHANDLE* phServer, DWORD* pdwCancelID,
                                      HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE ReadProcessed(DWORD dwTransactionID, OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime,
                                          FILETIME ftResampleInterval, DWORD dwNumItems, OPCHANDLE* phServer,
                                          DWORD* haAggregate, DWORD* pdwCancelID, HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE AdviseProcessed(DWORD dwTransactionID, OPCHDA_TIME* htStartTime,
                                            FILETIME ftResampleInterval, DWORD dwNumItems, OPCHANDLE* phServer,
                                            DWORD* haAggregate, DWORD dwNumIntervals, DWORD* pdwCancelID,
                                            HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE ReadAtTime(DWORD dwTransactionID, DWORD dwNumTimeStamps, FILETIME* ftTimeStamps,
                                       DWORD dwNumItems, OPCHANDLE* phServer, DWORD* pdwCancelID,
                                       HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE ReadModified(DWORD dwTransactionID, OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime,
                                         DWORD dwNumValues, DWORD dwNumItems, OPCHANDLE* phServer,
                                         DWORD* pdwCancelID, HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE ReadAttribute(DWORD dwTransactionID, OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime,
                                          OPCHANDLE hServer, DWORD dwNumAttributes, DWORD* dwAttributeIDs,
                                          DWORD* pdwCancelID, HRESULT** ppErrors) override;
  // One cancel for every asynchronous interface: cancel ids are unique across them.
  HRESULT STDMETHODCALLTYPE Cancel(DWORD dwCancelID) override;

  // IOPCHDA_AsyncUpdate
  HRESULT STDMETHODCALLTYPE Insert(DWORD dwTransactionID, DWORD dwNumItems, OPCHANDLE* phServer,
                                   FILETIME* ftTimeStamps, VARIANT* vDataValues, DWORD* pdwQualities,
                                   DWORD* pdwCancelID, HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE Replace(DWORD dwTransactionID, DWORD dwNumItems, OPCHANDLE* phServer,
                                    FILETIME* ftTimeStamps, VARIANT* vDataValues, DWORD* pdwQualities,
                                    DWORD* pdwCancelID, HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE InsertReplace(DWORD dwTransactionID, DWORD dwNumItems, OPCHANDLE* phServer,
                                          FILETIME* ftTimeStamps, VARIANT* vDataValues, DWORD* pdwQualities,
                                          DWORD* pdwCancelID, HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE DeleteRaw(DWORD dwTransactionID, OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime,
                                      DWORD dwNumItems, OPCHANDLE* phServer, DWORD* pdwCancelID,
                                      HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE DeleteAtTime(DWORD dwTransactionID, DWORD dwNumItems, OPCHANDLE* phServer,
                                         FILETIME* ftTimeStamps, DWORD* pdwCancelID, HRESULT** ppErrors) override;

  // IOPCHDA_AsyncAnnotations
  HRESULT STDMETHODCALLTYPE Read(DWORD dwTransactionID, OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime,
                                 DWORD dwNumItems, OPCHANDLE* phServer, DWORD* pdwCancelID,
                                 HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE Insert(DWORD dwTransactionID, DWORD dwNumItems, OPCHANDLE* phServer,
                                   FILETIME* ftTimeStamps, OPCHDA_ANNOTATION* pAnnotationValues, DWORD* pdwCancelID,
                                   HRESULT** ppErrors) override;

  // IOPCHDA_Playback
  HRESULT STDMETHODCALLTYPE ReadRawWithUpdate(DWORD dwTransactionID, OPCHDA_TIME* htStartTime,
                                              OPCHDA_TIME* htEndTime, DWORD dwNumValues, FILETIME ftUpdateDuration,
                                              FILETIME ftUpdateInterval, DWORD dwNumItems, OPCHANDLE* phServer,
                                              DWORD* pdwCancelID, HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE ReadProcessedWithUpdate(DWORD dwTransactionID, OPCHDA_TIME* htStartTime,
                                                    OPCHDA_TIME* htEndTime, FILETIME ftResampleInterval,
                                                    DWORD dwNumIntervals, FILETIME ftUpdateInterval,
                                                    DWORD dwNumItems, OPCHANDLE* phServer, DWORD* haAggregate,
                                                    DWORD* pdwCancelID, HRESULT** ppErrors) override;

protected:
  // The parsed arguments of the requests that sync and async forms share; E_INVALIDARG and
  // friends for arguments the call refuses as a whole.
  HRESULT ParseRawRead(OPCHDA_TIME* start, OPCHDA_TIME* end, DWORD numValues, BOOL bounds, DWORD count,
                       const OPCHANDLE* handles, THdaRawRead& request);
  HRESULT ParseProcessedRead(OPCHDA_TIME* start, OPCHDA_TIME* end, FILETIME interval, DWORD count,
                             const OPCHANDLE* handles, const DWORD* aggregates, THdaProcessedRead& request);
  HRESULT ParseAtTimeRead(DWORD timeCount, const FILETIME* times, DWORD count, const OPCHANDLE* handles,
                          THdaAtTimeRead& request);
  HRESULT ParseModifiedRead(OPCHDA_TIME* start, OPCHDA_TIME* end, DWORD numValues, DWORD count,
                            const OPCHANDLE* handles, THdaModifiedRead& request);
  HRESULT ParseAttributeRead(OPCHDA_TIME* start, OPCHDA_TIME* end, OPCHANDLE handle, DWORD count, const DWORD* ids,
                             THdaAttributeRead& request);
  HRESULT ParseAnnotationRead(OPCHDA_TIME* start, OPCHDA_TIME* end, DWORD count, const OPCHANDLE* handles,
                              THdaAnnotationRead& request);
  HRESULT ParseValueUpdate(HdaEditType type, DWORD count, const OPCHANDLE* handles, const FILETIME* times,
                           const VARIANT* values, const DWORD* qualities, THdaValueUpdate& request);
  HRESULT ParseRawDelete(OPCHDA_TIME* start, OPCHDA_TIME* end, DWORD count, const OPCHANDLE* handles,
                         THdaRawDelete& request);
  HRESULT ParseAnnotationInsert(DWORD count, const OPCHANDLE* handles, const FILETIME* times,
                                const OPCHDA_ANNOTATION* annotations, THdaAnnotationInsert& request);

  // Resolves server handles; an unknown one gives Item -1.
  std::vector<THdaItemRef> ResolveHandles(DWORD count, const OPCHANDLE* handles) const;
  // A start and end pair that both must be given.
  HRESULT ResolveSpan(OPCHDA_TIME* start, OPCHDA_TIME* end, int64_t& from, int64_t& to);
  std::string ClientName() const;

  const std::shared_ptr<HdaHistorian> FHistorian;

private:
  struct THandle {
    int Item;
    OPCHANDLE Client;
  };

  // Synchronous update, delete and annotation-insert calls share their ending: the per-item
  // results handed out.
  template <class TRequest>
  HRESULT RunUpdate(HRESULT parsed, const TRequest& request, HRESULT** ppErrors) {
    if (FAILED(parsed)) return parsed;
    std::unique_ptr<THdaHandleResults> results = Execute(*FHistorian, request);
    if (!results) return E_OUTOFMEMORY;
    return results->HandOutErrors(ppErrors);
  }
  // Starts an asynchronous request whose arguments were accepted: a new cancel id, the
  // request's immediate per-entry errors handed out, the step queued on the worker.
  HRESULT StartRequest(HRESULT parsed, const std::vector<HRESULT>& errors, DWORD* pdwCancelID, HRESULT** ppErrors,
                       THdaSimWorker::TStep step, bool repeating);
  // A request answered by one callback: call(sink, status, count, records, errors).
  template <class TRequest, class TCall>
  HRESULT StartOnce(HRESULT parsed, const TRequest& request, DWORD* pdwCancelID, HRESULT** ppErrors, TCall call);
  // Queues call(sink) in each advised data-callback sink's apartment. The call must own what
  // it passes: it runs after this returns.
  void PostToDataSinks(std::function<void(IOPCHDA_DataCallback*)> call);
  // Posts the results (or E_OUTOFMEMORY with none) through call(sink, status, count, records, errors).
  template <class TResults, class TCall>
  void Deliver(std::unique_ptr<TResults> results, TCall call);
  // Advise and playback steps.
  THdaSimWorker::TStep AdviseRawStep(DWORD transactionId, std::vector<THdaItemRef> items, int64_t start,
                                     THdaSimWorker::TClock::duration interval);
  THdaSimWorker::TStep AdviseProcessedStep(DWORD transactionId, THdaProcessedRead request, int64_t chunk);
  THdaSimWorker::TStep PlaybackStep(DWORD transactionId, std::shared_ptr<THdaRawRead> raw,
                                    std::shared_ptr<THdaProcessedRead> processed, int64_t start, int64_t end,
                                    int64_t duration, THdaSimWorker::TClock::duration interval);

  mutable std::mutex FLock;  // guards the fields below up to the connection points
  std::map<OPCHANDLE, THandle> FHandles;
  OPCHANDLE FLastHandle = 0;
  LCID FLocale = LOCALE_SYSTEM_DEFAULT;
  std::string FClientName;
  std::atomic<DWORD> FLastCancelId{0};

  TConnectionPoints FPoints{this};
  TConnectionPoint& FShutdownPoint = FPoints.Add(IID_IOPCShutdown);
  TConnectionPoint& FCallbackPoint = FPoints.Add(IID_IOPCHDA_DataCallback);
  // Last, so that it stops before the rest of the object goes.
  THdaSimWorker FWorker;
};

// The reduced variant: IOPCHDA_Server and IOPCHDA_SyncRead only, with raw and attribute reads.
class THdaSimMinimalServer : public THdaSimServer {
public:
  using THdaSimServer::THdaSimServer;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
  HRESULT STDMETHODCALLTYPE ReadProcessed(OPCHDA_TIME*, OPCHDA_TIME*, FILETIME, DWORD, OPCHANDLE*, DWORD*,
                                          OPCHDA_ITEM** ppItemValues, HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE ReadAtTime(DWORD, FILETIME*, DWORD, OPCHANDLE*, OPCHDA_ITEM** ppItemValues,
                                       HRESULT** ppErrors) override;
  HRESULT STDMETHODCALLTYPE ReadModified(OPCHDA_TIME*, OPCHDA_TIME*, DWORD, DWORD, OPCHANDLE*,
                                         OPCHDA_MODIFIEDITEM** ppItemValues, HRESULT** ppErrors) override;
  using THdaSimServer::ReadAtTime;
  using THdaSimServer::ReadModified;
  using THdaSimServer::ReadProcessed;
};
