#pragma once
// The two registry helpers the folder menu entry is made with. Both return a
// 16-bit truth value (-1 true, 0 false), never throw, and on failure leave the
// registry's error code as the thread's last error.

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

}  // namespace korvint::platform::win32
