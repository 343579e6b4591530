#pragma once
// The names of a catalogue's files: NAME.lst itself, NAME.lst.old (the last
// complete catalogue, kept while a scan writes a new one) and NAME.lst.lock
// (held by the scan that writes NAME.lst), and the notes that scan keeps in
// its lock file. The lock file's content format is the platform's
// (platform/lock_note.h); what the notes say of the files is the catalogue's.

#include <string>
#include <string_view>

namespace korvint::catalogue {

/// The ending of a catalogue's name (any case when a folder is read).
inline constexpr std::string_view kCatalogueEnding = ".lst";
/// Added to a catalogue's path for its backup and its lock file.
inline constexpr std::string_view kBackupEnding = ".old";
inline constexpr std::string_view kLockEnding = ".lock";

/// The backup of the catalogue at `path`: `path` followed by ".old".
inline std::string backup_path(std::string_view path) { return std::string(path).append(kBackupEnding); }
/// The lock file of the catalogue at `path`: `path` followed by ".lock".
inline std::string lock_path(std::string_view path) { return std::string(path).append(kLockEnding); }

/// True when `name` ends in `ending`, ASCII letters in any case, and has more before it.
inline bool ends_with_caseless(std::string_view name, std::string_view ending) {
  if (name.size() <= ending.size()) return false;
  const std::string_view tail = name.substr(name.size() - ending.size());
  for (std::size_t i = 0; i < tail.size(); ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != ending[i]) return false;
  }
  return true;
}

/// The notes a scan keeps in its lock file, each true of the files under the
/// names from the moment it is written until the next, so that whoever finds
/// the lock file of a killed scan knows which catalogue on disk is the last
/// complete one.
namespace lock_note {
/// The last complete catalogue is the backup when there is one, else the file under the output name.
inline constexpr std::string_view kKept = "kept";
/// The backup, if any, is the last complete catalogue; the file under the output name is unfinished.
inline constexpr std::string_view kWriting = "writing";
/// The file under the output name is complete and durable; the backup, if any, is older.
inline constexpr std::string_view kComplete = "complete";
}  // namespace lock_note

}  // namespace korvint::catalogue
