#include "toolkit/hda/ZelkHDAData.h"

#include <climits>
#include <new>

#include "opc/_OPCHDA.h"
#include "platform/rtl/Exceptions.h"
#include "toolkit/ZelkIntf.h"
#include "toolkit/com/ZelkCom.h"
#include "toolkit/hda/ZelkHDA.h"
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

}  // namespace

TZelkHDAValueItem* TZelkHDAValueList::AddNew(const VARIANT& value) {
  auto item = std::make_unique<TZelkHDAValueItem>();
  CopyServerValue(item->Value, value);
  Add(item.get());
  return item.release();
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
