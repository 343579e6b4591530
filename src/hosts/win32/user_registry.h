#pragma once
// Texts a program keeps for its user in the registry, below HKEY_CURRENT_USER.

#include <optional>
#include <string>
#include <string_view>

namespace korvint::hosts::win32 {

/// Vesko's key: HKEY_CURRENT_USER\Software\Korvint\Vesko.
inline constexpr const wchar_t* kVeskoRegistryKey = L"Software\\Korvint\\Vesko";

/// The text (UTF-8) of the string value `name` of `key` below
/// HKEY_CURRENT_USER; nullopt when there is none.
std::optional<std::string> read_user_text(const wchar_t* key, const wchar_t* name);

/// Writes `text` (UTF-8) as the string value `name` of `key` below
/// HKEY_CURRENT_USER, making the key when it is missing; false when it cannot.
bool write_user_text(const wchar_t* key, const wchar_t* name, std::string_view text);

}  // namespace korvint::hosts::win32
