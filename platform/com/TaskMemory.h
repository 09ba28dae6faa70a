#pragma once
// The COM task allocator: memory that crosses interface boundaries (out-parameter arrays and
// strings) is allocated and freed with these, by whichever side owns it at the time.

#include "platform/com/WinTypes.h"

extern "C" {
// A size of 0 still yields a valid, distinct pointer.
LPVOID CoTaskMemAlloc(SIZE_T cb);
// A null pv allocates; a size of 0 with a non-null pv frees the block and returns null. When
// growing fails the old block is left as it was and null is returned.
LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb);
// Null is allowed.
void CoTaskMemFree(LPVOID pv);
}
