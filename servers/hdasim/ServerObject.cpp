// IOPCCommon, IOPCHDA_Server and the connection points of the historian object.

#include "servers/hdasim/ServerObject.h"

#include <algorithm>
#include <set>

#include "platform/rtl/StringUtils.h"
#include "servers/hdasim/HdaAggregates.h"
#include "servers/hdasim/ServerBrowser.h"
#include "servers/hdasim/ServerErrorText.h"
#include "servers/hdasim/ServerTime.h"
#include "opc/_opcda.h"

namespace {

// Live objects, for shutdown requests that come from outside any client.
std::mutex LiveLock;
std::set<THdaSimServer*> LiveServers;

constexpr LCID EnglishLocale = 0x0409;

// The item an ID names; -1, with the error that answers it, when none does.
int FindItemId(const HdaHistorian& historian, LPCWSTR id, HRESULT& error) {
  const int item = id ? historian.FindItem(Utf16ToUtf8(id)) : -1;
  if (item < 0) error = id && *id ? OPC_E_UNKNOWNITEMID : OPC_E_INVALIDITEMID;
  return item;
}

// Task-allocated copies of every entry's name and description; false, with nothing left
// allocated, when memory runs out.
template <class TTable>
bool CopyNames(const TTable& table, LPWSTR*& names, LPWSTR*& descriptions) {
  names = TaskArray<LPWSTR>(table.size());
  descriptions = TaskArray<LPWSTR>(table.size());
  bool complete = names && descriptions;
  for (size_t i = 0; complete && i < table.size(); ++i) {
    names[i] = TaskString(table[i].Name);
    descriptions[i] = TaskString(table[i].Description);
    complete = names[i] && descriptions[i];
  }
  if (complete) return true;
  for (size_t i = 0; i < table.size(); ++i) {
    if (names) CoTaskMemFree(names[i]);
    if (descriptions) CoTaskMemFree(descriptions[i]);
  }
  CoTaskMemFree(names);
  CoTaskMemFree(descriptions);
  names = descriptions = nullptr;
  return false;
}

}  // namespace

THdaSimServer::THdaSimServer(std::shared_ptr<HdaHistorian> historian) : FHistorian(std::move(historian)) {
  std::lock_guard lock(LiveLock);
  LiveServers.insert(this);
}

THdaSimServer::~THdaSimServer() {
  std::lock_guard lock(LiveLock);
  LiveServers.erase(this);
}

void THdaSimServer::RequestShutdownOfAll(const std::u16string& reason) {
  std::vector<TConnectionPoint::TSink> sinks;
  {
    std::lock_guard lock(LiveLock);
    for (THdaSimServer* server : LiveServers) {
      std::vector<TConnectionPoint::TSink> more = server->FShutdownPoint.Sinks();
      sinks.insert(sinks.end(), more.begin(), more.end());
    }
  }
  for (const TConnectionPoint::TSink& sink : sinks) {
    sink.Apartment->Post([sink = sink.Sink, reason] {
      // The stored pointer came from QueryInterface for IOPCShutdown.
      static_cast<IOPCShutdown*>(static_cast<void*>(sink.Get()))->ShutdownRequest(reason.c_str());
    });
  }
}

// IOPCCommon

HRESULT THdaSimServer::SetLocaleID(LCID dwLcid) {
  if (dwLcid != EnglishLocale && dwLcid != LOCALE_SYSTEM_DEFAULT && dwLcid != LOCALE_USER_DEFAULT &&
      dwLcid != LOCALE_NEUTRAL)
    return E_INVALIDARG;
  std::lock_guard lock(FLock);
  FLocale = dwLcid;
  return S_OK;
}

HRESULT THdaSimServer::GetLocaleID(LCID* pdwLcid) {
  if (!pdwLcid) return E_POINTER;
  std::lock_guard lock(FLock);
  *pdwLcid = FLocale;
  return S_OK;
}

HRESULT THdaSimServer::QueryAvailableLocaleIDs(DWORD* pdwCount, LCID** pdwLcid) {
  if (!pdwCount || !pdwLcid) return E_POINTER;
  *pdwCount = 0;
  *pdwLcid = nullptr;
  static const LCID locales[] = {LOCALE_SYSTEM_DEFAULT, LOCALE_USER_DEFAULT, LOCALE_NEUTRAL, EnglishLocale};
  LCID* list = TaskArray<LCID>(std::size(locales));
  if (!list) return E_OUTOFMEMORY;
  std::copy(std::begin(locales), std::end(locales), list);
  *pdwCount = std::size(locales);
  *pdwLcid = list;
  return S_OK;
}

HRESULT THdaSimServer::GetErrorString(HRESULT dwError, LPWSTR* ppString) {
  if (!ppString) return E_POINTER;
  *ppString = nullptr;
  std::u16string text;
  if (!OpcErrorText(dwError, text)) {
    WCHAR buffer[512];
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        static_cast<DWORD>(dwError), 0, buffer, std::size(buffer), nullptr);
    if (length == 0) return E_INVALIDARG;
    text.assign(buffer, length);
  }
  LPWSTR copy = TaskArray<WCHAR>(text.size() + 1);
  if (!copy) return E_OUTOFMEMORY;
  std::copy(text.begin(), text.end(), copy);
  *ppString = copy;
  return S_OK;
}

HRESULT THdaSimServer::SetClientName(LPCWSTR szName) {
  if (!szName) return E_INVALIDARG;
  std::lock_guard lock(FLock);
  FClientName = Utf16ToUtf8(szName);
  return S_OK;
}

std::string THdaSimServer::ClientName() const {
  std::lock_guard lock(FLock);
  return FClientName;
}

// IConnectionPointContainer

HRESULT THdaSimServer::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
  return FPoints.EnumConnectionPoints(ppEnum);
}

HRESULT THdaSimServer::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
  return FPoints.FindConnectionPoint(riid, ppCP);
}

// IOPCHDA_Server

HRESULT THdaSimServer::GetItemAttributes(DWORD* pdwCount, DWORD** ppdwAttrID, LPWSTR** ppszAttrName,
                                         LPWSTR** ppszAttrDesc, VARTYPE** ppvtAttrDataType) {
  if (!pdwCount || !ppdwAttrID || !ppszAttrName || !ppszAttrDesc || !ppvtAttrDataType) return E_POINTER;
  *pdwCount = 0;
  *ppdwAttrID = nullptr;
  *ppszAttrName = *ppszAttrDesc = nullptr;
  *ppvtAttrDataType = nullptr;
  const auto& table = HdaAttributeTable();
  DWORD* ids = TaskArray<DWORD>(table.size());
  VARTYPE* types = TaskArray<VARTYPE>(table.size());
  LPWSTR *names = nullptr, *descriptions = nullptr;
  if (!ids || !types || !CopyNames(table, names, descriptions)) {
    CoTaskMemFree(ids);
    CoTaskMemFree(types);
    return E_OUTOFMEMORY;
  }
  for (size_t i = 0; i < table.size(); ++i) {
    ids[i] = table[i].Id;
    types[i] = table[i].Type;
  }
  *pdwCount = static_cast<DWORD>(table.size());
  *ppdwAttrID = ids;
  *ppszAttrName = names;
  *ppszAttrDesc = descriptions;
  *ppvtAttrDataType = types;
  return S_OK;
}

HRESULT THdaSimServer::GetAggregates(DWORD* pdwCount, DWORD** ppdwAggrID, LPWSTR** ppszAggrName,
                                     LPWSTR** ppszAggrDesc) {
  if (!pdwCount || !ppdwAggrID || !ppszAggrName || !ppszAggrDesc) return E_POINTER;
  *pdwCount = 0;
  *ppdwAggrID = nullptr;
  *ppszAggrName = *ppszAggrDesc = nullptr;
  const auto& table = HdaAggregateTable();
  DWORD* ids = TaskArray<DWORD>(table.size());
  LPWSTR *names = nullptr, *descriptions = nullptr;
  if (!ids || !CopyNames(table, names, descriptions)) {
    CoTaskMemFree(ids);
    return E_OUTOFMEMORY;
  }
  for (size_t i = 0; i < table.size(); ++i) ids[i] = table[i].Id;
  *pdwCount = static_cast<DWORD>(table.size());
  *ppdwAggrID = ids;
  *ppszAggrName = names;
  *ppszAggrDesc = descriptions;
  return S_OK;
}

HRESULT THdaSimServer::GetHistorianStatus(OPCHDA_SERVERSTATUS* pwStatus, FILETIME** pftCurrentTime,
                                          FILETIME** pftStartTime, WORD* pwMajorVersion, WORD* pwMinorVersion,
                                          WORD* pwBuildNumber, DWORD* pdwMaxReturnValues, LPWSTR* ppszStatusString,
                                          LPWSTR* ppszVendorInfo) {
  if (!pwStatus || !pftCurrentTime || !pftStartTime || !pwMajorVersion || !pwMinorVersion || !pwBuildNumber ||
      !pdwMaxReturnValues || !ppszStatusString || !ppszVendorInfo)
    return E_POINTER;
  const HdaHistorianStatus status = FHistorian->Status();
  FILETIME* current = TaskArray<FILETIME>(1);
  FILETIME* start = TaskArray<FILETIME>(1);
  LPWSTR text = TaskString("Running");
  LPWSTR vendor = TaskString(status.Vendor);
  if (!current || !start || !text || !vendor) {
    for (void* block : {static_cast<void*>(current), static_cast<void*>(start), static_cast<void*>(text),
                        static_cast<void*>(vendor)})
      CoTaskMemFree(block);
    *pftCurrentTime = *pftStartTime = nullptr;
    *ppszStatusString = *ppszVendorInfo = nullptr;
    return E_OUTOFMEMORY;
  }
  *current = FileTimeOf(status.CurrentTime);
  *start = FileTimeOf(status.StartTime);
  *pwStatus = OPCHDA_UP;
  *pftCurrentTime = current;
  *pftStartTime = start;
  *pwMajorVersion = status.MajorVersion;
  *pwMinorVersion = status.MinorVersion;
  *pwBuildNumber = status.BuildNumber;
  *pdwMaxReturnValues = status.MaxReturnValues;
  *ppszStatusString = text;
  *ppszVendorInfo = vendor;
  return S_OK;
}

HRESULT THdaSimServer::GetItemHandles(DWORD dwCount, LPWSTR* pszItemID, OPCHANDLE* phClient, OPCHANDLE** pphServer,
                                      HRESULT** ppErrors) {
  if (!pphServer || !ppErrors) return E_POINTER;
  *pphServer = nullptr;
  *ppErrors = nullptr;
  if (dwCount == 0 || !pszItemID || !phClient) return E_INVALIDARG;
  OPCHANDLE* handles = TaskArray<OPCHANDLE>(dwCount);
  HRESULT* errors = TaskArray<HRESULT>(dwCount);
  if (!handles || !errors) {
    CoTaskMemFree(handles);
    CoTaskMemFree(errors);
    return E_OUTOFMEMORY;
  }
  HRESULT result = S_OK;
  std::lock_guard lock(FLock);
  for (DWORD i = 0; i < dwCount; ++i) {
    const int item = FindItemId(*FHistorian, pszItemID[i], errors[i]);
    if (item < 0) {
      result = S_FALSE;
      continue;
    }
    // Handles are never 0 and never handed out twice.
    handles[i] = ++FLastHandle;
    FHandles[handles[i]] = THandle{item, phClient[i]};
  }
  *pphServer = handles;
  *ppErrors = errors;
  return result;
}

HRESULT THdaSimServer::ReleaseItemHandles(DWORD dwCount, OPCHANDLE* phServer, HRESULT** ppErrors) {
  if (!ppErrors) return E_POINTER;
  *ppErrors = nullptr;
  if (dwCount == 0 || !phServer) return E_INVALIDARG;
  HRESULT* errors = TaskArray<HRESULT>(dwCount);
  if (!errors) return E_OUTOFMEMORY;
  HRESULT result = S_OK;
  std::lock_guard lock(FLock);
  for (DWORD i = 0; i < dwCount; ++i) {
    if (FHandles.erase(phServer[i]) == 0) {
      errors[i] = OPC_E_INVALIDHANDLE;
      result = S_FALSE;
    }
  }
  *ppErrors = errors;
  return result;
}

HRESULT THdaSimServer::ValidateItemIDs(DWORD dwCount, LPWSTR* pszItemID, HRESULT** ppErrors) {
  if (!ppErrors) return E_POINTER;
  *ppErrors = nullptr;
  if (dwCount == 0 || !pszItemID) return E_INVALIDARG;
  HRESULT* errors = TaskArray<HRESULT>(dwCount);
  if (!errors) return E_OUTOFMEMORY;
  HRESULT result = S_OK;
  for (DWORD i = 0; i < dwCount; ++i) {
    if (FindItemId(*FHistorian, pszItemID[i], errors[i]) < 0) result = S_FALSE;
  }
  *ppErrors = errors;
  return result;
}

HRESULT THdaSimServer::CreateBrowse(DWORD dwCount, DWORD* pdwAttrID, OPCHDA_OPERATORCODES* pOperator,
                                    VARIANT* vFilter, IOPCHDA_Browser** pphBrowser, HRESULT** ppErrors) {
  if (!pphBrowser || !ppErrors) return E_POINTER;
  *pphBrowser = nullptr;
  *ppErrors = nullptr;
  if (dwCount > 0 && (!pdwAttrID || !pOperator || !vFilter)) return E_INVALIDARG;
  HRESULT* errors = TaskArray<HRESULT>(dwCount);
  if (!errors) return E_OUTOFMEMORY;
  std::vector<THdaBrowseFilter> filters;
  HRESULT result = S_OK;
  for (DWORD i = 0; i < dwCount; ++i) {
    THdaBrowseFilter filter;
    errors[i] = ParseBrowseFilter(pdwAttrID[i], pOperator[i], vFilter[i], filter);
    if (FAILED(errors[i]))
      result = S_FALSE;
    else
      filters.push_back(std::move(filter));
  }
  const HRESULT created = CreateHdaSimBrowser(FHistorian, std::move(filters), pphBrowser);
  if (FAILED(created)) {
    CoTaskMemFree(errors);
    return created;
  }
  *ppErrors = errors;
  return result;
}

// Shared by the request parsers of every interface.

std::vector<THdaItemRef> THdaSimServer::ResolveHandles(DWORD count, const OPCHANDLE* handles) const {
  std::vector<THdaItemRef> items(count);
  std::lock_guard lock(FLock);
  for (DWORD i = 0; i < count; ++i) {
    const auto found = FHandles.find(handles[i]);
    if (found != FHandles.end()) items[i] = THdaItemRef{found->second.Item, found->second.Client};
  }
  return items;
}

HRESULT THdaSimServer::ResolveSpan(OPCHDA_TIME* start, OPCHDA_TIME* end, int64_t& from, int64_t& to) {
  const int64_t now = FHistorian->Now();
  std::optional<int64_t> first, last;
  if (FAILED(ResolveHdaTime(start, now, first)) || FAILED(ResolveHdaTime(end, now, last)) || !first || !last)
    return E_INVALIDARG;
  from = *first;
  to = *last;
  return S_OK;
}
