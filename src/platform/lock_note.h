#pragma once
// The content of a lock file, the same on every system: empty, or the mark,
// the holder's note and a line end. Content of any other form is not a lock
// file of this program's, and is left alone.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_services.h"

namespace korvint::platform {

inline constexpr std::string_view kLockNoteMark = "korvint ";

/// The notes a scan keeps in its lock file, so that whoever finds the file
/// left by a killed scan knows which catalogue on disk is the last complete one.
namespace lock_note {
/// The last complete catalogue is the backup when there is one, else the file under the output name.
inline constexpr std::string_view kKept = "kept";
/// The backup, if any, is the last complete catalogue; the file under the output name is unfinished.
inline constexpr std::string_view kWriting = "writing";
/// The file under the output name is complete and durable; the backup, if any, is older.
inline constexpr std::string_view kComplete = "complete";
}  // namespace lock_note

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
