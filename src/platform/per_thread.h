#pragma once
// A buffer each thread keeps for itself, let go when the thread ends.
//
// Not a `thread_local` object with a destructor: MinGW-w64 keeps `thread_local`
// variables in emulated TLS, and at a thread's end it frees that storage
// before the destructors of its objects run, so each destructor works on
// freed memory (heap corruption, seen under Wine where Vesko starts and ends
// threads on every search). Here only a pointer is `thread_local` (nothing to
// destroy); the buffer lives on the heap and is deleted by a function the C++
// runtime calls at the thread's end, with the buffer's address in hand.

#include <cxxabi.h>

#ifndef _WIN32
extern "C" void* __dso_handle;  // this module, as the C runtime names it to keep it loaded while it has functions to call
#endif

namespace korvint::platform {

/// Declared `thread_local`: `get()` gives this thread's T, made on first use.
template <typename T>
class PerThread {
 public:
  constexpr PerThread() = default;
  T& get() {
    if (value_ == nullptr) {
      value_ = new T();
#ifdef _WIN32
      __cxxabiv1::__cxa_thread_atexit(&destroy, value_, nullptr);  // MinGW's runtime keeps no module
#else
      __cxxabiv1::__cxa_thread_atexit(&destroy, value_, &__dso_handle);
#endif
    }
    return *value_;
  }

 private:
  static void destroy(void* value) { delete static_cast<T*>(value); }
  T* value_ = nullptr;
};

}  // namespace korvint::platform
