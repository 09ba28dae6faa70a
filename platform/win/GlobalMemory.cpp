// Global and local memory share one heap, as on Win32. Every block is recorded, so that a
// handle that was freed or never allocated here is refused instead of used.

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/win/WinBase.h"

namespace {

struct TBlock {
  std::unique_ptr<BYTE[]> Data;
  SIZE_T Size = 0;
  bool Moveable = false;
  DWORD LockCount = 0;
};

std::mutex BlocksLock;
// Fixed blocks by their address, moveable ones by a handle number that is never reused.
std::map<uintptr_t, TBlock>& Blocks() {
  static auto* blocks = new std::map<uintptr_t, TBlock>;
  return *blocks;
}
// Moveable handles lie below any heap address and are multiples of 8.
uintptr_t LastMoveableHandle = 0x10000;

// The block behind handle; null, with ERROR_INVALID_HANDLE as the last error, for any other value.
TBlock* FindBlock(HGLOBAL handle) {
  auto found = Blocks().find(reinterpret_cast<uintptr_t>(handle));
  if (found != Blocks().end()) return &found->second;
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

HGLOBAL Allocate(UINT flags, SIZE_T bytes) {
  if (flags & ~(GMEM_MOVEABLE | GMEM_ZEROINIT)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  TBlock block;
  block.Moveable = flags & GMEM_MOVEABLE;
  block.Size = bytes;
  // A fixed block of 0 bytes still needs an address of its own.
  block.Data.reset(new (std::nothrow) BYTE[bytes ? bytes : 1]);
  if (!block.Data) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (flags & GMEM_ZEROINIT) std::memset(block.Data.get(), 0, bytes);
  std::lock_guard lock(BlocksLock);
  uintptr_t handle = reinterpret_cast<uintptr_t>(block.Data.get());
  if (block.Moveable) handle = LastMoveableHandle += 8;
  Blocks().emplace(handle, std::move(block));
  return reinterpret_cast<HGLOBAL>(handle);
}

HGLOBAL Free(HGLOBAL handle) {
  if (!handle) return nullptr;
  std::unique_ptr<BYTE[]> freed;  // deleted after the lock is let go
  std::lock_guard lock(BlocksLock);
  TBlock* block = FindBlock(handle);
  if (!block) return handle;
  freed = std::move(block->Data);
  Blocks().erase(reinterpret_cast<uintptr_t>(handle));
  return nullptr;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes) { return Allocate(uFlags, dwBytes); }

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes) { return Allocate(uFlags, uBytes); }

LPVOID GlobalLock(HGLOBAL hMem) {
  std::lock_guard lock(BlocksLock);
  TBlock* block = FindBlock(hMem);
  if (!block) return nullptr;
  if (!block->Moveable) return block->Data.get();
  // A moveable block of 0 bytes has no memory to lock, as a discarded one on Windows.
  if (block->Size == 0) return nullptr;
  ++block->LockCount;
  return block->Data.get();
}

BOOL GlobalUnlock(HGLOBAL hMem) {
  std::lock_guard lock(BlocksLock);
  TBlock* block = FindBlock(hMem);
  if (!block) return FALSE;
  if (!block->Moveable) return TRUE;
  if (block->LockCount == 0) {
    SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  if (--block->LockCount > 0) return TRUE;
  SetLastError(NO_ERROR);
  return FALSE;
}

SIZE_T GlobalSize(HGLOBAL hMem) {
  std::lock_guard lock(BlocksLock);
  const TBlock* block = FindBlock(hMem);
  return block ? block->Size : 0;
}

HGLOBAL GlobalFree(HGLOBAL hMem) { return Free(hMem); }

HLOCAL LocalFree(HLOCAL hMem) { return Free(hMem); }
