// IOPCHDA_AsyncRead, IOPCHDA_AsyncUpdate, IOPCHDA_AsyncAnnotations and IOPCHDA_Playback: the
// requests run on the object's worker thread and answer through the data callback, which
// each advised sink receives in the apartment it advised from, as calls from an
// out-of-process server would arrive.

#include <algorithm>

#include "servers/hdasim/HdaPlayback.h"
#include "servers/hdasim/ServerObject.h"
#include "servers/hdasim/ServerTime.h"
#include "opc/_opcda.h"

namespace {

using TClock = THdaSimWorker::TClock;

bool ClearOut(DWORD* cancelId, HRESULT** errors) {
  if (!cancelId || !errors) return false;
  *cancelId = 0;
  *errors = nullptr;
  return true;
}

std::vector<HRESULT> HandleErrors(const std::vector<THdaItemRef>& items) {
  std::vector<HRESULT> errors(items.size(), S_OK);
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].Item < 0) errors[i] = OPC_E_INVALIDHANDLE;
  return errors;
}

// Ticks (100 ns) as the worker's clock counts them.
TClock::duration WorkerTime(int64_t ticks) {
  return std::chrono::duration_cast<TClock::duration>(std::chrono::nanoseconds(ticks) * 100);
}

// An update interval as the worker's clock counts it: none for one not above 0; longer than a
// year waits a year.
std::optional<TClock::duration> Interval(const FILETIME& interval) {
  constexpr int64_t Year = 366LL * 86'400 * 10'000'000;
  const int64_t ticks = TicksOf(interval);
  if (ticks <= 0) return std::nullopt;
  return WorkerTime(std::min(ticks, Year));
}

// A resample interval times a count, when both are positive and the product is no longer
// than HdaLongestSpan.
std::optional<int64_t> Span(int64_t interval, DWORD count) {
  if (interval <= 0 || count == 0 || interval > HdaLongestSpan / static_cast<int64_t>(count)) return std::nullopt;
  return interval * static_cast<int64_t>(count);
}

// The callbacks that answer each kind of request, carrying the client's transaction id.
auto ReadComplete(DWORD transactionId) {
  return [transactionId](IOPCHDA_DataCallback* sink, HRESULT status, DWORD count, OPCHDA_ITEM* items,
                         HRESULT* errors) { sink->OnReadComplete(transactionId, status, count, items, errors); };
}

auto DataChange(DWORD transactionId) {
  return [transactionId](IOPCHDA_DataCallback* sink, HRESULT status, DWORD count, OPCHDA_ITEM* items,
                         HRESULT* errors) { sink->OnDataChange(transactionId, status, count, items, errors); };
}

auto ReadModifiedComplete(DWORD transactionId) {
  return [transactionId](IOPCHDA_DataCallback* sink, HRESULT status, DWORD count, OPCHDA_MODIFIEDITEM* items,
                         HRESULT* errors) {
    sink->OnReadModifiedComplete(transactionId, status, count, items, errors);
  };
}

auto ReadAnnotations(DWORD transactionId) {
  return [transactionId](IOPCHDA_DataCallback* sink, HRESULT status, DWORD count, OPCHDA_ANNOTATION* annotations,
                         HRESULT* errors) {
    sink->OnReadAnnotations(transactionId, status, count, annotations, errors);
  };
}

auto InsertAnnotations(DWORD transactionId) {
  return [transactionId](IOPCHDA_DataCallback* sink, HRESULT status, DWORD count, OPCHANDLE* clients,
                         HRESULT* errors) { sink->OnInsertAnnotations(transactionId, status, count, clients, errors); };
}

auto UpdateComplete(DWORD transactionId) {
  return [transactionId](IOPCHDA_DataCallback* sink, HRESULT status, DWORD count, OPCHANDLE* clients,
                         HRESULT* errors) { sink->OnUpdateComplete(transactionId, status, count, clients, errors); };
}

auto Playback(DWORD transactionId) {
  return [transactionId](IOPCHDA_DataCallback* sink, HRESULT status, DWORD count, OPCHDA_ITEM* items,
                         HRESULT* errors) {
    // Playback hands each item's record through a pointer of its own.
    std::vector<OPCHDA_ITEM*> pointers(count);
    for (DWORD i = 0; i < count; ++i) pointers[i] = &items[i];
    sink->OnPlayback(transactionId, status, count, pointers.data(), errors);
  };
}

}  // namespace

void THdaSimServer::PostToDataSinks(std::function<void(IOPCHDA_DataCallback*)> call) {
  auto shared = std::make_shared<const std::function<void(IOPCHDA_DataCallback*)>>(std::move(call));
  for (const TConnectionPoint::TSink& sink : FCallbackPoint.Sinks()) {
    sink.Apartment->Post([sink = sink.Sink, shared] {
      // The stored pointer came from QueryInterface for IOPCHDA_DataCallback.
      (*shared)(static_cast<IOPCHDA_DataCallback*>(static_cast<void*>(sink.Get())));
    });
  }
}

template <class TResults, class TCall>
void THdaSimServer::Deliver(std::unique_ptr<TResults> results, TCall call) {
  std::shared_ptr<TResults> shared = std::move(results);
  PostToDataSinks([shared, call](IOPCHDA_DataCallback* sink) {
    if (shared)
      call(sink, shared->Status(), shared->Count(), shared->Records(), shared->Errors());
    else
      call(sink, E_OUTOFMEMORY, 0, nullptr, nullptr);
  });
}

HRESULT THdaSimServer::StartRequest(HRESULT parsed, const std::vector<HRESULT>& errors, DWORD* pdwCancelID,
                                    HRESULT** ppErrors, THdaSimWorker::TStep step, bool repeating) {
  if (FAILED(parsed)) return parsed;
  // Without a callback the answer would go nowhere.
  if (FCallbackPoint.Sinks().empty()) return CONNECT_E_NOCONNECTION;
  HRESULT* out = TaskArray<HRESULT>(errors.size());
  if (!out) return E_OUTOFMEMORY;
  std::copy(errors.begin(), errors.end(), out);
  const DWORD id = ++FLastCancelId;
  FWorker.Add(
      id, std::move(step),
      [this, id] { PostToDataSinks([id](IOPCHDA_DataCallback* sink) { sink->OnCancelComplete(id); }); }, repeating);
  *pdwCancelID = id;
  *ppErrors = out;
  return std::any_of(errors.begin(), errors.end(), [](HRESULT e) { return FAILED(e); }) ? S_FALSE : S_OK;
}

template <class TRequest, class TCall>
HRESULT THdaSimServer::StartOnce(HRESULT parsed, const TRequest& request, DWORD* pdwCancelID, HRESULT** ppErrors,
                                 TCall call) {
  return StartRequest(parsed, HandleErrors(request.Items), pdwCancelID, ppErrors, [this, request, call] {
    Deliver(Execute(*FHistorian, request), call);
    return std::optional<TClock::time_point>();
  }, false);
}

HRESULT THdaSimServer::Cancel(DWORD dwCancelID) { return FWorker.Cancel(dwCancelID) ? S_OK : E_FAIL; }

// IOPCHDA_AsyncRead

HRESULT THdaSimServer::ReadRaw(DWORD dwTransactionID, OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime,
                               DWORD dwNumValues, BOOL bBounds, DWORD dwNumItems, OPCHANDLE* phServer,
                               DWORD* pdwCancelID, HRESULT** ppErrors) {
  if (!ClearOut(pdwCancelID, ppErrors)) return E_POINTER;
  THdaRawRead request;
  const HRESULT parsed = ParseRawRead(htStartTime, htEndTime, dwNumValues, bBounds, dwNumItems, phServer, request);
  return StartOnce(parsed, request, pdwCancelID, ppErrors, ReadComplete(dwTransactionID));
}

HRESULT THdaSimServer::ReadProcessed(DWORD dwTransactionID, OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime,
                                     FILETIME ftResampleInterval, DWORD dwNumItems, OPCHANDLE* phServer,
                                     DWORD* haAggregate, DWORD* pdwCancelID, HRESULT** ppErrors) {
  if (!ClearOut(pdwCancelID, ppErrors)) return E_POINTER;
  THdaProcessedRead request;
  const HRESULT parsed =
      ParseProcessedRead(htStartTime, htEndTime, ftResampleInterval, dwNumItems, phServer, haAggregate, request);
  return StartOnce(parsed, request, pdwCancelID, ppErrors, ReadComplete(dwTransactionID));
}

HRESULT THdaSimServer::ReadAtTime(DWORD dwTransactionID, DWORD dwNumTimeStamps, FILETIME* ftTimeStamps,
                                  DWORD dwNumItems, OPCHANDLE* phServer, DWORD* pdwCancelID, HRESULT** ppErrors) {
  if (!ClearOut(pdwCancelID, ppErrors)) return E_POINTER;
  THdaAtTimeRead request;
  const HRESULT parsed = ParseAtTimeRead(dwNumTimeStamps, ftTimeStamps, dwNumItems, phServer, request);
  return StartOnce(parsed, request, pdwCancelID, ppErrors, ReadComplete(dwTransactionID));
}

HRESULT THdaSimServer::ReadModified(DWORD dwTransactionID, OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime,
                                    DWORD dwNumValues, DWORD dwNumItems, OPCHANDLE* phServer, DWORD* pdwCancelID,
                                    HRESULT** ppErrors) {
  if (!ClearOut(pdwCancelID, ppErrors)) return E_POINTER;
  THdaModifiedRead request;
  const HRESULT parsed = ParseModifiedRead(htStartTime, htEndTime, dwNumValues, dwNumItems, phServer, request);
  return StartOnce(parsed, request, pdwCancelID, ppErrors, ReadModifiedComplete(dwTransactionID));
}

HRESULT THdaSimServer::ReadAttribute(DWORD dwTransactionID, OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime,
                                     OPCHANDLE hServer, DWORD dwNumAttributes, DWORD* dwAttributeIDs,
                                     DWORD* pdwCancelID, HRESULT** ppErrors) {
  if (!ClearOut(pdwCancelID, ppErrors)) return E_POINTER;
  THdaAttributeRead request;
  const HRESULT parsed = ParseAttributeRead(htStartTime, htEndTime, hServer, dwNumAttributes, dwAttributeIDs, request);
  if (FAILED(parsed)) return parsed;
  std::vector<HRESULT> errors(request.Attributes.size(), S_OK);
  for (size_t i = 0; i < errors.size(); ++i) {
    HdaValue value;
    if (FHistorian->ReadAttribute(request.Item.Item, request.Attributes[i], value) != HdaStatus::Ok)
      errors[i] = OPC_E_INVALIDATTRID;
  }
  return StartRequest(
      S_OK, errors, pdwCancelID, ppErrors,
      [this, request, dwTransactionID] {
        const OPCHANDLE client = request.Item.Client;
        Deliver(Execute(*FHistorian, request), [dwTransactionID, client](IOPCHDA_DataCallback* sink, HRESULT status,
                                                                          DWORD count, OPCHDA_ATTRIBUTE* attributes,
                                                                          HRESULT* errors) {
          sink->OnReadAttributeComplete(dwTransactionID, status, client, count, attributes, errors);
        });
        return std::optional<TClock::time_point>();
      },
      false);
}

THdaSimWorker::TStep THdaSimServer::AdviseRawStep(DWORD transactionId, std::vector<THdaItemRef> items, int64_t start,
                                                  TClock::duration interval) {
  // Per item: the time up to which values were delivered.
  auto delivered = std::make_shared<std::vector<int64_t>>(items.size(), start - 1);
  return [this, transactionId, items, delivered, interval] {
    auto results = std::make_unique<THdaItemResults>(static_cast<DWORD>(items.size()));
    bool anyValue = false;
    for (size_t i = 0; results->Allocated() && i < items.size(); ++i) {
      OPCHDA_ITEM& record = results->Records()[i];
      record.hClient = items[i].Client;
      HRESULT& error = results->Errors()[i];
      std::optional<HdaRawCursor> cursor;
      const HdaStatus status = items[i].Item < 0 ? HdaStatus::UnknownItem
                                                 : FHistorian->ReadSince(items[i].Item, (*delivered)[i], cursor);
      error = HResultOf(status);
      if (!cursor || cursor->Count() == 0) continue;
      error = FillItem(record, *cursor);
      if (FAILED(error)) continue;
      anyValue = true;
      (*delivered)[i] = TicksOf(record.pftTimeStamps[record.dwCount - 1]);
    }
    if (!results->Allocated() || anyValue) {
      Deliver(results->Allocated() ? std::move(results) : nullptr, DataChange(transactionId));
    }
    return std::optional<TClock::time_point>(TClock::now() + interval);
  };
}

HRESULT THdaSimServer::AdviseRaw(DWORD dwTransactionID, OPCHDA_TIME* htStartTime, FILETIME ftUpdateInterval,
                                 DWORD dwNumItems, OPCHANDLE* phServer, DWORD* pdwCancelID, HRESULT** ppErrors) {
  if (!ClearOut(pdwCancelID, ppErrors)) return E_POINTER;
  std::optional<int64_t> start;
  const std::optional<TClock::duration> interval = Interval(ftUpdateInterval);
  if (dwNumItems == 0 || !phServer || !interval || FAILED(ResolveHdaTime(htStartTime, FHistorian->Now(), start)) ||
      !start)
    return E_INVALIDARG;
  std::vector<THdaItemRef> items = ResolveHandles(dwNumItems, phServer);
  const std::vector<HRESULT> errors = HandleErrors(items);
  return StartRequest(S_OK, errors, pdwCancelID, ppErrors,
                      AdviseRawStep(dwTransactionID, std::move(items), *start, *interval), true);
}

THdaSimWorker::TStep THdaSimServer::AdviseProcessedStep(DWORD transactionId, THdaProcessedRead request, int64_t chunk) {
  auto position = std::make_shared<int64_t>(request.Start);
  return [this, transactionId, request, chunk, position]() mutable {
    const int64_t now = FHistorian->Now();
    if (*position + chunk > now) {
      // Looked at again at least every second: the historian's clock may jump.
      const int64_t wait = std::min<int64_t>(*position + chunk - now, HdaTicksPerSecond);
      return std::optional<TClock::time_point>(TClock::now() + WorkerTime(wait));
    }
    request.Start = *position;
    request.End = *position + chunk;
    *position = request.End;
    Deliver(Execute(*FHistorian, request), DataChange(transactionId));
    // Catching up: the next completed intervals follow at once.
    return std::optional<TClock::time_point>(TClock::now());
  };
}

HRESULT THdaSimServer::AdviseProcessed(DWORD dwTransactionID, OPCHDA_TIME* htStartTime, FILETIME ftResampleInterval,
                                       DWORD dwNumItems, OPCHANDLE* phServer, DWORD* haAggregate,
                                       DWORD dwNumIntervals, DWORD* pdwCancelID, HRESULT** ppErrors) {
  if (!ClearOut(pdwCancelID, ppErrors)) return E_POINTER;
  std::optional<int64_t> start;
  const int64_t resample = TicksOf(ftResampleInterval);
  const std::optional<int64_t> chunk = Span(resample, dwNumIntervals);
  if (dwNumItems == 0 || !phServer || !haAggregate || !chunk ||
      FAILED(ResolveHdaTime(htStartTime, FHistorian->Now(), start)) || !start)
    return E_INVALIDARG;
  THdaProcessedRead request;
  request.Items = ResolveHandles(dwNumItems, phServer);
  request.Aggregates.assign(haAggregate, haAggregate + dwNumItems);
  request.Start = *start;
  request.Interval = resample;
  const std::vector<HRESULT> errors = HandleErrors(request.Items);
  return StartRequest(S_OK, errors, pdwCancelID, ppErrors,
                      AdviseProcessedStep(dwTransactionID, std::move(request), *chunk), true);
}

// IOPCHDA_Playback

THdaSimWorker::TStep THdaSimServer::PlaybackStep(DWORD transactionId, std::shared_ptr<THdaRawRead> raw,
                                                 std::shared_ptr<THdaProcessedRead> processed, int64_t start,
                                                 int64_t end, int64_t duration, TClock::duration interval) {
  auto cursor = std::make_shared<HdaPlaybackCursor>(start, end, duration);
  return [this, transactionId, raw, processed, cursor, interval] {
    int64_t from, to;
    if (cursor->Next(FHistorian->Now(), from, to)) {
      if (raw) {
        raw->Request.Start = from;
        raw->Request.End = to;
        Deliver(Execute(*FHistorian, *raw), Playback(transactionId));
      } else {
        processed->Start = from;
        processed->End = to;
        Deliver(Execute(*FHistorian, *processed), Playback(transactionId));
      }
    }
    if (cursor->Finished()) return std::optional<TClock::time_point>();
    return std::optional<TClock::time_point>(TClock::now() + interval);
  };
}

HRESULT THdaSimServer::ReadRawWithUpdate(DWORD dwTransactionID, OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime,
                                         DWORD dwNumValues, FILETIME ftUpdateDuration, FILETIME ftUpdateInterval,
                                         DWORD dwNumItems, OPCHANDLE* phServer, DWORD* pdwCancelID,
                                         HRESULT** ppErrors) {
  if (!ClearOut(pdwCancelID, ppErrors)) return E_POINTER;
  const int64_t now = FHistorian->Now();
  std::optional<int64_t> start, end;
  const std::optional<int64_t> duration = Span(TicksOf(ftUpdateDuration), 1);
  const std::optional<TClock::duration> interval = Interval(ftUpdateInterval);
  if (dwNumItems == 0 || !phServer || !duration || !interval || FAILED(ResolveHdaTime(htStartTime, now, start)) ||
      FAILED(ResolveHdaTime(htEndTime, now, end)) || !start || (end && *end <= *start))
    return E_INVALIDARG;
  auto raw = std::make_shared<THdaRawRead>();
  raw->Items = ResolveHandles(dwNumItems, phServer);
  raw->Request.MaxValues = dwNumValues;
  const std::vector<HRESULT> errors = HandleErrors(raw->Items);
  return StartRequest(S_OK, errors, pdwCancelID, ppErrors,
                      PlaybackStep(dwTransactionID, raw, nullptr, *start, end.value_or(0), *duration, *interval), true);
}

HRESULT THdaSimServer::ReadProcessedWithUpdate(DWORD dwTransactionID, OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime,
                                               FILETIME ftResampleInterval, DWORD dwNumIntervals,
                                               FILETIME ftUpdateInterval, DWORD dwNumItems, OPCHANDLE* phServer,
                                               DWORD* haAggregate, DWORD* pdwCancelID, HRESULT** ppErrors) {
  if (!ClearOut(pdwCancelID, ppErrors)) return E_POINTER;
  const int64_t now = FHistorian->Now();
  std::optional<int64_t> start, end;
  const int64_t resample = TicksOf(ftResampleInterval);
  const std::optional<int64_t> portion = Span(resample, dwNumIntervals);
  const std::optional<TClock::duration> interval = Interval(ftUpdateInterval);
  if (dwNumItems == 0 || !phServer || !haAggregate || !portion || !interval ||
      FAILED(ResolveHdaTime(htStartTime, now, start)) || FAILED(ResolveHdaTime(htEndTime, now, end)) || !start ||
      (end && *end <= *start))
    return E_INVALIDARG;
  auto processed = std::make_shared<THdaProcessedRead>();
  processed->Items = ResolveHandles(dwNumItems, phServer);
  processed->Aggregates.assign(haAggregate, haAggregate + dwNumItems);
  processed->Interval = resample;
  const std::vector<HRESULT> errors = HandleErrors(processed->Items);
  return StartRequest(S_OK, errors, pdwCancelID, ppErrors,
                      PlaybackStep(dwTransactionID, nullptr, processed, *start, end.value_or(0), *portion, *interval),
                      true);
}

// IOPCHDA_AsyncUpdate

HRESULT THdaSimServer::Insert(DWORD dwTransactionID, DWORD dwNumItems, OPCHANDLE* phServer, FILETIME* ftTimeStamps,
                              VARIANT* vDataValues, DWORD* pdwQualities, DWORD* pdwCancelID, HRESULT** ppErrors) {
  if (!ClearOut(pdwCancelID, ppErrors)) return E_POINTER;
  THdaValueUpdate request;
  const HRESULT parsed =
      ParseValueUpdate(hetInsert, dwNumItems, phServer, ftTimeStamps, vDataValues, pdwQualities, request);
  return StartOnce(parsed, request, pdwCancelID, ppErrors, UpdateComplete(dwTransactionID));
}

HRESULT THdaSimServer::Replace(DWORD dwTransactionID, DWORD dwNumItems, OPCHANDLE* phServer, FILETIME* ftTimeStamps,
                               VARIANT* vDataValues, DWORD* pdwQualities, DWORD* pdwCancelID, HRESULT** ppErrors) {
  if (!ClearOut(pdwCancelID, ppErrors)) return E_POINTER;
  THdaValueUpdate request;
  const HRESULT parsed =
      ParseValueUpdate(hetReplace, dwNumItems, phServer, ftTimeStamps, vDataValues, pdwQualities, request);
  return StartOnce(parsed, request, pdwCancelID, ppErrors, UpdateComplete(dwTransactionID));
}

HRESULT THdaSimServer::InsertReplace(DWORD dwTransactionID, DWORD dwNumItems, OPCHANDLE* phServer,
                                     FILETIME* ftTimeStamps, VARIANT* vDataValues, DWORD* pdwQualities,
                                     DWORD* pdwCancelID, HRESULT** ppErrors) {
  if (!ClearOut(pdwCancelID, ppErrors)) return E_POINTER;
  THdaValueUpdate request;
  const HRESULT parsed =
      ParseValueUpdate(hetInsertReplace, dwNumItems, phServer, ftTimeStamps, vDataValues, pdwQualities, request);
  return StartOnce(parsed, request, pdwCancelID, ppErrors, UpdateComplete(dwTransactionID));
}

HRESULT THdaSimServer::DeleteAtTime(DWORD dwTransactionID, DWORD dwNumItems, OPCHANDLE* phServer,
                                    FILETIME* ftTimeStamps, DWORD* pdwCancelID, HRESULT** ppErrors) {
  if (!ClearOut(pdwCancelID, ppErrors)) return E_POINTER;
  THdaValueUpdate request;
  const HRESULT parsed = ParseValueUpdate(hetDelete, dwNumItems, phServer, ftTimeStamps, nullptr, nullptr, request);
  return StartOnce(parsed, request, pdwCancelID, ppErrors, UpdateComplete(dwTransactionID));
}

HRESULT THdaSimServer::DeleteRaw(DWORD dwTransactionID, OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime,
                                 DWORD dwNumItems, OPCHANDLE* phServer, DWORD* pdwCancelID, HRESULT** ppErrors) {
  if (!ClearOut(pdwCancelID, ppErrors)) return E_POINTER;
  THdaRawDelete request;
  const HRESULT parsed = ParseRawDelete(htStartTime, htEndTime, dwNumItems, phServer, request);
  return StartOnce(parsed, request, pdwCancelID, ppErrors, UpdateComplete(dwTransactionID));
}

// IOPCHDA_AsyncAnnotations

HRESULT THdaSimServer::Read(DWORD dwTransactionID, OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime, DWORD dwNumItems,
                            OPCHANDLE* phServer, DWORD* pdwCancelID, HRESULT** ppErrors) {
  if (!ClearOut(pdwCancelID, ppErrors)) return E_POINTER;
  THdaAnnotationRead request;
  const HRESULT parsed = ParseAnnotationRead(htStartTime, htEndTime, dwNumItems, phServer, request);
  return StartOnce(parsed, request, pdwCancelID, ppErrors, ReadAnnotations(dwTransactionID));
}

HRESULT THdaSimServer::Insert(DWORD dwTransactionID, DWORD dwNumItems, OPCHANDLE* phServer, FILETIME* ftTimeStamps,
                              OPCHDA_ANNOTATION* pAnnotationValues, DWORD* pdwCancelID, HRESULT** ppErrors) {
  if (!ClearOut(pdwCancelID, ppErrors)) return E_POINTER;
  THdaAnnotationInsert request;
  const HRESULT parsed = ParseAnnotationInsert(dwNumItems, phServer, ftTimeStamps, pAnnotationValues, request);
  return StartOnce(parsed, request, pdwCancelID, ppErrors, InsertAnnotations(dwTransactionID));
}
