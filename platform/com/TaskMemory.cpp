#include "platform/com/TaskMemory.h"

#include <cstdlib>

LPVOID CoTaskMemAlloc(SIZE_T cb) {
  void* block = std::malloc(cb);
  // malloc(0) may legally answer null; the task allocator promises a pointer.
  if (!block && cb == 0) block = std::malloc(1);
  return block;
}

LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb) {
  if (!pv) return CoTaskMemAlloc(cb);
  if (cb == 0) {
    std::free(pv);
    return nullptr;
  }
  return std::realloc(pv, cb);
}

void CoTaskMemFree(LPVOID pv) { std::free(pv); }
