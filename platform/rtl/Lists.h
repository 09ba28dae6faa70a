#pragma once
// TList, a list of untyped pointers; TObjectList, a list that may own the objects it holds;
// TListOf<T>, typed access on top of either.
//
// Every change that adds or drops a non-null element is reported to the virtual Notify after
// the list itself has changed, so a subclass can free what it owns, and the freed object's
// destructor already meets a list without it. Clear and a shrinking SetCount drop elements
// last to first. Exchange, Move and Sort only reorder and report nothing.
//
// Index errors raise EListError "List index out of bounds (<index>)".
//
// A subclass may append placeholders instead of elements: numbered stand-ins for elements it
// makes only when one is first asked for (Get, First, Last, Sort), so that a list of a million
// values need not hold a million objects nobody looks at. Placeholders move with reordering
// like elements, are never reported to Notify, and dropping one frees nothing.

#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/rtl/Object.h"

enum class TListNotification { lnAdded, lnExtracted, lnDeleted };

// Negative when item1 sorts before item2, 0 when equal, positive after.
using TListSortCompare = std::function<int(void* item1, void* item2)>;

class TList : public TObject {
public:
  std::string ClassName() const override { return "TList"; }

  int Count() const { return static_cast<int>(FItems.size()); }
  // Growing appends nulls; shrinking deletes from the end. A negative count raises
  // EListError "List count out of bounds (<count>)".
  void SetCount(int newCount);
  int Capacity() const { return static_cast<int>(FItems.capacity()); }
  // A capacity below Count raises EListError "List capacity out of bounds (<capacity>)".
  void SetCapacity(int newCapacity);

  void* Get(int index) const {
    CheckIndex(index);
    void* const stored = FItems[static_cast<size_t>(index)];
    // Making an element fills a slot that was already there: to the caller the list is unchanged.
    return IsPlaceholder(stored) ? const_cast<TList*>(this)->Resolve(static_cast<size_t>(index)) : stored;
  }
  // Stores item at index; the element it replaces is reported deleted, item added. Putting
  // the element that is already there changes nothing.
  void Put(int index, void* item);

  // Appends item and returns its index.
  int Add(void* item);
  // index may be Count (appends).
  void Insert(int index, void* item);
  void Delete(int index);
  // Deletes the first occurrence of item; returns the index it had, or -1.
  int Remove(void* item);
  // Takes the first occurrence of item out without deleting it (reported extracted); returns
  // item, or null when it is not in the list.
  void* Extract(void* item);
  // The first index of item, or -1.
  int IndexOf(const void* item) const;
  void Exchange(int index1, int index2);
  // Takes the element at curIndex out and inserts it at newIndex.
  void Move(int curIndex, int newIndex);
  // Deletes every element, last to first, and releases the storage.
  virtual void Clear();

  // Index errors on an empty list: First reports 0, Last -1.
  void* First() const { return Get(0); }
  void* Last() const { return Get(Count() - 1); }

  // Stable. When compare raises, the list stays as it was.
  void Sort(const TListSortCompare& compare);

protected:
  // Appends count placeholders numbered firstKey, firstKey + 1, ...; keys use 63 bits.
  void AddPlaceholders(uint64_t firstKey, int count);
  // Makes the element placeholder key stands for; the list stores it in the placeholder's
  // place. Called only for placeholders the subclass appended; must not return null.
  virtual void* MakeElement(uint64_t key);
  // The element at index as stored, a placeholder left as it is; IsPlaceholder tells.
  void* Stored(int index) const { return FItems[static_cast<size_t>(index)]; }
  bool IsPlaceholder(const void* stored) const {
    return FHasPlaceholders && (reinterpret_cast<uintptr_t>(stored) & 1) != 0;
  }
  // Empties the list and releases its storage without reporting anything: for a subclass's
  // Clear that has already disposed of every element itself.
  void ReleaseStorage() noexcept;

  // Does nothing here. Runs for non-null elements only. Note that a destructor up the class
  // tree no longer reaches an override: a subclass that frees elements in Notify clears
  // itself in its own destructor.
  virtual void Notify(void* item, TListNotification action);

private:
  void CheckIndex(int index) const {
    if (static_cast<size_t>(index) >= FItems.size()) [[unlikely]]
      ThrowIndexError(index);
  }
  [[noreturn]] static void ThrowIndexError(int index);
  // Whether stored is an element to report to Notify.
  bool IsElement(const void* stored) const { return stored && !IsPlaceholder(stored); }
  void* Resolve(size_t index);

  std::vector<void*> FItems;
  // Set by the first AddPlaceholders: before it, any stored value is an element.
  bool FHasPlaceholders = false;
};

// Typed access to a TList or TObjectList of T. Elements that are TObjects are stored as their
// TObject address, so TObjectList's freeing and every typed view agree on the pointer.
template <class T, class Base = TList>
class TListOf : public Base {
public:
  using Base::Base;

  T* Items(int index) const { return FromPointer(TList::Get(index)); }
  void SetItems(int index, T* item) { TList::Put(index, ToPointer(item)); }
  int Add(T* item) { return TList::Add(ToPointer(item)); }
  void Insert(int index, T* item) { TList::Insert(index, ToPointer(item)); }
  int Remove(T* item) { return TList::Remove(ToPointer(item)); }
  T* Extract(T* item) { return FromPointer(TList::Extract(ToPointer(item))); }
  int IndexOf(const T* item) const { return TList::IndexOf(ToPointer(item)); }
  T* First() const { return FromPointer(TList::First()); }
  T* Last() const { return FromPointer(TList::Last()); }
  void Sort(const std::function<int(T* item1, T* item2)>& compare) {
    TList::Sort([&compare](void* a, void* b) { return compare(FromPointer(a), FromPointer(b)); });
  }

private:
  static void* ToPointer(const T* item) {
    if constexpr (std::is_base_of_v<TObject, T>)
      return const_cast<TObject*>(static_cast<const TObject*>(item));
    else
      return const_cast<T*>(item);
  }
  static T* FromPointer(void* item) {
    if constexpr (std::is_base_of_v<TObject, T>)
      return static_cast<T*>(static_cast<TObject*>(item));
    else
      return static_cast<T*>(item);
  }
};

// While OwnsObjects (the default), every element that leaves the list other than by Extract is
// freed: by Delete, Remove, Clear, a shrinking SetCount, the destructor, and by Put for the
// element it replaces, since the list would otherwise lose the only owner of it.
class TObjectList : public TListOf<TObject> {
public:
  explicit TObjectList(bool ownsObjects = true) : FOwnsObjects(ownsObjects) {}
  ~TObjectList() override { Clear(); }
  std::string ClassName() const override { return "TObjectList"; }

  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool value) { FOwnsObjects = value; }

protected:
  void Notify(void* item, TListNotification action) override;

private:
  bool FOwnsObjects;
};

template <class T>
using TObjectListOf = TListOf<T, TObjectList>;
