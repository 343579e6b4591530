#pragma once
// The content of a lock file, the same on every system: empty, or the mark,
// the holder's note and a line end. Content of any other form is not a lock
// file of this program's, and is left alone. What the notes say is the
// catalogue's affair (catalogue/file_names.h).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_services.h"

namespace korvint::platform {

inline constexpr std::string_view kLockNoteMark = "korvint ";

/// The largest lock file of this program's.
inline constexpr std::size_t kLockFileMost = kLockNoteMark.size() + kMostLockNote + 1;

/// The content that holds `note` (cut to kMostLockNote bytes).
inline std::string lock_note_text(std::string_view note) {
  std::string text(kLockNoteMark);
  text.append(note.substr(0, kMostLockNote));
  text += '\n';
  return text;
}

/// The note `text` holds ("" for an empty file); nullopt when it is no lock file's content.
inline std::optional<std::string> lock_note_of(std::string_view text) {
  if (text.empty()) return std::string();
  if (text.size() > kLockFileMost || text.substr(0, kLockNoteMark.size()) != kLockNoteMark || text.back() != '\n')
    return std::nullopt;
  return std::string(text.substr(kLockNoteMark.size(), text.size() - kLockNoteMark.size() - 1));
}

}  // namespace korvint::platform
