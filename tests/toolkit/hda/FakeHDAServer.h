#pragma once
// A scriptable OPC HDA server for the component's tests: which interfaces it offers, what a
// whole call answers, which items it knows and which fail. It records what the client sent.
// Asynchronous requests are only recorded; the test delivers them when it likes, also late:
// the server keeps the client's callback from the first request on, as a server that ignores
// an unadvise would.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "opc/_OPCHDA.h"
#include "opc/_opcda.h"
#include "platform/PlatformExtensions.h"
#include "platform/rtl/StringUtils.h"
#include "toolkit/ZelkIntf.h"

struct TFakeHDAItem {
  std::string ItemId;
  DWORD Count = 3;              // values per read: value handle*100 + j, 10 s apart
  HRESULT ReadError = S_OK;     // the item's result code in reads
};

struct TFakeHDAScript {
  bool HdaServer = true;          // offers IOPCHDA_Server
  bool SyncRead = true;           // offers IOPCHDA_SyncRead
  bool AsyncRead = true;          // offers IOPCHDA_AsyncRead
  bool CallbackPoint = true;      // has a connection point for IOPCHDA_DataCallback
  HRESULT CallResult = S_OK;      // what every read and request answers when it fails
  HRESULT TablesResult = S_OK;    // GetAggregates and GetItemAttributes
  std::vector<TFakeHDAItem> Items{{"A"}, {"B"}, {"C"}};
};

// The first value's time stamp: 2026-01-01 00:00:00 UTC.
inline constexpr uint64_t kFakeEpoch = 134'116'992'000'000'000ULL;
inline constexpr uint64_t kTenSeconds = 100'000'000ULL;

inline FILETIME FakeTime(uint64_t ticks) {
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// One recorded asynchronous request.
struct TFakeRequest {
  std::string Method;
  DWORD TransactionID = 0;
  DWORD CancelID = 0;
  std::vector<OPCHANDLE> Handles;
  std::vector<DWORD> Aggregates;
};

class TFakeHDAServer
    : public TComObject<IOPCHDA_Server, IOPCHDA_SyncRead, IOPCHDA_AsyncRead, IOPCHDA_SyncUpdate,
                        IConnectionPointContainer> {
public:
  static inline TFakeHDAScript NextScript;
  static inline TFakeHDAServer* Last = nullptr;

  TFakeHDAServer() : Script(NextScript) {
    if (Script.CallbackPoint) FCallback = &FPoints.Add(IID_IOPCHDA_DataCallback);
    Last = this;
  }
  ~TFakeHDAServer() override {
    if (Last == this) Last = nullptr;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    if ((riid == IID_IOPCHDA_Server && !Script.HdaServer) || (riid == IID_IOPCHDA_SyncRead && !Script.SyncRead) ||
        (riid == IID_IOPCHDA_AsyncRead && !Script.AsyncRead)) {
      *ppvObject = nullptr;
      return E_NOINTERFACE;
    }
    return TComObject::QueryInterface(riid, ppvObject);
  }

  // IOPCHDA_Server
  HRESULT STDMETHODCALLTYPE GetItemAttributes(DWORD* pdwCount, DWORD** ppdwAttrID, LPWSTR** ppszAttrName,
                                              LPWSTR** ppszAttrDesc, VARTYPE** ppvtAttrDataType) override {
    ++TableCalls;
    if (FAILED(Script.TablesResult)) return Script.TablesResult;
    *pdwCount = 2;
    *ppdwAttrID = Array<DWORD>({OPCHDA_DATA_TYPE, OPCHDA_DESCRIPTION});
    *ppszAttrName = Array<LPWSTR>({Text(u"Data Type"), Text(u"Description")});
    *ppszAttrDesc = Array<LPWSTR>({Text(u"type"), Text(u"text")});
    *ppvtAttrDataType = Array<VARTYPE>({VT_I2, VT_BSTR});
    return Script.TablesResult;
  }
  HRESULT STDMETHODCALLTYPE GetAggregates(DWORD* pdwCount, DWORD** ppdwAggrID, LPWSTR** ppszAggrName,
                                          LPWSTR** ppszAggrDesc) override {
    ++TableCalls;
    if (FAILED(Script.TablesResult)) return Script.TablesResult;
    *pdwCount = 2;
    *ppdwAggrID = Array<DWORD>({OPCHDA_AVERAGE, OPCHDA_MAXIMUM});
    *ppszAggrName = Array<LPWSTR>({Text(u"Average"), Text(u"Maximum")});
    *ppszAggrDesc = Array<LPWSTR>({Text(u"mean"), Text(u"largest")});
    return Script.TablesResult;
  }
  HRESULT STDMETHODCALLTYPE GetHistorianStatus(OPCHDA_SERVERSTATUS* pwStatus, FILETIME** pftCurrentTime,
                                               FILETIME** pftStartTime, WORD* pwMajorVersion, WORD* pwMinorVersion,
                                               WORD* pwBuildNumber, DWORD* pdwMaxReturnValues,
                                               LPWSTR* ppszStatusString, LPWSTR* ppszVendorInfo) override {
    if (FAILED(Script.CallResult)) return Script.CallResult;
    *pwStatus = OPCHDA_INDETERMINATE;
    *pftCurrentTime = Array<FILETIME>({FakeTime(kFakeEpoch)});
    *pftStartTime = Array<FILETIME>({FakeTime(kFakeEpoch & 0xFFFFFFFF00000000ULL)});  // low half 0
    *pwMajorVersion = 3;
    *pwMinorVersion = 1;
    *pwBuildNumber = 42;
    *pdwMaxReturnValues = 5000;
    *ppszStatusString = Text(u"fine");
    *ppszVendorInfo = Text(u"Fake vendor");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetItemHandles(DWORD dwCount, LPWSTR* pszItemID, OPCHANDLE* phClient,
                                           OPCHANDLE** pphServer, HRESULT** ppErrors) override {
    ++HandleCalls;
    HandleRequests.emplace_back();
    *pphServer = Array<OPCHANDLE>(std::vector<OPCHANDLE>(dwCount));
    *ppErrors = Array<HRESULT>(std::vector<HRESULT>(dwCount));
    for (DWORD i = 0; i < dwCount; ++i) {
      const std::string id = Utf16ToUtf8(pszItemID[i]);
      HandleRequests.back().push_back(id);
      ClientHandles.push_back(phClient[i]);
      const OPCHANDLE handle = HandleOf(id);
      (*pphServer)[i] = handle ? handle : 0xDEAD;  // a refused item's slot holds garbage
      (*ppErrors)[i] = handle ? S_OK : OPC_E_UNKNOWNITEMID;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ReleaseItemHandles(DWORD, OPCHANDLE*, HRESULT**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ValidateItemIDs(DWORD, LPWSTR*, HRESULT**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateBrowse(DWORD, DWORD*, OPCHDA_OPERATORCODES*, VARIANT*, IOPCHDA_Browser**,
                                         HRESULT**) override {
    return E_NOTIMPL;
  }

  // IOPCHDA_SyncRead
  HRESULT STDMETHODCALLTYPE ReadRaw(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime, DWORD dwNumValues, BOOL bBounds,
                                    DWORD dwNumItems, OPCHANDLE* phServer, OPCHDA_ITEM** ppItemValues,
                                    HRESULT** ppErrors) override {
    Record("ReadRaw", htStartTime, htEndTime, dwNumItems, phServer);
    LastNumValues = dwNumValues;
    LastBounds = bBounds;
    return ItemResults(dwNumItems, phServer, nullptr, dwNumValues, ppItemValues, ppErrors);
  }
  HRESULT STDMETHODCALLTYPE ReadProcessed(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime,
                                          FILETIME ftResampleInterval, DWORD dwNumItems, OPCHANDLE* phServer,
                                          DWORD* haAggregate, OPCHDA_ITEM** ppItemValues, HRESULT** ppErrors) override {
    Record("ReadProcessed", htStartTime, htEndTime, dwNumItems, phServer);
    LastInterval = ftResampleInterval;
    LastAggregates.assign(haAggregate, haAggregate + dwNumItems);
    return ItemResults(dwNumItems, phServer, haAggregate, 0, ppItemValues, ppErrors);
  }
  HRESULT STDMETHODCALLTYPE ReadAtTime(DWORD dwNumTimeStamps, FILETIME* ftTimeStamps, DWORD dwNumItems,
                                       OPCHANDLE* phServer, OPCHDA_ITEM** ppItemValues, HRESULT** ppErrors) override {
    Record("ReadAtTime", nullptr, nullptr, dwNumItems, phServer);
    LastTimeStamps.assign(ftTimeStamps, ftTimeStamps + dwNumTimeStamps);
    return ItemResults(dwNumItems, phServer, nullptr, 0, ppItemValues, ppErrors);
  }
  HRESULT STDMETHODCALLTYPE ReadModified(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime, DWORD dwNumValues,
                                         DWORD dwNumItems, OPCHANDLE* phServer, OPCHDA_MODIFIEDITEM** ppItemValues,
                                         HRESULT** ppErrors) override {
    Record("ReadModified", htStartTime, htEndTime, dwNumItems, phServer);
    if (FAILED(Script.CallResult)) return Script.CallResult;
    *ppItemValues = Array<OPCHDA_MODIFIEDITEM>(std::vector<OPCHDA_MODIFIEDITEM>(dwNumItems));
    *ppErrors = Array<HRESULT>(std::vector<HRESULT>(dwNumItems));
    for (DWORD i = 0; i < dwNumItems; ++i) {
      (*ppErrors)[i] = ItemError(phServer[i]);
      if (SUCCEEDED((*ppErrors)[i])) FillModified((*ppItemValues)[i], phServer[i], dwNumValues);
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ReadAttribute(OPCHDA_TIME* htStartTime, OPCHDA_TIME* htEndTime, OPCHANDLE hServer,
                                          DWORD dwNumAttributes, DWORD* pdwAttributeIDs,
                                          OPCHDA_ATTRIBUTE** ppAttributeValues, HRESULT** ppErrors) override {
    Record("ReadAttribute", htStartTime, htEndTime, 1, &hServer);
    if (FAILED(Script.CallResult)) return Script.CallResult;
    *ppAttributeValues = Array<OPCHDA_ATTRIBUTE>(std::vector<OPCHDA_ATTRIBUTE>(dwNumAttributes));
    *ppErrors = Array<HRESULT>(std::vector<HRESULT>(dwNumAttributes));
    for (DWORD a = 0; a < dwNumAttributes; ++a) {
      (*ppErrors)[a] = pdwAttributeIDs[a] == 99 ? OPC_E_INVALIDATTRID : S_OK;
      if (SUCCEEDED((*ppErrors)[a])) FillAttribute((*ppAttributeValues)[a], pdwAttributeIDs[a], hServer);
    }
    return S_OK;
  }

  // IOPCHDA_AsyncRead: recorded, answered later by the test.
  HRESULT STDMETHODCALLTYPE ReadRaw(DWORD dwTransactionID, OPCHDA_TIME*, OPCHDA_TIME*, DWORD, BOOL, DWORD dwNumItems,
                                    OPCHANDLE* phServer, DWORD* pdwCancelID, HRESULT** ppErrors) override {
    return Request("ReadRaw", dwTransactionID, dwNumItems, phServer, nullptr, pdwCancelID, ppErrors);
  }
  HRESULT STDMETHODCALLTYPE AdviseRaw(DWORD dwTransactionID, OPCHDA_TIME*, FILETIME ftUpdateInterval,
                                      DWORD dwNumItems, OPCHANDLE* phServer, DWORD* pdwCancelID,
                                      HRESULT** ppErrors) override {
    LastInterval = ftUpdateInterval;
    return Request("AdviseRaw", dwTransactionID, dwNumItems, phServer, nullptr, pdwCancelID, ppErrors);
  }
  HRESULT STDMETHODCALLTYPE ReadProcessed(DWORD dwTransactionID, OPCHDA_TIME*, OPCHDA_TIME*, FILETIME,
                                          DWORD dwNumItems, OPCHANDLE* phServer, DWORD* haAggregate,
                                          DWORD* pdwCancelID, HRESULT** ppErrors) override {
    return Request("ReadProcessed", dwTransactionID, dwNumItems, phServer, haAggregate, pdwCancelID, ppErrors);
  }
  HRESULT STDMETHODCALLTYPE AdviseProcessed(DWORD dwTransactionID, OPCHDA_TIME*, FILETIME ftResampleInterval,
                                            DWORD dwNumItems, OPCHANDLE* phServer, DWORD* haAggregate, DWORD,
                                            DWORD* pdwCancelID, HRESULT** ppErrors) override {
    LastInterval = ftResampleInterval;
    return Request("AdviseProcessed", dwTransactionID, dwNumItems, phServer, haAggregate, pdwCancelID, ppErrors);
  }
  HRESULT STDMETHODCALLTYPE ReadAtTime(DWORD dwTransactionID, DWORD, FILETIME*, DWORD dwNumItems, OPCHANDLE* phServer,
                                       DWORD* pdwCancelID, HRESULT** ppErrors) override {
    return Request("ReadAtTime", dwTransactionID, dwNumItems, phServer, nullptr, pdwCancelID, ppErrors);
  }
  HRESULT STDMETHODCALLTYPE ReadModified(DWORD dwTransactionID, OPCHDA_TIME*, OPCHDA_TIME*, DWORD, DWORD dwNumItems,
                                         OPCHANDLE* phServer, DWORD* pdwCancelID, HRESULT** ppErrors) override {
    return Request("ReadModified", dwTransactionID, dwNumItems, phServer, nullptr, pdwCancelID, ppErrors);
  }
  HRESULT STDMETHODCALLTYPE ReadAttribute(DWORD dwTransactionID, OPCHDA_TIME*, OPCHDA_TIME*, OPCHANDLE hServer,
                                          DWORD dwNumAttributes, DWORD*, DWORD* pdwCancelID,
                                          HRESULT** ppErrors) override {
    return Request("ReadAttribute", dwTransactionID, 1, &hServer, nullptr, pdwCancelID, ppErrors, dwNumAttributes);
  }
  HRESULT STDMETHODCALLTYPE Cancel(DWORD dwCancelID) override {
    Cancels.push_back(dwCancelID);
    return CancelResult;
  }

  // IOPCHDA_SyncUpdate: only its capabilities.
  HRESULT STDMETHODCALLTYPE QueryCapabilities(OPCHDA_UPDATECAPABILITIES* pCapabilities) override {
    ++CapabilityCalls;
    *pCapabilities = static_cast<OPCHDA_UPDATECAPABILITIES>(OPCHDA_INSERTCAP | OPCHDA_DELETERAWCAP);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Insert(DWORD, OPCHANDLE*, FILETIME*, VARIANT*, DWORD*, HRESULT**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Replace(DWORD, OPCHANDLE*, FILETIME*, VARIANT*, DWORD*, HRESULT**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE InsertReplace(DWORD, OPCHANDLE*, FILETIME*, VARIANT*, DWORD*, HRESULT**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE DeleteRaw(OPCHDA_TIME*, OPCHDA_TIME*, DWORD, OPCHANDLE*, HRESULT**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE DeleteAtTime(DWORD, OPCHANDLE*, FILETIME*, HRESULT**) override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override {
    return FPoints.EnumConnectionPoints(ppEnum);
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override {
    return FPoints.FindConnectionPoint(riid, ppCP);
  }

  size_t CallbackSinks() const { return FCallback ? FCallback->Sinks().size() : 0; }

  // Deliveries, made on the calling thread to the callback the server kept.
  void DeliverRead(const TFakeRequest& Request, HRESULT Status = S_OK) {
    std::vector<OPCHDA_ITEM> items(Request.Handles.size());
    std::vector<HRESULT> errors(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
      errors[i] = ItemError(Request.Handles[i]);
      if (SUCCEEDED(errors[i])) FillItem(items[i], Request.Handles[i], 0, 0);
    }
    Sink->OnReadComplete(Request.TransactionID, Status, static_cast<DWORD>(items.size()), items.data(),
                         errors.data());
    FreeItems(items);
  }
  // One value per item: Value at Ticks.
  void DeliverChange(const TFakeRequest& Request, double Value, uint64_t Ticks, DWORD Count = 1) {
    std::vector<OPCHDA_ITEM> items(Request.Handles.size());
    std::vector<HRESULT> errors(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
      OPCHDA_ITEM& item = items[i];
      item.haAggregate = Request.Aggregates.empty() ? 0 : Request.Aggregates[i];
      item.dwCount = Count;
      item.pftTimeStamps = Array<FILETIME>(std::vector<FILETIME>(Count, FakeTime(Ticks)));
      item.pdwQualities = Array<DWORD>(std::vector<DWORD>(Count, OPCHDA_RAW | 0xC0));
      item.pvDataValues = Array<VARIANT>(std::vector<VARIANT>(Count));
      for (DWORD j = 0; j < Count; ++j) {
        item.pvDataValues[j].vt = VT_R8;
        item.pvDataValues[j].dblVal = Value + j;
      }
    }
    Sink->OnDataChange(Request.TransactionID, S_OK, static_cast<DWORD>(items.size()), items.data(), errors.data());
    FreeItems(items);
  }
  void DeliverModified(const TFakeRequest& Request) {
    std::vector<OPCHDA_MODIFIEDITEM> items(Request.Handles.size());
    std::vector<HRESULT> errors(items.size());
    for (size_t i = 0; i < items.size(); ++i) FillModified(items[i], Request.Handles[i], 0);
    Sink->OnReadModifiedComplete(Request.TransactionID, S_OK, static_cast<DWORD>(items.size()), items.data(),
                                 errors.data());
    for (auto& item : items) FreeModified(item);
  }
  void DeliverAttributes(const TFakeRequest& Request, HRESULT Status, std::vector<DWORD> Ids) {
    std::vector<OPCHDA_ATTRIBUTE> attributes(Ids.size());
    std::vector<HRESULT> errors(Ids.size());
    for (size_t a = 0; a < Ids.size(); ++a) FillAttribute(attributes[a], Ids[a], Request.Handles[0]);
    Sink->OnReadAttributeComplete(Request.TransactionID, Status, 0, static_cast<DWORD>(Ids.size()),
                                  attributes.data(), errors.data());
    for (auto& attribute : attributes) FreeAttribute(attribute);
  }
  void ConfirmCancel(DWORD CancelID) { Sink->OnCancelComplete(CancelID); }

  const TFakeHDAScript Script;
  int HandleCalls = 0;
  int TableCalls = 0;
  int CapabilityCalls = 0;
  std::vector<std::vector<std::string>> HandleRequests;
  std::vector<OPCHANDLE> ClientHandles;
  std::vector<std::string> Calls;
  OPCHDA_TIME LastStart{};
  OPCHDA_TIME LastEnd{};
  FILETIME LastInterval{};
  DWORD LastNumValues = 0;
  BOOL LastBounds = 0;
  std::vector<OPCHANDLE> LastHandles;
  std::vector<DWORD> LastAggregates;
  std::vector<FILETIME> LastTimeStamps;
  std::vector<TFakeRequest> Requests;
  std::vector<DWORD> Cancels;
  HRESULT CancelResult = S_OK;
  ComPtr<IOPCHDA_DataCallback> Sink;

private:
  template <class T>
  static T* Array(const std::vector<T>& Values) {
    auto* array = static_cast<T*>(CoTaskMemAlloc(Values.empty() ? 1 : Values.size() * sizeof(T)));
    std::copy(Values.begin(), Values.end(), array);
    return array;
  }
  static LPWSTR Text(const std::u16string& Value) {
    auto* text = static_cast<LPWSTR>(CoTaskMemAlloc((Value.size() + 1) * sizeof(WCHAR)));
    std::copy(Value.c_str(), Value.c_str() + Value.size() + 1, text);
    return text;
  }

  OPCHANDLE HandleOf(const std::string& ItemId) const {
    for (size_t i = 0; i < Script.Items.size(); ++i)
      if (Script.Items[i].ItemId == ItemId) return static_cast<OPCHANDLE>(i + 1);
    return 0;
  }
  HRESULT ItemError(OPCHANDLE Handle) const {
    if (Handle == 0 || Handle > Script.Items.size()) return OPC_E_INVALIDHANDLE;
    return Script.Items[Handle - 1].ReadError;
  }

  void Record(const char* Method, OPCHDA_TIME* Start, OPCHDA_TIME* End, DWORD Count, OPCHANDLE* Handles) {
    Calls.push_back(Method);
    if (Start) LastStart = *Start;
    if (End) LastEnd = *End;
    LastHandles.assign(Handles, Handles + Count);
  }

  // Handle's values: Limit of them when given (then the item reports more data).
  HRESULT ItemResults(DWORD Count, OPCHANDLE* Handles, DWORD* Aggregates, DWORD Limit, OPCHDA_ITEM** ItemValues,
                      HRESULT** Errors) {
    if (FAILED(Script.CallResult)) return Script.CallResult;
    *ItemValues = Array<OPCHDA_ITEM>(std::vector<OPCHDA_ITEM>(Count));
    *Errors = Array<HRESULT>(std::vector<HRESULT>(Count));
    for (DWORD i = 0; i < Count; ++i) {
      HRESULT& error = (*Errors)[i];
      error = ItemError(Handles[i]);
      if (Aggregates && Aggregates[i] == 99) error = OPC_E_INVALIDAGGREGATE;
      if (FAILED(error)) continue;
      const DWORD stored = Script.Items[Handles[i] - 1].Count;
      if (Limit && Limit < stored) error = OPC_S_MOREDATA;
      FillItem((*ItemValues)[i], Handles[i], Aggregates ? Aggregates[i] : 0, Limit && Limit < stored ? Limit : 0);
    }
    return Script.CallResult;
  }
  void FillItem(OPCHDA_ITEM& Item, OPCHANDLE Handle, DWORD Aggregate, DWORD Limit) const {
    const DWORD count = Limit ? Limit : Script.Items[Handle - 1].Count;
    Item.hClient = 0;
    Item.haAggregate = Aggregate;
    Item.dwCount = count;
    Item.pftTimeStamps = Array<FILETIME>(std::vector<FILETIME>(count));
    Item.pdwQualities = Array<DWORD>(std::vector<DWORD>(count, OPCHDA_RAW | 0xC0));
    Item.pvDataValues = Array<VARIANT>(std::vector<VARIANT>(count));
    for (DWORD j = 0; j < count; ++j) {
      Item.pftTimeStamps[j] = FakeTime(kFakeEpoch + j * kTenSeconds);
      Item.pvDataValues[j].vt = VT_R8;
      Item.pvDataValues[j].dblVal = Handle * 100.0 + j;
    }
  }
  void FillModified(OPCHDA_MODIFIEDITEM& Item, OPCHANDLE Handle, DWORD Limit) const {
    OPCHDA_ITEM values{};
    FillItem(values, Handle, 0, Limit);
    Item.dwCount = values.dwCount;
    Item.pftTimeStamps = values.pftTimeStamps;
    Item.pdwQualities = values.pdwQualities;
    Item.pvDataValues = values.pvDataValues;
    Item.pftModificationTime = Array<FILETIME>(std::vector<FILETIME>(Item.dwCount, FakeTime(kFakeEpoch + kTenSeconds)));
    Item.pEditType = Array<OPCHDA_EDITTYPE>(std::vector<OPCHDA_EDITTYPE>(Item.dwCount, OPCHDA_REPLACE));
    Item.szUser = Array<LPWSTR>(std::vector<LPWSTR>(Item.dwCount));
    for (DWORD j = 0; j < Item.dwCount; ++j) Item.szUser[j] = Text(u"tester");
  }
  // Two text values "<id>/<handle>/<n>".
  static void FillAttribute(OPCHDA_ATTRIBUTE& Attribute, DWORD Id, OPCHANDLE Handle) {
    Attribute.dwAttributeID = Id;
    Attribute.dwNumValues = 2;
    Attribute.ftTimeStamps = Array<FILETIME>({FakeTime(kFakeEpoch), FakeTime(kFakeEpoch + kTenSeconds)});
    Attribute.vAttributeValues = Array<VARIANT>(std::vector<VARIANT>(2));
    for (DWORD n = 0; n < 2; ++n) {
      Attribute.vAttributeValues[n].vt = VT_BSTR;
      Attribute.vAttributeValues[n].bstrVal =
          SysAllocString(Utf8ToUtf16(Format("%u/%u/%u", Id, Handle, n)).c_str());
    }
  }
  static void FreeItems(std::vector<OPCHDA_ITEM>& Items) {
    for (auto& item : Items) {
      for (DWORD j = 0; item.pvDataValues && j < item.dwCount; ++j) VariantClear(&item.pvDataValues[j]);
      CoTaskMemFree(item.pftTimeStamps);
      CoTaskMemFree(item.pdwQualities);
      CoTaskMemFree(item.pvDataValues);
    }
  }
  static void FreeModified(OPCHDA_MODIFIEDITEM& Item) {
    for (DWORD j = 0; j < Item.dwCount; ++j) {
      VariantClear(&Item.pvDataValues[j]);
      CoTaskMemFree(Item.szUser[j]);
    }
    for (void* array : {static_cast<void*>(Item.pftTimeStamps), static_cast<void*>(Item.pdwQualities),
                        static_cast<void*>(Item.pvDataValues), static_cast<void*>(Item.pftModificationTime),
                        static_cast<void*>(Item.pEditType), static_cast<void*>(Item.szUser)})
      CoTaskMemFree(array);
  }
  static void FreeAttribute(OPCHDA_ATTRIBUTE& Attribute) {
    for (DWORD n = 0; n < Attribute.dwNumValues; ++n) VariantClear(&Attribute.vAttributeValues[n]);
    CoTaskMemFree(Attribute.ftTimeStamps);
    CoTaskMemFree(Attribute.vAttributeValues);
  }

  HRESULT Request(const char* Method, DWORD TransactionID, DWORD Count, OPCHANDLE* Handles, DWORD* Aggregates,
                  DWORD* CancelID, HRESULT** Errors, DWORD ErrorCount = 0) {
    Calls.push_back(std::string("Async") + Method);
    if (FAILED(Script.CallResult)) return Script.CallResult;
    if (!Sink && FCallback && !FCallback->Sinks().empty()) {
      ComPtr<IUnknown> sink = FCallback->Sinks().front().Sink;
      sink.As(&Sink);
    }
    TFakeRequest request;
    request.Method = Method;
    request.TransactionID = TransactionID;
    request.CancelID = *CancelID = 1000 + static_cast<DWORD>(Requests.size());
    request.Handles.assign(Handles, Handles + Count);
    if (Aggregates) request.Aggregates.assign(Aggregates, Aggregates + Count);
    Requests.push_back(request);
    *Errors = Array<HRESULT>(std::vector<HRESULT>(ErrorCount ? ErrorCount : Count));
    return Script.CallResult;
  }

  TConnectionPoints FPoints{this};
  TConnectionPoint* FCallback = nullptr;
};

// {7D4B2F30-6C8E-4A2B-8F3D-2E1C4B5D6F70}
ZELK_DEFINE_GUID(CLSID_FakeHDAServer, 0x7D4B2F30, 0x6C8E, 0x4A2B, 0x8F, 0x3D, 0x2E, 0x1C, 0x4B, 0x5D, 0x6F, 0x70);
inline constexpr char kFakeHDAProgId[] = "Zelk.Test.FakeHDA.1";

inline void RegisterFakeHDAServer() {
  static const bool registered = [] {
    DWORD cookie = 0;
    TComClassInfo info;
    info.ClassId = CLSID_FakeHDAServer;
    info.ProgId = kFakeHDAProgId;
    info.Description = "Zelk test HDA server";
    return RegisterComClass<TFakeHDAServer>(info, &cookie) == S_OK;
  }();
  ASSERT_TRUE(registered);
}
