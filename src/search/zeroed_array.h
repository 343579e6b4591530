#pragma once
// A large array filled by many threads at once, its memory taken from the
// system zeroed, so a pass over all of it to clear it is not needed and its
// pages are taken by the threads that write them.

#include <atomic>
#include <cstddef>
#include <memory>

#include "platform/large_memory.h"

namespace korvint::search {

/// An array of `size` T in memory the system hands out zeroed (a large
/// buffer), T a type whose bytes all zero are a value: its pages are taken as
/// they are first written, on whichever thread writes them, not all at once by one.
template <typename T>
class ZeroedArray {
 public:
  ZeroedArray() = default;
  explicit ZeroedArray(std::size_t size)
      : data_(static_cast<T*>(platform::take_large_buffer((size + 1) * sizeof(T))), Free{(size + 1) * sizeof(T)}),
        size_(size) {}
  [[nodiscard]] std::size_t size() const { return size_; }
  T& operator[](std::size_t i) const { return data_.get()[i]; }

 private:
  struct Free {
    std::size_t bytes = 0;
    void operator()(T* data) const { platform::give_back_large_buffer(data, bytes); }
  };
  std::unique_ptr<T, Free> data_;
  std::size_t size_ = 0;
};

/// A byte or a word of a ZeroedArray read or written by many threads.
template <typename T>
std::atomic_ref<T> shared(T& value) {
  return std::atomic_ref<T>(value);
}

}  // namespace korvint::search
