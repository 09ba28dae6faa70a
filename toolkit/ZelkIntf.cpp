#include "toolkit/ZelkIntf.h"

// ---------------------------------------------------------------------------------------------
// Address-space nodes

void TZelkBrowseItem::Assign(const TZelkBrowseItem* Source) {
  if (!Source) return;
  FName = Source->FName;
  FItemPath = Source->FItemPath;
  FItemName = Source->FItemName;
  FIsItem = Source->FIsItem;
  FIsFolder = Source->FIsFolder;
  FHasChilds = Source->FHasChilds;
  FTag = Source->FTag;
  FKind = Source->FKind;
  FNodeId = Source->FNodeId;
}

void TZelkBrowseItem::SetItemName(const std::string& Value) {
  FItemName = Value;
  if (FNodeId.empty()) FNodeId = Value;
}

std::string TZelkBrowseItem::GetItemId() const {
  if (!FNodeId.empty()) return FNodeId;
  if (!FItemPath.empty()) return FItemPath + "//" + FItemName;
  return FItemName;
}

bool TZelkListEnumerator::MoveNext() {
  if (FIndex >= FList->Count() - 1) return false;
  ++FIndex;
  return true;
}

TZelkBrowseItem* TZelkBrowseEnumerator::GetCurrent() const {
  return static_cast<TZelkBrowseItem*>(static_cast<TObject*>(FList->Get(FIndex)));
}

void TZelkBrowseItems::Assign(const TZelkBrowseItems* Source) {
  if (!Source) return;
  for (int i = 0; i < Source->Count(); ++i) {
    const TZelkBrowseItem* entry = Source->Items(i);
    if (!entry) continue;
    auto copy = std::make_unique<TZelkBrowseItem>();
    copy->Assign(entry);
    Add(copy.get());
    copy.release();
  }
}

std::unique_ptr<TZelkBrowseEnumerator> TZelkBrowseItems::GetEnumerator() const {
  return std::make_unique<TZelkBrowseEnumerator>(this);
}

void TZelkBrowseItems::Notify(void* item, TListNotification action) {
  if (action == TListNotification::lnDeleted) delete static_cast<TZelkBrowseItem*>(static_cast<TObject*>(item));
}

// ---------------------------------------------------------------------------------------------
// Messages

void TZelkLogMsg::Assign(const TPersistent* Source) {
  const auto* source = dynamic_cast<const TZelkLogMsg*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  LogTime = source->LogTime;
  LogSeverity = source->LogSeverity;
  LogType = source->LogType;
  Msg = source->Msg;
  Detail = source->Detail;
}

// ---------------------------------------------------------------------------------------------
// Component base classes

void TZelkComponent::HandleMsg(TObject*) {}

void TZelkComponent::PostMsg(int32_t, int64_t, TObject* OParam) { delete OParam; }

TZelkIntfComponent::TZelkIntfComponent(TComponent* AOwner) : FOwner(AOwner) {
  if (AOwner && !dynamic_cast<TZelkComponent*>(AOwner))
    throw EOPCException("Owner is not inherited from TZelkComponent");
}

HRESULT TZelkIntfComponent::QueryInterface(REFIID riid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = riid == IID_IUnknown ? static_cast<IUnknown*>(this) : FindInterface(riid);
  if (!*ppvObject) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG TZelkIntfComponent::AddRef() { return FRefCount.fetch_add(1, std::memory_order_relaxed) + 1; }

ULONG TZelkIntfComponent::Release() {
  const ULONG count = FRefCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (count == 0) delete this;
  return count;
}

void* TZelkIntfComponent::FindInterface(REFIID) { return nullptr; }

TZelkComponent* TZelkIntfComponent::GetHandler() const {
  if (!FOwner) throw EOPCException("Owner has nil value");
  return static_cast<TZelkComponent*>(FOwner);
}

// ---------------------------------------------------------------------------------------------
// Texts

std::string ServerStateToString(int32_t State, tZelkConnectionType Protocol) {
  static const char* const kUAStates[] = {"running",  "failed", "no config", "suspended",
                                          "shutdown", "test",   "commFault"};
  static const char* const kDAStates[] = {"none", "running", "failed", "no config", "suspended", "test", "commFault"};
  if (State < 0 || State > 6) return "unknown";
  return Protocol == coUA ? kUAStates[State] : kDAStates[State];
}

std::string QualityToString(int32_t Quality, tZelkConnectionType Protocol) {
  if (Protocol == coUA) return UAStatusToString(Quality);
  return DAQualityToString(static_cast<uint8_t>(Quality & 0xFF));
}

std::string DAQualityToString(uint8_t Quality) {
  // By bits 7..6; 0x80 has no word.
  static const char* const kMajor[] = {"bad", "uncertain", "", "good"};
  return kMajor[Quality >> 6] + QualitySubstatusToString(Quality & 0xFC);
}

std::string UAStatusToString(int32_t Status) {
  const auto bits = static_cast<uint32_t>(Status);
  if (bits & 0x80000000u) return "bad";
  if (bits & 0x40000000u) return "uncertain";
  return "good";
}

std::string QualitySubstatusToString(int32_t Bits) {
  static const struct {
    int32_t Bits;
    const char* Text;
  } kSubstatus[] = {{0x04, "ConfigurationError"}, {0x08, "NotConnected"},    {0x0C, "DeviceFailure"},
                    {0x10, "SensorFailure"},      {0x14, "LastKnownValue"},  {0x18, "CommFailure"},
                    {0x1C, "OutOfService"},       {0x44, "LastUsableValue"}, {0x50, "SensorNotAccurate"},
                    {0x54, "EUExceeded"},         {0x58, "SubNormal"},       {0xD8, "LocalOverride"}};
  for (const auto& entry : kSubstatus)
    if (entry.Bits == Bits) return entry.Text;
  return "";
}

// ---------------------------------------------------------------------------------------------
// Helpers

HRESULT ZelkCoInitialize() { return CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }

void ZelkCoUninitialize() { CoUninitialize(); }
