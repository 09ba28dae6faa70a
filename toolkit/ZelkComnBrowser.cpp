// The server browser component: enumerates the servers of a computer through the transport
// registered for its protocol.

#include "toolkit/ZelkComn.h"
#include "toolkit/ZelkError.h"
#include "toolkit/ZelkIntfGen.h"

bool TZelkServerBrowserEnumerator::MoveNext() {
  if (FIndex >= FList->Count() - 1) return false;
  ++FIndex;
  return true;
}

TZelkServerItem* TZelkServerBrowserEnumerator::Current() const { return FList->Items(FIndex); }

TZelkServerBrowser::TZelkServerBrowser(TComponent* AOwner) : TComponent(AOwner) {}

const TPropertyList& TZelkServerBrowser::PublishedProperties() const {
  static const TPropertyList properties(
      TComponent::PublishedProperties(),
      {EnumProperty<TZelkServerBrowser, tZelkConnectionType>("Protocol", {"coXML", "coCOM", "coUA"},
                                                             &TZelkServerBrowser::Protocol,
                                                             &TZelkServerBrowser::SetProtocol),
       StringProperty<TZelkServerBrowser>("ComputerName", &TZelkServerBrowser::ComputerName,
                                          &TZelkServerBrowser::SetComputerName)});
  return properties;
}

void TZelkServerBrowser::Execute(bool WithTypes) {
  FBrowser = CreateServerBrowser(FConnection);
  struct TReleaseBrowser {
    ComPtr<IZelkServerBrowser>& Browser;
    ~TReleaseBrowser() { Browser = nullptr; }
  } release{FBrowser};
  Clear();
  FBrowser->Execute(FServertype, FComputerName, FProxy, WithTypes ? 2 : 0,
                    [this](const std::string& Caption, const std::string& Name, const std::string& ClsId,
                           tZelkServerSet ServerType) { AddServer(Caption, Name, ClsId, ServerType); });
}

void TZelkServerBrowser::GetOPCServers(const std::string& Computername) {
  FComputerName = Computername;
  Execute(true);
}

void TZelkServerBrowser::AddServer(const std::string& Caption, const std::string& Name, const std::string& ClsId,
                                   tZelkServerSet ServerType) {
  TZelkServerItem* item = nullptr;
  for (auto it = FServerList.rbegin(); it != FServerList.rend() && !item; ++it)
    if ((*it)->FClsId == ClsId) item = it->get();
  if (!item) {
    FServerList.push_back(std::make_unique<TZelkServerItem>(FComputerName, Caption, Name, ClsId));
    item = FServerList.back().get();
  }
  item->FServerType = item->FServerType | ServerType;
}

void TZelkServerBrowser::GetServerCaptions(TStrings* Namelist) const {
  Namelist->Clear();
  for (const auto& item : FServerList) Namelist->Add(item->ServerCaption());
}

void TZelkServerBrowser::GetServerNames(TStrings* Namelist) const {
  Namelist->Clear();
  for (const auto& item : FServerList) Namelist->Add(item->ServerName());
}

void TZelkServerBrowser::GetServerClsIds(TStrings* Namelist) const {
  Namelist->Clear();
  for (const auto& item : FServerList) Namelist->Add(item->ServerClsId());
}

int32_t TZelkServerBrowser::FindByServerName(const std::string& ServerName) const {
  for (int32_t i = 0; i < Count(); ++i)
    if (FServerList[static_cast<size_t>(i)]->ServerName() == ServerName) return i;
  return -1;
}

int32_t TZelkServerBrowser::FindByClassId(const std::string& ClassId) const {
  for (int32_t i = 0; i < Count(); ++i)
    if (FServerList[static_cast<size_t>(i)]->ServerClsId() == ClassId) return i;
  return -1;
}

int32_t TZelkServerBrowser::FindServer(const std::string& ServerName) const {
  const int32_t index = FindByServerName(ServerName);
  return index >= 0 ? index : FindByClassId(ServerName);
}

void TZelkServerBrowser::CheckIndex(int32_t Index) const {
  if (Index < 0 || Index >= Count()) throw EListError::IndexOutOfBounds(Index);
}

TZelkServerItem* TZelkServerBrowser::Items(int32_t Index) const {
  CheckIndex(Index);
  return FServerList[static_cast<size_t>(Index)].get();
}

std::unique_ptr<TZelkServerItem> TZelkServerBrowser::SetItems(int32_t Index, std::unique_ptr<TZelkServerItem> Item) {
  CheckIndex(Index);
  if (!Item) throw Exception("Server item is nil");
  std::unique_ptr<TZelkServerItem>& entry = FServerList[static_cast<size_t>(Index)];
  if (Item.get() == entry.get()) {
    (void)Item.release();  // already the browser's
    return nullptr;
  }
  return std::exchange(entry, std::move(Item));
}

void TZelkServerBrowser::Clear() {
  while (!FServerList.empty()) FServerList.pop_back();
}

std::unique_ptr<TZelkServerBrowserEnumerator> TZelkServerBrowser::GetEnumerator() const {
  return std::make_unique<TZelkServerBrowserEnumerator>(this);
}

void TZelkServerBrowser::SetProtocol(tZelkConnectionType Value) {
  if (!ConnectionRegistered(Value)) throw Exception(std::string(SProtocolNotSupported) + " " + SAddLinkUnit);
  FConnection = Value;
}
