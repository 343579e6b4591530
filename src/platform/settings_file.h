#pragma once
// A small settings text file, read whole and rewritten so that a crash never
// leaves it half written.

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

}  // namespace korvint::platform
