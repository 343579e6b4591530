#include "platform/memory_reuse.h"

#include <cstddef>  // defines __GLIBC__ on glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace korvint::platform {

void keep_freed_memory_for_reuse() {
#if defined(__GLIBC__)
  // glibc gives blocks of 128 KiB and more their own mapping, unmapped when
  // freed, and returns a heap's free top over 128 KiB to the system; it
  // raises both limits only after such a block has been freed once, too late
  // for a search that lasts a few milliseconds. Blocks up to 32 MiB come from
  // the heap, and up to 64 MiB of a heap's free top is kept: the most a
  // search's lists and buffers hold at once, far less than its results.
  constexpr int kOwnMappingFrom = 32 << 20;
  constexpr int kKeptFreeTop = 64 << 20;
  mallopt(M_MMAP_THRESHOLD, kOwnMappingFrom);
  mallopt(M_TRIM_THRESHOLD, kKeptFreeTop);
#endif
}

}  // namespace korvint::platform
