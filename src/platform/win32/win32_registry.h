#pragma once
// The two registry helpers the folder menu entry is made with. Both return a
// 16-bit truth value (-1 true, 0 false), never throw, and on failure leave the
// registry's error code as the thread's last error. And the registry as the
// menu entry uses it, behind an interface that tests can make refuse.

#include <windows.h>

#include <cstdint>
#include <string>

namespace korvint::platform::win32 {

/// Creates (or opens) the key `key` below `root` and closes it again; -1 on success.
std::int16_t CreateKey(const std::string& key, HKEY root) noexcept;

/// Sets the string value `name` ("" for the key's default value) of `key` below
/// `root` to `value`, creating the key if needed; -1 on success.
std::int16_t SetKeyValue(HKEY root, const std::string& key, const std::string& name,
                         const std::string& value) noexcept;

/// The registry operations of the folder menu entry. Each answers ERROR_SUCCESS
/// or the registry's error code.
class Registry {
 public:
  virtual ~Registry() = default;

  /// Creates (or opens) the key path `key` below `root`.
  virtual LONG create_key(HKEY root, const std::string& key) = 0;

  /// Sets the default value of `key` below `root` to the string `value`.
  virtual LONG set_default_value(HKEY root, const std::string& key, const std::string& value) = 0;

  /// Deletes `key`, which has no subkeys, below `root`; ERROR_FILE_NOT_FOUND when it is absent.
  virtual LONG delete_key(HKEY root, const std::string& key) = 0;
};

/// The system's registry, through CreateKey, SetKeyValue and RegDeleteKeyW.
Registry& system_registry();

}  // namespace korvint::platform::win32
