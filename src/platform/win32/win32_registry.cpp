#include "platform/win32/win32_registry.h"

#include "platform/win32/win32_text.h"

namespace korvint::platform::win32 {
namespace {

constexpr std::int16_t kTrue = -1;
constexpr std::int16_t kFalse = 0;

// Registry functions report their error as the result; keep it where GetLastError finds it.
std::int16_t failed(LONG result) {
  SetLastError(static_cast<DWORD>(result));
  return kFalse;
}

}  // namespace

std::int16_t CreateKey(const std::string& key, HKEY root) noexcept {
  try {
    const std::wstring wide_key = to_wide(key);
    HKEY handle = nullptr;
    DWORD disposition = 0;
    const LONG created = RegCreateKeyExW(root, wide_key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         0x3F, nullptr, &handle, &disposition);
    if (created != ERROR_SUCCESS) return failed(created);
    const LONG closed = RegCloseKey(handle);
    if (closed != ERROR_SUCCESS) return failed(closed);
    return kTrue;
  } catch (...) {
    return failed(ERROR_NOT_ENOUGH_MEMORY);
  }
}

std::int16_t SetKeyValue(HKEY root, const std::string& key, const std::string& name,
                         const std::string& value) noexcept {
  try {
    const std::wstring wide_key = to_wide(key);
    const std::wstring wide_name = to_wide(name);
    const std::wstring wide_value = to_wide(value);
    HKEY handle = nullptr;
    const LONG opened = RegCreateKeyW(root, wide_key.c_str(), &handle);
    if (opened != ERROR_SUCCESS) return failed(opened);
    // REG_SZ sizes are in bytes and include the terminating NUL.
    const DWORD bytes = static_cast<DWORD>((wide_value.size() + 1) * sizeof(wchar_t));
    const LONG set = RegSetValueExW(handle, wide_name.c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(wide_value.c_str()), bytes);
    const LONG closed = RegCloseKey(handle);
    if (set != ERROR_SUCCESS) return failed(set);
    if (closed != ERROR_SUCCESS) return failed(closed);
    return kTrue;
  } catch (...) {
    return failed(ERROR_NOT_ENOUGH_MEMORY);
  }
}

namespace {

class SystemRegistry final : public Registry {
 public:
  LONG create_key(HKEY root, const std::string& key) override {
    return CreateKey(key, root) == kTrue ? ERROR_SUCCESS : last_error();
  }

  LONG set_default_value(HKEY root, const std::string& key, const std::string& value) override {
    return SetKeyValue(root, key, "", value) == kTrue ? ERROR_SUCCESS : last_error();
  }

  LONG delete_key(HKEY root, const std::string& key) override {
    try {
      return RegDeleteKeyW(root, to_wide(key).c_str());
    } catch (...) {
      return ERROR_NOT_ENOUGH_MEMORY;
    }
  }

 private:
  static LONG last_error() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? static_cast<LONG>(error) : ERROR_GEN_FAILURE;
  }
};

}  // namespace

Registry& system_registry() {
  static SystemRegistry registry;
  return registry;
}

}  // namespace korvint::platform::win32
