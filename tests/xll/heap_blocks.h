// Blocks in use on the runtime's heap, where malloc and new take theirs: a test compares two readings to see
// that a call leaves nothing behind.
#pragma once

#include <malloc.h>
#include <windows.h>

#include <cstddef>

namespace korvel::test {

inline std::size_t UsedHeapBlocks() {
  HANDLE heap = reinterpret_cast<HANDLE>(_get_heap_handle());
  // The low-fragmentation front end hands out small blocks from larger ones, which a walk sees only as the
  // larger ones: the plain heap shows every block.
  ULONG plain = 0;
  HeapSetInformation(heap, HeapCompatibilityInformation, &plain, sizeof plain);
  std::size_t used = 0;
  HeapLock(heap);
  PROCESS_HEAP_ENTRY entry{};
  while (HeapWalk(heap, &entry))
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++used;
  HeapUnlock(heap);
  return used;
}

}  // namespace korvel::test
