#include "toolkit/hda/ZelkHDAData.h"

#include <algorithm>
#include <climits>
#include <mutex>
#include <new>
#include <unordered_map>

#include "opc/_OPCHDA.h"
#include "platform/rtl/Exceptions.h"
#include "toolkit/ZelkIntf.h"
#include "toolkit/com/ZelkCom.h"
#include "toolkit/hda/ZelkHDA.h"
#include "toolkit/hda/ZelkHDABlockCache.h"
#include "toolkit/hda/ZelkHDAHandleTable.h"

TZelkHDAItem::TZelkHDAItem(TZelkHDAItems* owner)
    : HdaItems(owner),
      fValues(std::make_unique<TZelkHDAValueList>()),
      fIdentityHandle(TZelkHDAHandleTable::Items().Acquire()),
      fClientHandle(fIdentityHandle) {}

TZelkHDAItem::~TZelkHDAItem() {
  HdaRequestListDestroyed(this);
  TZelkHDAHandleTable::Items().Release(fIdentityHandle);
}

uint32_t TZelkHDAItem::ServerHandle() { return ResolveServerHandle(HdaItems ? HdaItems->HdaServer : nullptr); }

uint32_t TZelkHDAItem::ResolveServerHandle(TZelkHDAServer* Resolver) {
  if (fServerHandle == 0 && Resolver && HdaItems) {
    try {
      Resolver->GetItemHandles(HdaItems);
    } catch (const std::exception&) {
      // The item keeps 0; the read that sends it reports the server's complaint.
    }
  }
  return fServerHandle;
}

TZelkHDAAnnotations* TZelkHDAItem::Annotations() {
  if (!fAnnotations) fAnnotations = std::make_unique<TZelkHDAAnnotations>();
  return fAnnotations.get();
}

int TZelkHDAItems::Add(TZelkHDAItem* obj) {
  obj->HdaItems = this;
  obj->SetServerHandle(0);
  return TListOf<TZelkHDAItem>::Add(obj);
}

TZelkHDAItem* TZelkHDAItems::AddItem(const std::string& itemId) {
  auto item = std::make_unique<TZelkHDAItem>(this);
  item->ItemId = itemId;
  Add(item.get());
  return item.release();
}

void TZelkHDAItems::SetItems(int index, TZelkHDAItem* obj) {
  // A refused put leaves obj bound where it was.
  CheckIndex(index);
  obj->HdaItems = this;
  TListOf<TZelkHDAItem>::SetItems(index, obj);
}

std::string TZelkHDAValueItem::QualityAsString() const { return QualityToString(Quality, coCOM); }

std::string TZelkHDAValueItem::HdaQualityAsString() const { return HdaQualityToString(hdaQuality); }

namespace {

// A by-reference VARIANT from a server points into memory the server may free after the call,
// so the copy follows the reference.
void CopyServerValue(OleVariant& dest, const VARIANT& value) {
  VARIANT copy;
  VariantInit(&copy);
  OleCheck(VariantCopyInd(&copy, &value));
  dest.Attach(copy);
}

// Blocks grow from a few slots for the small lists of deliveries up to the cached size.
constexpr size_t kFirstBlockBytes = 1024;

struct TModification {
  TDateTime Time = 0;
  uint32_t EditType = 0;
  std::string UserID;
};

// The modification records of the value items that have one. Nodes never move, so a record
// stays where it is until its item goes.
struct TModificationTable {
  std::mutex Lock;
  std::unordered_map<const TZelkHDAValueItem*, TModification> Records;
};

// Never destroyed: value lists that outlive static destruction still reach it.
TModificationTable& Modifications() {
  static auto* table = new TModificationTable;
  return *table;
}

const TModification& RecordOf(const TZelkHDAValueItem* item) {
  TModificationTable& table = Modifications();
  const std::lock_guard<std::mutex> guard(table.Lock);
  return table.Records.at(item);
}

TModification& WritableRecordOf(const TZelkHDAValueItem* item) {
  TModificationTable& table = Modifications();
  const std::lock_guard<std::mutex> guard(table.Lock);
  return table.Records[item];
}

}  // namespace

TZelkHDAValueItem::~TZelkHDAValueItem() {
  if (!fHasModification) return;
  TModificationTable& table = Modifications();
  const std::lock_guard<std::mutex> guard(table.Lock);
  table.Records.erase(this);
}

void TZelkHDAValueItem::operator delete(TZelkHDAValueItem* item, std::destroying_delete_t) {
  const bool inListStorage = item->fInListStorage;
  item->~TZelkHDAValueItem();
  if (!inListStorage) ::operator delete(item);
}

TDateTime TZelkHDAValueItem::ModificationTime() const { return fHasModification ? RecordOf(this).Time : 0; }

uint32_t TZelkHDAValueItem::EditType() const { return fHasModification ? RecordOf(this).EditType : 0; }

const std::string& TZelkHDAValueItem::UserID() const {
  static const std::string none;
  return fHasModification ? RecordOf(this).UserID : none;
}

void TZelkHDAValueItem::SetModification(TDateTime modificationTime, uint32_t editType, std::string userId) {
  TModification& record = WritableRecordOf(this);
  record.Time = modificationTime;
  record.EditType = editType;
  record.UserID = std::move(userId);
  fHasModification = true;
}

bool TZelkHDAValueItem::HoldsResources() const {
  if (fHasModification) return true;
  switch (Value.VarType()) {
    case VT_EMPTY: case VT_NULL: case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_CY: case VT_DATE:
    case VT_ERROR: case VT_BOOL: case VT_DECIMAL: case VT_I1: case VT_UI1: case VT_UI2: case VT_UI4: case VT_I8:
    case VT_UI8: case VT_INT: case VT_UINT:
      return false;
    default:
      return true;
  }
}

TZelkHDAValueItem* TZelkHDAValueList::AddNew(const VARIANT& value) {
  VARIANT copy;
  VariantInit(&copy);
  OleCheck(VariantCopyInd(&copy, &value));
  try {
    return Append(copy);
  } catch (...) {
    VariantClear(&copy);
    throw;
  }
}

void TZelkHDAValueList::Reserve(int count) {
  const int64_t wanted = static_cast<int64_t>(Count()) + count;
  if (wanted <= Capacity()) return;
  if (wanted > INT32_MAX) throw std::bad_alloc();
  // Doubling keeps repeated single appends linear.
  SetCapacity(static_cast<int>(std::max<int64_t>(wanted, std::min<int64_t>(2 * int64_t{Capacity()}, INT32_MAX))));
}

void TZelkHDAValueList::AddBlock() {
  const size_t bytes =
      fBlocks.empty() ? kFirstBlockBytes : std::min(2 * fBlocks.back().Bytes, TZelkHDABlockCache::kBlockBytes);
  fBlocks.reserve(fBlocks.size() + 1);
  void* memory = TZelkHDABlockCache::Acquire(bytes);
  fBlocks.push_back(TBlock{memory, bytes});
  fNextSlot = static_cast<TSlot*>(memory);
  fSlotsLeft = bytes / sizeof(TSlot);
}

void TZelkHDAValueList::AdoptValues(uint32_t count, FILETIME*& timeStamps, DWORD*& qualities, VARIANT*& values) {
  if (count == 0) return;
  if (static_cast<int64_t>(Count()) + count > INT32_MAX) throw std::bad_alloc();
  // The server may free what a reference points to once the call is over.
  for (uint32_t j = 0; j < count; ++j)
    if (values[j].vt & VT_BYREF) {
      VARIANT copy;
      VariantInit(&copy);
      OleCheck(VariantCopyInd(&copy, &values[j]));
      values[j] = copy;
    }
  fAdopted.reserve(fAdopted.size() + 1);
  AddPlaceholders(fNextKey, static_cast<int>(count));
  fAdopted.push_back(TAdoptedValues{fNextKey, timeStamps, qualities, values, count});
  fNextKey += count;
  timeStamps = nullptr;
  qualities = nullptr;
  values = nullptr;
}

void* TZelkHDAValueList::MakeElement(uint64_t key) {
  const auto after = std::upper_bound(fAdopted.begin(), fAdopted.end(), key,
                                      [](uint64_t k, const TAdoptedValues& adopted) { return k < adopted.FirstKey; });
  const TAdoptedValues& adopted = *(after - 1);
  const size_t j = key - adopted.FirstKey;
  auto* item = new (NextSlot()) TZelkHDAValueItem(adopted.Values[j]);
  item->hdaQuality = adopted.Qualities[j];
  item->Quality = static_cast<uint16_t>(adopted.Qualities[j]);
  item->TimeStamp = fTimes.Convert(adopted.TimeStamps[j]);
  fHoldsElements = true;
  return static_cast<TObject*>(item);
}

void TZelkHDAValueList::Notify(void*, TListNotification action) {
  if (action == TListNotification::lnAdded) fHoldsElements = true;
}

void TZelkHDAValueList::Clear() {
  // Items in the blocks whose destruction frees nothing go with their block.
  for (int i = fHoldsElements ? Count() - 1 : -1; i >= 0; --i) {
    void* const stored = Stored(i);
    if (!stored || IsPlaceholder(stored)) continue;
    auto* item = static_cast<TZelkHDAValueItem*>(static_cast<TObject*>(stored));
    if (!item->fInListStorage || item->HoldsResources()) delete item;
  }
  // Nothing is left to report: what the list's Notify learns is reset here.
  ReleaseStorage();
  fHoldsElements = false;
  ReleaseAdopted();
  ReleaseBlocks();
}

void TZelkHDAValueList::ReleaseAdopted() noexcept {
  // Values whose item was made were taken over and left VT_EMPTY.
  for (TAdoptedValues& adopted : fAdopted) {
    for (uint32_t j = 0; j < adopted.Count; ++j) VariantClear(&adopted.Values[j]);
    CoTaskMemFree(adopted.Values);
    CoTaskMemFree(adopted.Qualities);
    CoTaskMemFree(adopted.TimeStamps);
  }
  fAdopted.clear();
  fAdopted.shrink_to_fit();
  fNextKey = 0;
}

void TZelkHDAValueList::ReleaseBlocks() noexcept {
  // Clear visited the first blocks last; given back last, they are the first reused, still
  // in the cache.
  for (auto block = fBlocks.rbegin(); block != fBlocks.rend(); ++block)
    TZelkHDABlockCache::Release(block->Memory, block->Bytes);
  fBlocks.clear();
  fBlocks.shrink_to_fit();
  fNextSlot = nullptr;
  fSlotsLeft = 0;
}

TZelkHDAAttributeValue* TZelkHDAAttributeValues::AddNew(const VARIANT& value) {
  auto item = std::make_unique<TZelkHDAAttributeValue>();
  CopyServerValue(item->Value, value);
  Add(item.get());
  return item.release();
}

TZelkHDAAttributeValues* TZelkHDAItemAttributesItem::AttributeValues() {
  if (!fAttributeValues) fAttributeValues = std::make_unique<TZelkHDAAttributeValues>();
  return fAttributeValues.get();
}

TZelkHDAItemAttributesItem* TZelkHDAItemAttributes::AddNew() {
  auto item = std::make_unique<TZelkHDAItemAttributesItem>();
  Add(item.get());
  return item.release();
}

TZelkHDAUpdateItem::TZelkHDAUpdateItem(TZelkHDAUpdateItems* owner, uint32_t serverHandle)
    : fHdaUpdateItems(owner), fServerHandle(serverHandle) {
  if (!owner) throw Exception("fHdaUpdateItems=nil");
}

uint32_t TZelkHDAUpdateItem::ServerHandle() const {
  if (fServerHandle == 0) throw Exception("ServerHandle=0");
  return fServerHandle;
}

TZelkHDAUpdateItems::TZelkHDAUpdateItems(TZelkHDAServer* zelkHDAServer) : fHdaServer(zelkHDAServer) {
  if (!zelkHDAServer) throw Exception("fHdaServer=nil");
}

int TZelkHDAUpdateItems::Add(TZelkHDAUpdateItem* obj) {
  obj->fHdaUpdateItems = this;
  return TListOf<TZelkHDAUpdateItem>::Add(obj);
}

TZelkHDAUpdateItem* TZelkHDAUpdateItems::AddItem(uint32_t serverHandle) {
  auto item = std::make_unique<TZelkHDAUpdateItem>(this, serverHandle);
  Add(item.get());
  return item.release();
}

void TZelkHDAUpdateItems::SetItems(int index, TZelkHDAUpdateItem* obj) {
  CheckIndex(index);
  obj->fHdaUpdateItems = this;
  TListOf<TZelkHDAUpdateItem>::SetItems(index, obj);
}

TZelkHDAAnnotation* TZelkHDAAnnotations::AddNew() {
  auto item = std::make_unique<TZelkHDAAnnotation>();
  Add(item.get());
  return item.release();
}

int TDateTimeList::Add(TDateTime dt) {
  if (fCount >= fCapacity) {
    if (fCapacity > INT_MAX / static_cast<int>(sizeof(TDateTime)) - 8) throw std::bad_alloc();
    const int capacity = fCapacity + 8;
    void* items = CoTaskMemRealloc(fItems, static_cast<SIZE_T>(capacity) * sizeof(TDateTime));
    if (!items) throw std::bad_alloc();
    fItems = static_cast<TDateTime*>(items);
    fCapacity = capacity;
  }
  fItems[fCount] = dt;
  return fCount++;
}

TDateTime TDateTimeList::Get(int index) const {
  CheckIndex(index);
  return fItems[index];
}

void TDateTimeList::Put(int index, TDateTime value) {
  CheckIndex(index);
  fItems[index] = value;
}

void TDateTimeList::Clear() {
  CoTaskMemFree(fItems);
  fItems = nullptr;
  fCapacity = 0;
  fCount = 0;
}

void TDateTimeList::CheckIndex(int index) const {
  if (index < 0 || index >= fCount) throw EListError::IndexOutOfBounds(index);
}

std::string HdaQualityToString(uint32_t quality) {
  static constexpr struct {
    uint32_t Flag;
    const char* Word;
  } kFlagWords[] = {
      {OPCHDA_EXTRADATA, "extradata"}, {OPCHDA_INTERPOLATED, "interpolated"}, {OPCHDA_RAW, "raw"},
      {OPCHDA_CALCULATED, "calculated"}, {OPCHDA_NOBOUND, "nobound"},           {OPCHDA_NODATA, "nodata"},
      {OPCHDA_DATALOST, "datalost"},   {OPCHDA_CONVERSION, "conversion"},
  };
  std::string text;
  for (const auto& flagWord : kFlagWords)
    if (quality & flagWord.Flag) text += flagWord.Word;
  return text;
}

std::string HdaServerStatusToString(int status) {
  switch (status) {
    case OPCHDA_UP:
      return "up";
    case OPCHDA_DOWN:
      return "down";
    case OPCHDA_INDETERMINATE:
      return "indeterminate";
    default:
      return "unknown";
  }
}
