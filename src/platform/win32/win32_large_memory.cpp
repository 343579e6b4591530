#include "platform/large_memory.h"

#include <windows.h>

#include <cstdlib>

namespace korvint::platform {

void* take_large_buffer(std::size_t bytes, std::size_t) {
  if (bytes < kLargeBufferFrom) {
    void* memory = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (memory == nullptr) throw std::bad_alloc();
    return memory;
  }
  // Committed pages are zeroed and given physical memory only when first
  // touched. Large pages (MEM_LARGE_PAGES) would need the "Lock pages in
  // memory" privilege, which users do not hold.
  void* memory = VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

void give_back_large_buffer(void* buffer, std::size_t bytes) noexcept {
  if (bytes < kLargeBufferFrom) {
    std::free(buffer);
    return;
  }
  VirtualFree(buffer, 0, MEM_RELEASE);
}

}  // namespace korvint::platform
