#include "toolkit/hda/ZelkHDABlockCache.h"

#include <mutex>
#include <new>
#include <vector>

namespace TZelkHDABlockCache {

namespace {

// Enough for the largest reads the client makes in one go, little against what they hold
// while in use.
constexpr size_t kMaxIdleBlocks = 64 * 1024 * 1024 / kBlockBytes;

struct TIdleBlocks {
  std::mutex Lock;
  std::vector<void*> Blocks;
};

// Never destroyed: lists that outlive static destruction still give their blocks back here.
TIdleBlocks& Idle() {
  static auto* idle = new TIdleBlocks;
  return *idle;
}

// Whether the cache took Block.
bool Keep(void* Block) noexcept {
  TIdleBlocks& idle = Idle();
  const std::lock_guard<std::mutex> guard(idle.Lock);
  if (idle.Blocks.size() >= kMaxIdleBlocks) return false;
  try {
    idle.Blocks.reserve(kMaxIdleBlocks);
  } catch (const std::bad_alloc&) {
    return false;
  }
  idle.Blocks.push_back(Block);
  return true;
}

}  // namespace

void* Acquire(size_t Bytes) {
  if (Bytes == kBlockBytes) {
    TIdleBlocks& idle = Idle();
    const std::lock_guard<std::mutex> guard(idle.Lock);
    if (!idle.Blocks.empty()) {
      void* block = idle.Blocks.back();
      idle.Blocks.pop_back();
      return block;
    }
  }
  return ::operator new(Bytes);
}

void Release(void* Block, size_t Bytes) noexcept {
  if (!Block || (Bytes == kBlockBytes && Keep(Block))) return;
  ::operator delete(Block);
}

}  // namespace TZelkHDABlockCache
