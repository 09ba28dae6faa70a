#pragma once
// Storage blocks of value lists, kept for the next list when a list lets them go. A read of a
// million values lets some 50 MB go at once; the heap would hand that back to the system and
// the next read would fault it in again, zeroed page by page, which costs more than the read.

#include <cstddef>

namespace TZelkHDABlockCache {

// Blocks of this many bytes are cached; other sizes go straight to the heap.
constexpr size_t kBlockBytes = 112 * 1024;

// A block of Bytes bytes, aligned for any object; raises std::bad_alloc.
void* Acquire(size_t Bytes);
// Gives back a block Acquire returned for the same size. Beyond a fixed amount of idle memory
// the block goes back to the heap.
void Release(void* Block, size_t Bytes) noexcept;

}  // namespace TZelkHDABlockCache
