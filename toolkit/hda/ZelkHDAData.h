#pragma once
// The HDA client's data model: the items a caller names, the values every read appends to
// them, the server's aggregate and attribute catalogues, update and annotation requests, and
// the time-stamp array of at-time reads and deletes.
//
// Ownership: every list owns its elements and frees them, last to first, when it is cleared
// or destroyed. Storing by index (SetItems) only stores: the replaced element is neither freed
// nor detached, so whoever replaces an element decides what becomes of the old one. The
// owner handed to a constructor is referenced, never freed.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Lists.h"
#include "platform/win32.h"
#include "toolkit/OleVariant.h"
#include "toolkit/hda/ZelkHDALocalTimes.h"

class TZelkHDAServer;
class TZelkHDAItems;
class TZelkHDAValueList;
class TZelkHDAAnnotations;
class TZelkHDAAttributeValues;
class TZelkHDAUpdateItems;
class TZelkHDAItemAttributes;
class TDateTimeList;

// A runtime list that owns its elements.
template <class T>
class TZelkHDAOwningList : public TListOf<T> {
public:
  TZelkHDAOwningList() = default;
  ~TZelkHDAOwningList() override { Clear(); }

  void Clear() override {
    for (int i = this->Count() - 1; i >= 0; --i) delete this->Items(i);
    TList::Clear();
  }

protected:
  void CheckIndex(int index) const {
    if (index < 0 || index >= this->Count()) throw EListError::IndexOutOfBounds(index);
  }
};

// One history item of a read or write request.
class TZelkHDAItem : public TObject {
public:
  // The item names owner but is not added to it.
  explicit TZelkHDAItem(TZelkHDAItems* owner);
  ~TZelkHDAItem() override;
  std::string ClassName() const override { return "TZelkHDAItem"; }

  // Reads append here; nothing in the toolkit clears it.
  TZelkHDAValueList* Values() const { return fValues.get(); }

  // The server's handle, 0 while it has given none. Without one, the owning list's server
  // component first resolves the whole list in one call; a refused item stays 0 and asks again
  // next time. Never raises: a failed look-up shows later in the read's LastHResult. Adding
  // the item to a list with Add resets it.
  uint32_t ServerHandle();
  // As ServerHandle, with Resolver asked when there is no handle yet (none: nothing is asked).
  uint32_t ResolveServerHandle(TZelkHDAServer* Resolver);
  void SetServerHandle(uint32_t value) { fServerHandle = value; }

  // Starts as a 32-bit value no other live item starts with (an address does not fit 32 bits
  // here); the caller may overwrite it.
  uint32_t ClientHandle() const { return fClientHandle; }
  void SetClientHandle(uint32_t value) { fClientHandle = value; }

  uint32_t Aggregate() const { return fAggregate; }
  void SetAggregate(uint32_t value) { fAggregate = value; }

  // Created on first use.
  TZelkHDAAnnotations* Annotations();

  uint32_t CancelID() const { return fCancelID; }

  // The attribute reads of the owning list's server component for this item; the
  // asynchronous one stores its cancel id in CancelID.
  HRESULT SyncReadAttribute(TDateTime StartTime, TDateTime EndTime, TZelkHDAItemAttributes* hdaAttributes);
  HRESULT AsyncReadAttribute(TDateTime StartTime, TDateTime EndTime, TZelkHDAItemAttributes* hdaAttributes,
                             uint32_t UserData);

  TZelkHDAItems* HdaItems;
  // The last value an advise or playback delivered, and its raw server time stamp.
  OleVariant LastValue = OleVariant::Null();
  FILETIME LastTimeStamp{};
  HRESULT LastHResult = S_OK;
  std::string ItemId;

private:
  std::unique_ptr<TZelkHDAValueList> fValues;
  uint32_t fServerHandle = 0;
  const uint32_t fIdentityHandle;
  uint32_t fClientHandle;
  uint32_t fAggregate = 0;
  std::unique_ptr<TZelkHDAAnnotations> fAnnotations;
  uint32_t fCancelID = 0;
};

// The unit of every read request: items bound to one server component (not owned; may be
// null). The list must not outlive that component.
class TZelkHDAItems : public TZelkHDAOwningList<TZelkHDAItem> {
public:
  explicit TZelkHDAItems(TZelkHDAServer* zelkHDAServer) : HdaServer(zelkHDAServer) {}
  // Requests still writing into the list are forgotten first.
  ~TZelkHDAItems() override;
  std::string ClassName() const override { return "TZelkHDAItems"; }

  // Binds obj to this list and forgets its server handle (another list's server may not know
  // it), then appends it.
  int Add(TZelkHDAItem* obj);
  TZelkHDAItem* AddItem(const std::string& itemId);
  // Binds obj to this list and stores it; its server handle stays.
  void SetItems(int index, TZelkHDAItem* obj);

  uint32_t CancelID() const { return fCancelID; }
  // Advise and playback deliveries drop a first value equal to the item's last one.
  bool SkipRepeatedValues() const { return fSkipRepeatedValues; }
  void SetSkipRepeatedValues(bool value) { fSkipRepeatedValues = value; }

  // The reads of HdaServer with this list; the asynchronous ones store their cancel id in
  // CancelID. Without a server they raise EOPCException "Not connected to server".
  HRESULT SyncReadRaw(TDateTime StartTime, TDateTime EndTime, uint32_t NumValues, BOOL bBounds);
  HRESULT SyncReadProcessed(TDateTime StartTime, TDateTime EndTime, double ResampleIntervalSeconds);
  HRESULT SyncReadAtTime(TDateTimeList* TimeStampList);
  HRESULT SyncReadModified(TDateTime StartTime, TDateTime EndTime, uint32_t NumValues);
  HRESULT AsyncReadRaw(TDateTime StartTime, TDateTime EndTime, uint32_t NumValues, BOOL bBounds, uint32_t UserData);
  HRESULT AsyncAdviseRaw(TDateTime StartTime, double IntervalSeconds, uint32_t UserData);
  HRESULT AsyncReadProcessed(TDateTime StartTime, TDateTime EndTime, double ResampleIntervalSeconds,
                             uint32_t UserData);
  HRESULT AsyncAdviseProcessed(TDateTime StartTime, double IntervalSeconds, uint32_t NumIntervals, uint32_t UserData);
  HRESULT AsyncReadAtTime(TDateTimeList* TimeStampList, uint32_t UserData);
  HRESULT AsyncReadModified(TDateTime StartTime, TDateTime EndTime, uint32_t NumValues, uint32_t UserData);
  HRESULT AsyncReadCancel(uint32_t CancelID);

  TZelkHDAServer* HdaServer;

private:
  uint32_t fCancelID = 0;
  bool fSkipRepeatedValues = false;
};

// One historical value. Modification time, edit type and user come only from modified reads;
// they are kept apart, so that the plain values of a large read stay small.
class TZelkHDAValueItem : public TObject {
public:
  TZelkHDAValueItem() = default;
  ~TZelkHDAValueItem() override;
  std::string ClassName() const override { return "TZelkHDAValueItem"; }

  // Major quality good: bits 6 and 7 of Quality both set.
  bool IsGoodQuality() const { return (Quality & 0xC0) == 0xC0; }
  std::string QualityAsString() const;
  std::string HdaQualityAsString() const;

  // 0 and empty until written.
  TDateTime ModificationTime() const;
  void SetModificationTime(TDateTime value) { SetModification(value, EditType(), UserID()); }
  uint32_t EditType() const;  // an OPCHDA_EDITTYPE
  void SetEditType(uint32_t value) { SetModification(ModificationTime(), value, UserID()); }
  const std::string& UserID() const;
  void SetUserID(std::string value) { SetModification(ModificationTime(), EditType(), std::move(value)); }
  // All three at once, as a modified read delivers them.
  void SetModification(TDateTime modificationTime, uint32_t editType, std::string userId);

  // An item its value list made lives in the list's storage: deleting it only destroys it,
  // and the storage goes with the list's Clear.
  void operator delete(TZelkHDAValueItem* item, std::destroying_delete_t);

  TDateTime TimeStamp = 0;  // local time
  uint32_t hdaQuality = 0;  // the whole quality word: HDA flags in bits 16..23
  uint16_t Quality = 0;     // its low 16 bits, the DA quality

private:
  friend class TZelkHDAValueList;

  // Built by a value list in its storage; takes over value (left VT_EMPTY) without copying it.
  explicit TZelkHDAValueItem(VARIANT& value);
  // Whether destroying the item frees or releases anything.
  bool HoldsResources() const;

  // Both sit in Quality's padding.
  bool fInListStorage = false;
  bool fHasModification = false;

public:
  OleVariant Value = OleVariant::Null();
};

// Value items made here (AddNew, AddTaken, and the items of adopted values) are built in
// blocks the list owns, so that a read of a million values costs no million allocations; items
// appended with Add are the caller's heap objects. Either way the list frees its elements last
// to first. An item the list made and Extract took out may be deleted, but its storage stays
// the list's: it lives only until the list is cleared or destroyed.
//
// Values a read delivers are adopted as the server's arrays hold them: the list stands in
// placeholders for them and makes a value's item the first time it is asked for, so that a
// large read costs little more than the server call.
class TZelkHDAValueList final : public TZelkHDAOwningList<TZelkHDAValueItem> {
public:
  TZelkHDAValueList() = default;
  ~TZelkHDAValueList() override { Clear(); }
  std::string ClassName() const override { return "TZelkHDAValueList"; }

  // Appends a new value item holding its own deep copy of value (a value by reference is
  // copied from where it points). A VARIANT that cannot be copied raises EOleSysError and adds
  // nothing.
  TZelkHDAValueItem* AddNew(const VARIANT& value);
  // Appends a new value item that takes over value, leaving it VT_EMPTY. For VARIANTs the
  // caller would release right afterwards; a value by reference is copied as AddNew does.
  TZelkHDAValueItem* AddTaken(VARIANT& value);
  // Appends count values from three parallel arrays in task memory (time stamps in UTC, whole
  // quality words, values) and takes the arrays over: the pointers are left null, and the
  // list frees the arrays when it is cleared. A value by reference is first replaced by a copy
  // of what it points to; when that fails, raises EOleSysError and leaves the arrays with the
  // caller, as does std::bad_alloc.
  void AdoptValues(uint32_t count, FILETIME*& timeStamps, DWORD*& qualities, VARIANT*& values);
  // Makes room for count more values.
  void Reserve(int count);
  // Destroys the elements that need it, last to first, then the values no item was made for,
  // and releases the storage.
  void Clear() override;

protected:
  void* MakeElement(uint64_t key) override;
  void Notify(void* item, TListNotification action) override;

private:
  struct alignas(TZelkHDAValueItem) TSlot {
    std::byte Bytes[sizeof(TZelkHDAValueItem)];
  };

  struct TBlock {
    void* Memory;
    size_t Bytes;
  };

  // Adopted arrays; placeholder keys FirstKey.. stand for their values in order.
  struct TAdoptedValues {
    uint64_t FirstKey;
    FILETIME* TimeStamps;
    DWORD* Qualities;
    VARIANT* Values;
    uint32_t Count;
  };

  TZelkHDAValueItem* Append(VARIANT& value);
  void* NextSlot();
  void AddBlock();
  void ReleaseBlocks() noexcept;
  void ReleaseAdopted() noexcept;

  std::vector<TBlock> fBlocks;
  TSlot* fNextSlot = nullptr;
  size_t fSlotsLeft = 0;
  std::vector<TAdoptedValues> fAdopted;
  uint64_t fNextKey = 0;
  TZelkLocalTimes fTimes;
  // Whether any element was added or made since the last Clear: a list of placeholders only
  // has nothing to destroy one by one.
  bool fHoldsElements = false;
};

// Inline: a read runs these once per value.

inline TZelkHDAValueItem::TZelkHDAValueItem(VARIANT& value) : fInListStorage(true), Value() {
  *Value.Ptr() = value;
  value.vt = VT_EMPTY;
}

inline TZelkHDAValueItem* TZelkHDAValueList::AddTaken(VARIANT& value) {
  if (value.vt & VT_BYREF) return AddNew(value);
  return Append(value);
}

inline TZelkHDAValueItem* TZelkHDAValueList::Append(VARIANT& value) {
  // The slot is taken only once the list has room for its pointer, so a failure leaves value
  // with the caller.
  if (Count() == Capacity()) Reserve(1);
  auto* item = new (NextSlot()) TZelkHDAValueItem(value);
  Add(item);
  return item;
}

inline void* TZelkHDAValueList::NextSlot() {
  if (fSlotsLeft == 0) [[unlikely]]
    AddBlock();
  --fSlotsLeft;
  return fNextSlot++;
}

// One aggregate the server supports.
class TZelkHDAAggregatesItem : public TObject {
public:
  std::string ClassName() const override { return "TZelkHDAAggregatesItem"; }
  uint32_t ID = 0;
  std::string Name;
  std::string Desc;
};

// The server's aggregate table; only the server component fills it.
class TZelkHDAAggregates : public TZelkHDAOwningList<TZelkHDAAggregatesItem> {
public:
  std::string ClassName() const override { return "TZelkHDAAggregates"; }

private:
  using TListOf<TZelkHDAAggregatesItem>::SetItems;
};

// One value of an item attribute.
class TZelkHDAAttributeValue : public TObject {
public:
  std::string ClassName() const override { return "TZelkHDAAttributeValue"; }
  TDateTime TimeStamp = 0;  // local time
  OleVariant Value = OleVariant::Null();
};

class TZelkHDAAttributeValues : public TZelkHDAOwningList<TZelkHDAAttributeValue> {
public:
  std::string ClassName() const override { return "TZelkHDAAttributeValues"; }
  // Appends a new attribute value holding its own deep copy of value, as the value list does.
  TZelkHDAAttributeValue* AddNew(const VARIANT& value);
};

// One item attribute the server supports and, after an attribute read, its values for one
// item.
class TZelkHDAItemAttributesItem : public TObject {
public:
  std::string ClassName() const override { return "TZelkHDAItemAttributesItem"; }

  // Created on first use.
  TZelkHDAAttributeValues* AttributeValues();

  uint32_t ID = 0;
  std::string Name;
  std::string Desc;
  uint16_t DataType = 0;  // VARTYPE
  HRESULT LastHResult = S_OK;

private:
  std::unique_ptr<TZelkHDAAttributeValues> fAttributeValues;
};

class TZelkHDAItemAttributes : public TZelkHDAOwningList<TZelkHDAItemAttributesItem> {
public:
  TZelkHDAItemAttributes() = default;
  // Requests still writing into the list are forgotten first.
  ~TZelkHDAItemAttributes() override;
  std::string ClassName() const override { return "TZelkHDAItemAttributes"; }
  TZelkHDAItemAttributesItem* AddNew();

private:
  using TListOf<TZelkHDAItemAttributesItem>::SetItems;
};

// One entry of an insert, replace or delete-at-time request.
class TZelkHDAUpdateItem : public TObject {
public:
  // Raises Exception "fHdaUpdateItems=nil" without an owner. The item is not added to it.
  TZelkHDAUpdateItem(TZelkHDAUpdateItems* owner, uint32_t serverHandle);
  std::string ClassName() const override { return "TZelkHDAUpdateItem"; }

  TZelkHDAUpdateItems* HdaUpdateItems() const { return fHdaUpdateItems; }
  // Raises Exception "ServerHandle=0" for an entry without a handle, so that an update request
  // stops before it reaches the server.
  uint32_t ServerHandle() const;

  TDateTime TimeStamp = 0;  // local time
  uint32_t Quality = 0x40;  // uncertain, non-specific
  OleVariant Value = OleVariant::Null();
  HRESULT LastHResult = S_OK;

private:
  friend class TZelkHDAUpdateItems;
  TZelkHDAUpdateItems* fHdaUpdateItems;
  uint32_t fServerHandle;
};

class TZelkHDAUpdateItems : public TZelkHDAOwningList<TZelkHDAUpdateItem> {
public:
  // Raises Exception "fHdaServer=nil" without a server.
  explicit TZelkHDAUpdateItems(TZelkHDAServer* zelkHDAServer);
  // Requests still writing into the list are forgotten first.
  ~TZelkHDAUpdateItems() override;
  std::string ClassName() const override { return "TZelkHDAUpdateItems"; }

  int Add(TZelkHDAUpdateItem* obj);
  TZelkHDAUpdateItem* AddItem(uint32_t serverHandle);
  void SetItems(int index, TZelkHDAUpdateItem* obj);

  TZelkHDAServer* HdaServer() const { return fHdaServer; }
  uint32_t CancelID() const { return fCancelID; }

private:
  TZelkHDAServer* fHdaServer;
  uint32_t fCancelID = 0;
};

class TZelkHDAAnnotation : public TObject {
public:
  std::string ClassName() const override { return "TZelkHDAAnnotation"; }
  TDateTime TimeStamp = 0;  // local time of the annotated value
  std::string Annotation;
  TDateTime AnnotationTime = 0;
  std::string User;
};

class TZelkHDAAnnotations : public TZelkHDAOwningList<TZelkHDAAnnotation> {
public:
  std::string ClassName() const override { return "TZelkHDAAnnotations"; }
  TZelkHDAAnnotation* AddNew();
};

// A growable array of date-times in task memory, growing by exactly 8 slots at a time.
// Get and Put outside 0..Count-1 raise EListError "List index out of bounds (<index>)".
class TDateTimeList : public TObject {
public:
  TDateTimeList() = default;
  ~TDateTimeList() override { Clear(); }
  std::string ClassName() const override { return "TDateTimeList"; }

  // Returns the index of the new value. When the array cannot grow, raises std::bad_alloc and
  // keeps what it holds.
  int Add(TDateTime dt);
  TDateTime Get(int index) const;
  void Put(int index, TDateTime value);
  // Releases the array.
  void Clear();

  int Count() const { return fCount; }
  int Capacity() const { return fCapacity; }

private:
  void CheckIndex(int index) const;

  int fCapacity = 0;
  int fCount = 0;
  TDateTime* fItems = nullptr;
};

// The HDA flag words of a quality word (bits 16..23) run together, in bit order.
std::string HdaQualityToString(uint32_t quality);
// "up", "down", "indeterminate" for OPCHDA_UP..OPCHDA_INDETERMINATE, else "unknown".
std::string HdaServerStatusToString(int status);
