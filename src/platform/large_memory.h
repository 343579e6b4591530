#pragma once
// Memory for large buffers that are filled soon after they are taken (the
// hits of a search, hash tables, the records of a comparison).
//
// On Linux such a buffer is mapped on its own and, past what the caller wants
// kept small, handed out in pages of 2 MiB where the system lends them on
// request (transparent huge pages in "madvise" mode, the common default):
// filling it then costs a page fault every 2 MiB instead of every 4 KiB. On
// a virtual machine a fault costs some 12 microseconds, so a comparison of
// two catalogues of a million entries spent a third of its time taking pages.
// Windows lends large pages only to programs holding a privilege users are
// not given, so there a buffer comes from the heap, which maps blocks this
// large on their own.

#include <cstddef>
#include <new>

namespace korvint::platform {

/// Buffers smaller than this come from the ordinary heap.
inline constexpr std::size_t kLargeBufferFrom = std::size_t{1} << 20;

/// `bytes` of zeroed memory whose pages are taken as they are first written;
/// its first `small_head` bytes on ordinary pages (for a buffer that may stay
/// nearly empty). Throws std::bad_alloc when there is no room.
void* take_large_buffer(std::size_t bytes, std::size_t small_head = 0);

/// Gives back what take_large_buffer(bytes) returned.
void give_back_large_buffer(void* buffer, std::size_t bytes) noexcept;

/// Asks that the whole 2 MiB stretches of `bytes` at `memory`, memory of a
/// mapping of its own that is about to be filled (a large container just
/// reserved), be given large pages where the system lends them on request.
/// Only advice: nothing changes where it does not.
void prefer_large_pages(void* memory, std::size_t bytes) noexcept;

/// An allocator for containers that may grow large: what they ask for in
/// one piece from kLargeBufferFrom on is a large buffer, the rest the heap's.
template <typename T>
struct LargeBufferAllocator {
  using value_type = T;
  LargeBufferAllocator() = default;
  template <typename U>
  explicit LargeBufferAllocator(const LargeBufferAllocator<U>&) noexcept {}

  T* allocate(std::size_t count) {
    const std::size_t bytes = count * sizeof(T);
    if (bytes >= kLargeBufferFrom) return static_cast<T*>(take_large_buffer(bytes));
    return static_cast<T*>(::operator new(bytes));
  }
  void deallocate(T* memory, std::size_t count) noexcept {
    const std::size_t bytes = count * sizeof(T);
    if (bytes >= kLargeBufferFrom) give_back_large_buffer(memory, bytes);
    else ::operator delete(memory);
  }
  template <typename U>
  bool operator==(const LargeBufferAllocator<U>&) const noexcept { return true; }
};

}  // namespace korvint::platform
