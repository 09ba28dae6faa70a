#pragma once
// Client handles of HDA items: 32-bit values, unique among the live items of the process. An
// object's address would serve on a 32-bit system; here it does not fit.

#include <cstdint>
#include <mutex>
#include <unordered_set>

class TZelkHDAHandleTable {
public:
  // Hands out 1..lastHandle, starting at firstHandle and wrapping round; never 0.
  explicit TZelkHDAHandleTable(uint32_t firstHandle = 1, uint32_t lastHandle = UINT32_MAX);

  // The next handle that is not in use. Raises Exception "No free client handle" when every
  // handle is taken.
  uint32_t Acquire();
  // Makes handle free again; a handle that is not in use is ignored.
  void Release(uint32_t handle);

  // The table of the process's HDA items.
  static TZelkHDAHandleTable& Items();

private:
  std::mutex FLock;
  std::unordered_set<uint32_t> FInUse;
  const uint32_t FLastHandle;
  uint32_t FNext;
};
