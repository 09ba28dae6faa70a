#include "tests/servers/ServerTestSupport.h"

#include "platform/rtl/StringUtils.h"

TValue ValueOf(const VARIANT& variant) {
  switch (variant.vt) {
    case VT_R8: return variant.dblVal;
    case VT_I4: return static_cast<double>(variant.lVal);
    case VT_I2: return static_cast<double>(variant.iVal);
    case VT_BOOL: return variant.boolVal ? 1.0 : 0.0;
    case VT_CY: return static_cast<double>(variant.cyVal.int64) / 10000;
    case VT_BSTR: return Utf16ToUtf8(std::u16string_view(variant.bstrVal, SysStringLen(variant.bstrVal)));
    default: return std::monostate();
  }
}

std::vector<TSample> CopySamples(const OPCHDA_ITEM& item) {
  std::vector<TSample> samples;
  for (DWORD i = 0; i < item.dwCount; ++i)
    samples.push_back({ToTicks(item.pftTimeStamps[i]), ValueOf(item.pvDataValues[i]), item.pdwQualities[i],
                       item.pvDataValues[i].vt});
  return samples;
}

void FreeItems(OPCHDA_ITEM* items, DWORD count) {
  if (!items) return;
  for (DWORD i = 0; i < count; ++i) {
    for (DWORD j = 0; j < items[i].dwCount; ++j) VariantClear(&items[i].pvDataValues[j]);
    CoTaskMemFree(items[i].pvDataValues);
    CoTaskMemFree(items[i].pftTimeStamps);
    CoTaskMemFree(items[i].pdwQualities);
  }
  CoTaskMemFree(items);
}

void FreeModified(OPCHDA_MODIFIEDITEM* items, DWORD count) {
  if (!items) return;
  for (DWORD i = 0; i < count; ++i) {
    for (DWORD j = 0; j < items[i].dwCount; ++j) {
      VariantClear(&items[i].pvDataValues[j]);
      CoTaskMemFree(items[i].szUser[j]);
    }
    for (void* block : {static_cast<void*>(items[i].pftTimeStamps), static_cast<void*>(items[i].pdwQualities),
                        static_cast<void*>(items[i].pvDataValues), static_cast<void*>(items[i].pftModificationTime),
                        static_cast<void*>(items[i].pEditType), static_cast<void*>(items[i].szUser)})
      CoTaskMemFree(block);
  }
  CoTaskMemFree(items);
}

HRESULT CreateByProgId(const char16_t* progId, ComPtr<IUnknown>& object) {
  CLSID clsid;
  const HRESULT hr = CLSIDFromProgID(progId, &clsid);
  if (FAILED(hr)) return hr;
  return CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown,
                          reinterpret_cast<void**>(object.ReleaseAndGetAddressOf()));
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto until = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    CheckSynchronize(10);
  }
  return true;
}

void ServerTest::SetUp() {
  TestNow = At(36, 34, 56);
  THdaSimOptions options;
  options.Clock = [] { return TestNow.load(); };
  options.DataFolder = "";
  ASSERT_EQ(RegisterHdaSimServers(options), S_OK);
  ASSERT_EQ(CreateByProgId(u"Zelk.HDASim.1", FServer), S_OK);
}

void ServerTest::TearDown() {
  FServer.Reset();
  // Callbacks still queued for this apartment hold the sinks; let them run.
  while (CheckSynchronize(0)) {
  }
}

std::vector<OPCHANDLE> ServerTest::Handles(const std::vector<std::u16string>& itemIds) {
  std::vector<LPWSTR> ids;
  std::vector<OPCHANDLE> clients;
  for (size_t i = 0; i < itemIds.size(); ++i) {
    ids.push_back(const_cast<LPWSTR>(itemIds[i].c_str()));
    clients.push_back(static_cast<OPCHANDLE>(i + 1));
  }
  OPCHANDLE* handles = nullptr;
  HRESULT* errors = nullptr;
  EXPECT_EQ(Interface<IOPCHDA_Server>()->GetItemHandles(static_cast<DWORD>(ids.size()), ids.data(), clients.data(),
                                                         &handles, &errors),
            S_OK);
  std::vector<OPCHANDLE> result(handles, handles + ids.size());
  CoTaskMemFree(handles);
  CoTaskMemFree(errors);
  return result;
}

ServerTest::TRead ServerTest::ReadRaw(OPCHANDLE handle, OPCHDA_TIME start, OPCHDA_TIME end, DWORD numValues,
                                      BOOL bounds) {
  OPCHDA_ITEM* items = nullptr;
  HRESULT* errors = nullptr;
  TRead read{Interface<IOPCHDA_SyncRead>()->ReadRaw(&start, &end, numValues, bounds, 1, &handle, &items, &errors),
             E_FAIL, {}};
  if (SUCCEEDED(read.Result)) {
    read.Error = errors[0];
    read.Samples = CopySamples(items[0]);
  }
  FreeItems(items, 1);
  CoTaskMemFree(errors);
  return read;
}

ServerTest::TRead ServerTest::ReadProcessed(OPCHANDLE handle, int64_t start, int64_t end, int64_t intervalSeconds,
                                            DWORD aggregate) {
  OPCHDA_TIME from = Time(start), to = Time(end);
  OPCHDA_ITEM* items = nullptr;
  HRESULT* errors = nullptr;
  TRead read{Interface<IOPCHDA_SyncRead>()->ReadProcessed(&from, &to, Seconds(intervalSeconds), 1, &handle,
                                                          &aggregate, &items, &errors),
             E_FAIL, {}};
  if (SUCCEEDED(read.Result)) {
    read.Error = errors[0];
    read.Samples = CopySamples(items[0]);
  }
  FreeItems(items, 1);
  CoTaskMemFree(errors);
  return read;
}

ServerTest::TRead ServerTest::ReadAtTime(OPCHANDLE handle, const std::vector<int64_t>& times) {
  std::vector<FILETIME> stamps;
  for (const int64_t time : times) stamps.push_back(ToFileTime(time));
  OPCHDA_ITEM* items = nullptr;
  HRESULT* errors = nullptr;
  TRead read{Interface<IOPCHDA_SyncRead>()->ReadAtTime(static_cast<DWORD>(stamps.size()), stamps.data(), 1, &handle,
                                                       &items, &errors),
             E_FAIL, {}};
  if (SUCCEEDED(read.Result)) {
    read.Error = errors[0];
    read.Samples = CopySamples(items[0]);
  }
  FreeItems(items, 1);
  CoTaskMemFree(errors);
  return read;
}

TDataSink::TCall& TDataSink::Record(const char* kind, DWORD transaction, HRESULT status, DWORD count,
                                    const HRESULT* errors) {
  TCall& call = Calls.emplace_back();
  call.Kind = kind;
  call.Transaction = transaction;
  call.Status = status;
  call.Thread = std::this_thread::get_id();
  if (errors) call.Errors.assign(errors, errors + count);
  return call;
}

void TDataSink::RecordItems(TCall& call, DWORD count, const OPCHDA_ITEM* items) {
  for (DWORD i = 0; i < count; ++i) {
    call.Items.push_back(CopySamples(items[i]));
    call.Clients.push_back(items[i].hClient);
  }
}

HRESULT TDataSink::OnDataChange(DWORD transaction, HRESULT status, DWORD count, OPCHDA_ITEM* items, HRESULT* errors) {
  RecordItems(Record("DataChange", transaction, status, count, errors), count, items);
  return S_OK;
}

HRESULT TDataSink::OnReadComplete(DWORD transaction, HRESULT status, DWORD count, OPCHDA_ITEM* items,
                                  HRESULT* errors) {
  RecordItems(Record("ReadComplete", transaction, status, count, errors), count, items);
  return S_OK;
}

HRESULT TDataSink::OnReadModifiedComplete(DWORD transaction, HRESULT status, DWORD count, OPCHDA_MODIFIEDITEM* items,
                                          HRESULT* errors) {
  TCall& call = Record("ReadModifiedComplete", transaction, status, count, errors);
  for (DWORD i = 0; i < count; ++i) {
    std::vector<TSample> samples;
    for (DWORD j = 0; j < items[i].dwCount; ++j)
      samples.push_back({ToTicks(items[i].pftTimeStamps[j]), ValueOf(items[i].pvDataValues[j]),
                         items[i].pdwQualities[j], items[i].pvDataValues[j].vt});
    call.Items.push_back(std::move(samples));
  }
  return S_OK;
}

HRESULT TDataSink::OnReadAttributeComplete(DWORD transaction, HRESULT status, OPCHANDLE client, DWORD count,
                                           OPCHDA_ATTRIBUTE* attributes, HRESULT* errors) {
  TCall& call = Record("ReadAttributeComplete", transaction, status, count, errors);
  call.Clients.push_back(client);
  for (DWORD i = 0; i < count; ++i) {
    std::vector<TSample> samples;
    for (DWORD j = 0; j < attributes[i].dwNumValues; ++j)
      samples.push_back({ToTicks(attributes[i].ftTimeStamps[j]), ValueOf(attributes[i].vAttributeValues[j]), 0,
                         attributes[i].vAttributeValues[j].vt});
    call.Items.push_back(std::move(samples));
  }
  return S_OK;
}

HRESULT TDataSink::OnReadAnnotations(DWORD transaction, HRESULT status, DWORD count, OPCHDA_ANNOTATION* annotations,
                                     HRESULT* errors) {
  TCall& call = Record("ReadAnnotations", transaction, status, count, errors);
  for (DWORD i = 0; i < count; ++i) {
    std::vector<TSample> samples;
    for (DWORD j = 0; j < annotations[i].dwNumValues; ++j)
      samples.push_back({ToTicks(annotations[i].ftTimeStamps[j]), Utf16ToUtf8(annotations[i].szAnnotation[j]), 0,
                         VT_BSTR});
    call.Items.push_back(std::move(samples));
  }
  return S_OK;
}

HRESULT TDataSink::OnInsertAnnotations(DWORD transaction, HRESULT status, DWORD count, OPCHANDLE* clients,
                                       HRESULT* errors) {
  Record("InsertAnnotations", transaction, status, count, errors).Clients.assign(clients, clients + count);
  return S_OK;
}

HRESULT TDataSink::OnPlayback(DWORD transaction, HRESULT status, DWORD count, OPCHDA_ITEM** items, HRESULT* errors) {
  TCall& call = Record("Playback", transaction, status, count, errors);
  for (DWORD i = 0; i < count; ++i) RecordItems(call, 1, items[i]);
  return S_OK;
}

HRESULT TDataSink::OnUpdateComplete(DWORD transaction, HRESULT status, DWORD count, OPCHANDLE* clients,
                                    HRESULT* errors) {
  Record("UpdateComplete", transaction, status, count, errors).Clients.assign(clients, clients + count);
  return S_OK;
}

HRESULT TDataSink::OnCancelComplete(DWORD dwCancelID) {
  Cancelled.push_back(dwCancelID);
  return S_OK;
}

TAdvise::TAdvise(IUnknown* server, IUnknown* sink) {
  ComPtr<IConnectionPointContainer> container;
  EXPECT_EQ(server->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.GetAddressOf())),
            S_OK);
  EXPECT_EQ(container->FindConnectionPoint(IID_IOPCHDA_DataCallback, FPoint.GetAddressOf()), S_OK);
  EXPECT_EQ(FPoint->Advise(sink, &FCookie), S_OK);
}

TAdvise::~TAdvise() {
  if (FPoint) FPoint->Unadvise(FCookie);
}
