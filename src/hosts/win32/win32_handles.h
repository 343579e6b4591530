#pragma once
// Owners of the GDI and menu handles the window creates: each releases its
// handle once, and none can be copied.

#include <windows.h>

#include <utility>

namespace korvint::hosts::win32 {

/// Owns one handle of type `Handle`, released with `release` when the owner goes.
template <typename Handle, auto release>
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(Handle handle) : handle_(handle) {}
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  OwnedHandle(OwnedHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  ~OwnedHandle() { reset(); }

  /// The handle; nullptr when none is owned.
  [[nodiscard]] Handle get() const { return handle_; }

 private:
  void reset() {
    if (handle_ != nullptr) release(handle_);
    handle_ = nullptr;
  }

  Handle handle_ = nullptr;
};

inline void delete_font(HFONT font) { DeleteObject(font); }
inline void destroy_menu(HMENU menu) { DestroyMenu(menu); }

/// A font made with CreateFontW.
using FontHandle = OwnedHandle<HFONT, &delete_font>;

/// A menu made with CreatePopupMenu.
using MenuHandle = OwnedHandle<HMENU, &destroy_menu>;

}  // namespace korvint::hosts::win32
