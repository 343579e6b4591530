#pragma once
// A small settings text file, read whole and rewritten so that a crash never
// leaves it half written.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace korvint::platform {

/// The bytes of the file at `path`; nullopt when it is missing or unreadable.
std::optional<std::string> read_settings_bytes(std::string_view path);

/// `utf8` in the encoding settings files use: the ANSI code page on Windows
/// (what the system cannot represent becomes its default character), unchanged elsewhere.
std::string encode_settings_text(std::string_view utf8);

/// Replaces the file at `path` with `bytes`: creates missing parent folders,
/// writes a temporary file beside it, makes it durable, then renames it over
/// the old one, so readers see either the old or the whole new file. When
/// `path` is a symbolic link, the file it leads to is replaced and the link kept.
Status write_settings_atomically(std::string_view path, std::string_view bytes);

/// The number of the process that wrote the temporary file named `name`:
/// write_settings_atomically() names it "FILE.tmpNUMBER" beside FILE, and
/// leaves it there when it is killed before the rename. nullopt for any other name.
inline std::optional<std::uint64_t> temporary_file_writer(std::string_view name) {
  const auto mark = name.rfind(".tmp");
  if (mark == std::string_view::npos || mark == 0 || mark + 4 == name.size() || name.size() - mark > 4 + 19)
    return std::nullopt;
  std::uint64_t number = 0;
  for (const char c : name.substr(mark + 4)) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return number;
}

/// True when no process numbered `process` runs any more, so a temporary file
/// it wrote is nobody's: false for this process, for one that runs and when
/// the system cannot tell.
bool process_has_ended(std::uint64_t process);

}  // namespace korvint::platform
