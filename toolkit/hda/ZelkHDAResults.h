#pragma once
// What the reads and the data callback share: handing the values a server returns to an
// item's value list, and the release of the result records a server allocates.

#include <cstdint>

#include <new>
#include <optional>

#include "opc/_OPCHDA.h"
#include "toolkit/hda/ZelkHDA.h"
#include "toolkit/hda/ZelkHDALocalTimes.h"

// Whether the server's VARIANTs are the toolkit's to keep (results of a synchronous call,
// which the toolkit frees anyway) or only to read (a callback's arguments).
enum class TZelkValueSource { Owned, Borrowed };

// Appends the values of a synchronous read's record: the list takes the record's arrays over
// and leaves their pointers null. A record without them adds nothing.
void AdoptItemValues(TZelkHDAValueList& Values, OPCHDA_ITEM& Record);
// Appends copies of a delivery's values from index First on; the delivery's arrays are only
// read. A value that cannot be copied raises EOleSysError and adds nothing.
void AppendValueCopies(TZelkHDAValueList& Values, const OPCHDA_ITEM& Entry, DWORD First);
// Appends a modified read's values with their modification records. Owned values move into
// the value items and leave VT_EMPTY behind; borrowed ones are deep-copied.
void AppendModifiedValues(TZelkHDAValueList& Values, const OPCHDA_MODIFIEDITEM& Record, TZelkValueSource Source,
                          TZelkLocalTimes& Times);
// Replaces an attribute's values with those of Record.
void ReplaceAttributeValues(TZelkHDAItemAttributesItem& Attribute, const OPCHDA_ATTRIBUTE& Record,
                            TZelkLocalTimes& Times);

// Release what a server allocated inside one result record.
void FreeItemRecord(OPCHDA_ITEM& Record);
void FreeModifiedRecord(OPCHDA_MODIFIEDITEM& Record);
void FreeAttributeRecord(OPCHDA_ATTRIBUTE& Record);

// The record and error arrays of one synchronous call, released with everything in them
// however the call's caller leaves.
template <class TRecord, void (*FreeRecord)(TRecord&)>
class TZelkServerResults {
public:
  explicit TZelkServerResults(DWORD Count) : FCount(Count) {}
  ~TZelkServerResults() {
    if (Records)
      for (DWORD i = 0; i < FCount; ++i) FreeRecord(Records[i]);
    CoTaskMemFree(Records);
    CoTaskMemFree(Errors);
  }
  TZelkServerResults(const TZelkServerResults&) = delete;
  TZelkServerResults& operator=(const TZelkServerResults&) = delete;

  // Both arrays came back; a success without them has nothing to read.
  bool Complete() const { return Records && Errors; }

  TRecord* Records = nullptr;
  HRESULT* Errors = nullptr;

private:
  const DWORD FCount;
};

using TZelkItemResults = TZelkServerResults<OPCHDA_ITEM, FreeItemRecord>;
using TZelkModifiedResults = TZelkServerResults<OPCHDA_MODIFIEDITEM, FreeModifiedRecord>;
using TZelkAttributeResults = TZelkServerResults<OPCHDA_ATTRIBUTE, FreeAttributeRecord>;

// An array in task memory for one call, freed with this object.
template <class T>
class TZelkTaskArray {
public:
  explicit TZelkTaskArray(size_t Count);
  ~TZelkTaskArray() { CoTaskMemFree(FData); }
  TZelkTaskArray(const TZelkTaskArray&) = delete;
  TZelkTaskArray& operator=(const TZelkTaskArray&) = delete;

  T* Data() const { return FData; }
  // Hands the array to whoever frees it now.
  void Release() { FData = nullptr; }
  T& operator[](size_t Index) const { return FData[Index]; }

private:
  T* FData = nullptr;
};

template <class T>
TZelkTaskArray<T>::TZelkTaskArray(size_t Count) {
  // Zero elements still get a block, so the server sees a valid pointer.
  FData = static_cast<T*>(CoTaskMemAlloc(Count ? Count * sizeof(T) : 1));
  if (!FData) throw std::bad_alloc();
}

// The item's server handle. An item without one first has its whole list resolved by the
// list's server component (Server when the list names none); a refused item stays 0.
uint32_t ResolveServerHandle(TZelkHDAServer& Server, TZelkHDAItem* Item);

// The server handles of a request's items in list order, and their aggregate ids when asked,
// in task memory for one call. A null list is a request for no items.
class TZelkRequestItems {
public:
  TZelkRequestItems(TZelkHDAServer& Server, TZelkHDAItems* Items, bool WithAggregates);

  DWORD Count() const { return FCount; }
  OPCHANDLE* Handles() const { return FHandles.Data(); }
  DWORD* Aggregates() const { return FAggregates ? FAggregates->Data() : nullptr; }

private:
  const DWORD FCount;
  TZelkTaskArray<OPCHANDLE> FHandles;
  std::optional<TZelkTaskArray<DWORD>> FAggregates;
};

// The time stamps of an at-time request as UTC FILETIMEs in task memory, for one call. A null
// list is a request for none.
class TZelkRequestTimeStamps {
public:
  explicit TZelkRequestTimeStamps(const TDateTimeList* List);

  DWORD Count() const { return FCount; }
  FILETIME* Data() const { return FStamps.Data(); }

private:
  const DWORD FCount;
  TZelkTaskArray<FILETIME> FStamps;
};

// The ids of an attribute request in list order, the same way.
class TZelkRequestAttributeIds {
public:
  explicit TZelkRequestAttributeIds(const TZelkHDAItemAttributes* Attributes);

  DWORD Count() const { return FCount; }
  DWORD* Data() const { return FIds.Data(); }

private:
  const DWORD FCount;
  TZelkTaskArray<DWORD> FIds;
};
