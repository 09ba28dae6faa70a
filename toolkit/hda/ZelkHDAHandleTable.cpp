#include "toolkit/hda/ZelkHDAHandleTable.h"

#include "platform/rtl/Exceptions.h"

TZelkHDAHandleTable::TZelkHDAHandleTable(uint32_t firstHandle, uint32_t lastHandle)
    : FLastHandle(lastHandle == 0 ? 1 : lastHandle),
      FNext(firstHandle == 0 || firstHandle > FLastHandle ? 1 : firstHandle) {}

uint32_t TZelkHDAHandleTable::Acquire() {
  std::lock_guard<std::mutex> guard(FLock);
  if (FInUse.size() >= FLastHandle) throw Exception("No free client handle");
  // Handles run in order and wrap round, so a freed handle comes back only after all the
  // others have had their turn; skipping the ones in use ends because one is free.
  for (;;) {
    const uint32_t candidate = FNext;
    FNext = candidate == FLastHandle ? 1 : candidate + 1;
    if (FInUse.insert(candidate).second) return candidate;
  }
}

void TZelkHDAHandleTable::Release(uint32_t handle) {
  std::lock_guard<std::mutex> guard(FLock);
  FInUse.erase(handle);
}

TZelkHDAHandleTable& TZelkHDAHandleTable::Items() {
  // Never destroyed: items that are freed during static destruction still release here.
  static TZelkHDAHandleTable* const table = new TZelkHDAHandleTable;
  return *table;
}
