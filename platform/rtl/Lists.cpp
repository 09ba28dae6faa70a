#include "platform/rtl/Lists.h"

#include <algorithm>
#include <utility>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringUtils.h"

void TList::ThrowIndexError(int index) {
  throw EListError::IndexOutOfBounds(index);
}

void TList::SetCount(int newCount) {
  if (newCount < 0)
    throw EListError(Format("List count out of bounds (%d)", newCount));
  while (Count() > newCount) {
    void* const item = FItems.back();
    FItems.pop_back();
    if (IsElement(item))
      Notify(item, TListNotification::lnDeleted);
  }
  FItems.resize(static_cast<size_t>(newCount), nullptr);
}

void TList::SetCapacity(int newCapacity) {
  if (newCapacity < Count())
    throw EListError(Format("List capacity out of bounds (%d)", newCapacity));
  if (newCapacity > Capacity()) {
    FItems.reserve(static_cast<size_t>(newCapacity));
  } else if (newCapacity < Capacity()) {
    std::vector<void*> smaller;
    smaller.reserve(static_cast<size_t>(newCapacity));
    smaller.assign(FItems.begin(), FItems.end());
    FItems.swap(smaller);
  }
}

void* TList::Resolve(size_t index) {
  void*& stored = FItems[index];
  if (IsPlaceholder(stored)) stored = MakeElement(reinterpret_cast<uintptr_t>(stored) >> 1);
  return stored;
}

void TList::AddPlaceholders(uint64_t firstKey, int count) {
  if (count < 0) throw EListError(Format("List count out of bounds (%d)", count));
  FItems.reserve(FItems.size() + static_cast<size_t>(count));
  FHasPlaceholders = true;
  for (uint64_t key = firstKey; key != firstKey + static_cast<uint64_t>(count); ++key)
    FItems.push_back(reinterpret_cast<void*>(static_cast<uintptr_t>(key << 1 | 1)));
}

void* TList::MakeElement(uint64_t key) {
  throw EListError(Format("List has no element for placeholder %llu", static_cast<unsigned long long>(key)));
}

void TList::Put(int index, void* item) {
  CheckIndex(index);
  void* const old = FItems[static_cast<size_t>(index)];
  if (old == item)
    return;
  FItems[static_cast<size_t>(index)] = item;
  if (IsElement(old))
    Notify(old, TListNotification::lnDeleted);
  if (item)
    Notify(item, TListNotification::lnAdded);
}

int TList::Add(void* item) {
  const int index = Count();
  Insert(index, item);
  return index;
}

void TList::Insert(int index, void* item) {
  if (index < 0 || index > Count())
    throw EListError::IndexOutOfBounds(index);
  FItems.insert(FItems.begin() + index, item);
  if (item)
    Notify(item, TListNotification::lnAdded);
}

void TList::Delete(int index) {
  CheckIndex(index);
  void* const item = FItems[static_cast<size_t>(index)];
  FItems.erase(FItems.begin() + index);
  if (IsElement(item))
    Notify(item, TListNotification::lnDeleted);
}

int TList::Remove(void* item) {
  const int index = IndexOf(item);
  if (index >= 0)
    Delete(index);
  return index;
}

void* TList::Extract(void* item) {
  const int index = IndexOf(item);
  if (index < 0)
    return nullptr;
  FItems.erase(FItems.begin() + index);
  if (item)
    Notify(item, TListNotification::lnExtracted);
  return item;
}

int TList::IndexOf(const void* item) const {
  const auto found = std::find(FItems.begin(), FItems.end(), item);
  return found == FItems.end() ? -1 : static_cast<int>(found - FItems.begin());
}

void TList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(FItems[static_cast<size_t>(index1)], FItems[static_cast<size_t>(index2)]);
}

void TList::Move(int curIndex, int newIndex) {
  CheckIndex(curIndex);
  CheckIndex(newIndex);
  const auto current = FItems.begin() + curIndex;
  const auto target = FItems.begin() + newIndex;
  if (curIndex < newIndex)
    std::rotate(current, current + 1, target + 1);
  else
    std::rotate(target, current, current + 1);
}

void TList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

void TList::ReleaseStorage() noexcept {
  std::vector<void*>().swap(FItems);
}

void TList::Sort(const TListSortCompare& compare) {
  for (size_t i = 0; i < FItems.size(); ++i) Resolve(i);
  std::vector<void*> sorted = FItems;
  std::stable_sort(sorted.begin(), sorted.end(), [&compare](void* a, void* b) { return compare(a, b) < 0; });
  FItems.swap(sorted);
}

void TList::Notify(void*, TListNotification) {}

void TObjectList::Notify(void* item, TListNotification action) {
  if (FOwnsObjects && action == TListNotification::lnDeleted)
    delete static_cast<TObject*>(item);
}
