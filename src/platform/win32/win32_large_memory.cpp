#include "platform/large_memory.h"

#include <cstdlib>

namespace korvint::platform {

// Windows lends large pages (MEM_LARGE_PAGES) only to programs holding the
// "Lock pages in memory" privilege, which users are not given. Its heap
// already serves blocks this large from mappings of their own, zeroed and
// given physical memory only as they are touched, so the heap is used.
void* take_large_buffer(std::size_t bytes, std::size_t) {
  void* memory = std::calloc(bytes == 0 ? 1 : bytes, 1);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

void give_back_large_buffer(void* buffer, std::size_t) noexcept { std::free(buffer); }

void prefer_large_pages(void*, std::size_t) noexcept {}

}  // namespace korvint::platform
