#include "platform/large_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace korvint::platform {
namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;

std::size_t page_size() {
  static const auto size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  return size;
}

std::size_t round_up(std::size_t bytes, std::size_t unit) { return (bytes + unit - 1) / unit * unit; }

}  // namespace

void* take_large_buffer(std::size_t bytes, std::size_t small_head) {
  if (bytes < kLargeBufferFrom) {
    void* memory = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (memory == nullptr) throw std::bad_alloc();
    return memory;
  }
  const std::size_t length = round_up(bytes, page_size());
  // Mapped a large page longer and cut to start on a large page's boundary:
  // only whole aligned 2 MiB stretches of a mapping can be large pages.
  const std::size_t mapped = length + kLargePage;
  void* raw = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = round_up(start, kLargePage);
  if (aligned > start) munmap(raw, aligned - start);
  const std::uintptr_t end = aligned + length;
  if (start + mapped > end) munmap(reinterpret_cast<void*>(end), start + mapped - end);
  auto* buffer = reinterpret_cast<char*>(aligned);
#ifdef MADV_HUGEPAGE
  const std::size_t head = round_up(small_head, kLargePage);
  // Only advice: where the system lends no large pages the buffer works as it is.
  if (head < length) madvise(buffer + head, length - head, MADV_HUGEPAGE);
#endif
  return buffer;
}

void prefer_large_pages(void* memory, std::size_t bytes) noexcept {
#ifdef MADV_HUGEPAGE
  const auto start = round_up(reinterpret_cast<std::uintptr_t>(memory), kLargePage);
  const auto end = (reinterpret_cast<std::uintptr_t>(memory) + bytes) / kLargePage * kLargePage;
  if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
  (void)memory;
  (void)bytes;
#endif
}

void give_back_large_buffer(void* buffer, std::size_t bytes) noexcept {
  if (bytes < kLargeBufferFrom) {
    std::free(buffer);
    return;
  }
  munmap(buffer, round_up(bytes, page_size()));
}

}  // namespace korvint::platform
