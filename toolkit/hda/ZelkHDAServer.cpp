// The HDA client component: its life, the connection it creates, what it does right after
// connecting and right before disconnecting, the server tables, the status, and the dispatch
// of the data callback's messages.

#include <utility>

#include "opc/_opcactivex.h"
#include "platform/rtl/StringUtils.h"
#include "toolkit/ZelkError.h"
#include "toolkit/com/ZelkCOMLink.h"
#include "toolkit/hda/ZelkHDA.h"
#include "toolkit/hda/ZelkHDARequests.h"

TZelkHDAServer::TZelkHDAServer(TComponent* AOwner)
    : TZelkClient(AOwner), FRequests(std::make_shared<TZelkHDARequests>(this)) {
  FVersion = "5.28";
  SetProtocol(coCOM);
}

TZelkHDAServer::~TZelkHDAServer() {
  // First, so that nothing the server delivers from now on (also while the disconnect below
  // pumps the main thread) reaches this component or a request's lists.
  FRequests->Detach();
  PrepareDestroy();
}

ComPtr<IZelkConnection> TZelkHDAServer::CreateConnection() {
  ComPtr<TZelkCOMHDAConnection> connection(new TZelkCOMHDAConnection(this));
  FConnection = connection.Get();
  return ComPtr<IZelkConnection>(connection.Get());
}

void TZelkHDAServer::AfterActivate() {
  CheckConnected();
  ResetInterfaces();
  TZelkClient::AfterActivate();
  SubscribeDataCallback();
}

void TZelkHDAServer::BeforeDeactivate() {
  UnsubscribeDataCallback();
  // Requests of this connection that no delivery has reached will never complete.
  FRequests->EndGeneration();
  TZelkClient::BeforeDeactivate();
  FConnection = nullptr;
  ResetInterfaces();
}

void TZelkHDAServer::ResetInterfaces() {
  FSyncRead.Reset();
  FSyncUpdate.Reset();
  FSyncAnnotations.Reset();
  FAsyncRead.Reset();
  FAsyncUpdate.Reset();
  FAsyncAnnotations.Reset();
  FPlayback.Reset();
  WantNewItemAttributes = true;
  WantNewAggregates = true;
  fSyncUpdateCapabilities = 0;
  fSyncAnnotationsCapabilities = 0;
  fAsyncUpdateCapabilities = 0;
  FAsyncAnnotationsCapabilities = 0;
  fcapsSyncRead = {};
  fcapsSyncUpdate = {};
  fcapsSyncAnnotations = {};
  fcapsAsyncRead = {};
  fcapsAsyncUpdate = {};
  fcapsAsyncAnnotations = {};
  fcapsPlayback = {};
}

// ---------------------------------------------------------------------------------------------
// Server tables

namespace {

// The arrays GetItemAttributes and GetAggregates hand over, with the strings in them.
struct TServerTable {
  ~TServerTable() {
    for (LPWSTR* strings : {Names, Descriptions})
      if (strings)
        for (DWORD i = 0; i < Count; ++i) CoTaskMemFree(strings[i]);
    CoTaskMemFree(Ids);
    CoTaskMemFree(Names);
    CoTaskMemFree(Descriptions);
    CoTaskMemFree(DataTypes);
  }
  // Only a plain S_OK with every array counts.
  bool Usable(HRESULT hr, bool WithDataTypes) const {
    return hr == S_OK && Ids && Names && Descriptions && (DataTypes || !WithDataTypes);
  }

  DWORD Count = 0;
  DWORD* Ids = nullptr;
  LPWSTR* Names = nullptr;
  LPWSTR* Descriptions = nullptr;
  VARTYPE* DataTypes = nullptr;
};

std::string TextOf(LPCWSTR Text) { return Text ? Utf16ToUtf8(Text) : std::string(); }

}  // namespace

TZelkHDAItemAttributes* TZelkHDAServer::ItemAttributes() {
  if (!fItemAttributes) fItemAttributes = std::make_unique<TZelkHDAItemAttributes>();
  CheckConnected();
  if (WantNewItemAttributes) {
    fItemAttributes->Clear();
    ComPtr<IOPCHDA_Server> server = GetOPCHDAServer();
    if (!server) throw EOPCException(SSpecificationNotSupported);
    TServerTable table;
    const HRESULT hr =
        server->GetItemAttributes(&table.Count, &table.Ids, &table.Names, &table.Descriptions, &table.DataTypes);
    if (table.Usable(hr, true)) {
      for (DWORD i = 0; i < table.Count; ++i) {
        TZelkHDAItemAttributesItem* attribute = fItemAttributes->AddNew();
        attribute->ID = table.Ids[i];
        attribute->Name = TextOf(table.Names[i]);
        attribute->Desc = TextOf(table.Descriptions[i]);
        attribute->DataType = table.DataTypes[i];
      }
      WantNewItemAttributes = false;
    }
  }
  return fItemAttributes.get();
}

TZelkHDAAggregates* TZelkHDAServer::Aggregates() {
  if (!fAggregates) fAggregates = std::make_unique<TZelkHDAAggregates>();
  CheckConnected();
  if (WantNewAggregates) {
    fAggregates->Clear();
    ComPtr<IOPCHDA_Server> server = GetOPCHDAServer();
    if (!server) throw EOPCException(SSpecificationNotSupported);
    TServerTable table;
    const HRESULT hr = server->GetAggregates(&table.Count, &table.Ids, &table.Names, &table.Descriptions);
    if (table.Usable(hr, false)) {
      for (DWORD i = 0; i < table.Count; ++i) {
        auto aggregate = std::make_unique<TZelkHDAAggregatesItem>();
        aggregate->ID = table.Ids[i];
        aggregate->Name = TextOf(table.Names[i]);
        aggregate->Desc = TextOf(table.Descriptions[i]);
        fAggregates->Add(aggregate.get());
        aggregate.release();
      }
      WantNewAggregates = false;
    }
  }
  return fAggregates.get();
}

void TZelkHDAServer::GetServerInfo(TServerStateRecord& dState) {
  CheckConnected();
  if (!FConnection) throw EOPCException(SNotConnected);
  dState = FConnection->GetStatus();
}

// ---------------------------------------------------------------------------------------------
// Data callback subscription and its messages

void TZelkHDAServer::SubscribeDataCallback() {
  ComPtr<IOPCHDA_Server> server = GetOPCHDAServer();
  if (!server) return;
  ComPtr<TZelkHDA_DataCallback> callback(new TZelkHDA_DataCallback(this));
  DWORD cookie = 0;
  const HRESULT hr = ConnectionPointAdvise(server.Get(), IID_IOPCHDA_DataCallback, callback->Identity(), cookie);
  // A cookie of an earlier connection must not be unadvised on this server.
  AsyncConnection = SUCCEEDED(hr) ? cookie : 0;
  if (hr != S_OK) ShowMessageBox(IntToStr(hr), "Error");
}

void TZelkHDAServer::UnsubscribeDataCallback() {
  ComPtr<IOPCHDA_Server> server = GetOPCHDAServer();
  if (server && AsyncConnection != 0) ConnectionPointUnadvise(server.Get(), IID_IOPCHDA_DataCallback, AsyncConnection);
}

void TZelkHDAServer::HandleMsg(TObject* Msg) {
  auto* msg = static_cast<TZelkMsg*>(Msg);
  // Also after the server announced its shutdown: a completed request still reports.
  if (msg->MsgId != ZelkMsgHDACallback) {
    TZelkClient::HandleMsg(Msg);
    return;
  }
  const std::unique_ptr<TObject> payload(std::exchange(msg->OParam, nullptr));
  auto* delivery = dynamic_cast<TZelkHDAAsyncTransaction*>(payload.get());
  if (!delivery) return;
  const auto subId = static_cast<uint32_t>(msg->IParam);
  const bool known = subId >= evCancelComplete && subId <= evUpdateComplete;
  const bool keep = known && (subId == evDataChange || subId == evPlayback);
  // A request the table forgot meanwhile (its list destroyed, its connection gone) reports
  // nothing: its lists may no longer exist.
  if (FRequests->Claim(delivery->ID, keep) && known) DispatchCallback(subId, *delivery);
}

void TZelkHDAServer::DispatchCallback(uint32_t SubId, const TZelkHDAAsyncTransaction& d) {
  switch (SubId) {
    case evCancelComplete:
      if (OnCancelComplete) OnCancelComplete(d.HdaItems, d.UserData);
      break;
    case evDataChange:
    case evPlayback:
      if (OnDataChange) OnDataChange(d.hrStatus, d.HdaItems, d.UserData);
      break;
    case evInsertAnnotations:
      if (OnInsertAnnotations) OnInsertAnnotations(d.hrStatus, d.HdaItems, d.UserData);
      break;
    case evReadAnnotations:
    case evReadComplete:
    case evReadModifiedComplete:
      if (OnReadComplete) OnReadComplete(d.hrStatus, d.HdaItems, d.UserData, static_cast<TZelkHDAEventType>(SubId));
      break;
    case evReadAttributeComplete:
      if (OnReadAttributeComplete) OnReadAttributeComplete(d.hrStatus, d.HdaItem, d.hdaAttributes, d.UserData);
      break;
    case evUpdateComplete:
      if (OnUpdateComplete) OnUpdateComplete(d.hrStatus, d.HdaItems, d.UpdateList, d.UserData);
      break;
    default:
      break;
  }
}
