#pragma once
// The file operations of the catalogue: the output file, its backup and the
// small look-ups around them.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_identity.h"
#include "platform/status.h"

namespace korvint::platform {

/// The catalogue file being written. Closing is explicit so its failure is seen.
class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  /// Closes the file if close() was not called; errors are then lost.
  virtual ~OutputFile() = default;

  /// Writes complete lines given as UTF-8 (or raw bytes on POSIX). Windows
  /// writes them in the ANSI code page, substituting what it cannot represent.
  virtual Status write(std::string_view lines) = 0;

  /// Makes everything written so far durable on the medium.
  virtual Status sync() = 0;

  /// Closes the file; later calls do nothing and succeed.
  virtual Status close() = 0;

  /// The file written, as it was when created, so that whoever ends the scan
  /// can tell whether its name still stands for it; nullopt where the system
  /// cannot tell.
  virtual std::optional<FileIdentity> identity() { return std::nullopt; }
};

/// A lock file held by this process; destroying it releases the lock and
/// removes the file.
class FileLock {
 public:
  FileLock() = default;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  virtual ~FileLock() = default;

  /// Writes `note` (a short word, at most kMostLockNote bytes) into the lock
  /// file in place of the note before, durably: should this holder be killed,
  /// the next one to take the lock finds it (LockAttempt::left_note).
  virtual Status write_note(std::string_view note) = 0;
};

/// The longest note a lock file holds.
inline constexpr std::size_t kMostLockNote = 32;

/// The outcome of taking a lock file: held, held by another, or failed.
struct LockAttempt {
  std::unique_ptr<FileLock> lock;  ///< set when this process now holds the lock
  bool busy = false;               ///< another holder has it, in this process or another
  Status error;                    ///< why the lock could not be taken, when neither
  /// Held, and the lock file was there already, left by a holder that ended
  /// without letting go (killed, or the machine stopped): the note it held
  /// ("" for none). nullopt when the lock file was made new.
  std::optional<std::string> left_note;
};

/// File services over paths as the user typed them (UTF-8 on Windows, bytes on POSIX).
class FileServices {
 public:
  virtual ~FileServices() = default;

  /// True when a normal file is at `path` (or a link to one): a regular file,
  /// not a folder, a device or a pipe, and on Windows neither hidden nor
  /// system. Never fails: any error gives false.
  virtual bool is_normal_file(std::string_view path) = 0;

  /// True when anything at all (file, folder, hidden or not) is at `path`.
  virtual bool exists(std::string_view path) = 0;

  /// What stands at `path` itself (a link is not followed); nullopt when
  /// nothing is there or the system cannot tell.
  virtual std::optional<FileIdentity> identity_of(std::string_view path) = 0;

  /// Deletes the file at `path`.
  virtual Status remove_file(std::string_view path) = 0;

  /// Fails, with the reason, when the file at `path` could not be deleted now
  /// for reasons of the file itself: on Windows a read-only file, or one that
  /// another program holds open without letting others delete it. Succeeds when
  /// nothing is at `path`. Changes nothing.
  virtual Status check_removable(std::string_view path) = 0;

  /// Renames `from` to `to`; fails when something already stands at `to`.
  virtual Status rename_file(std::string_view from, std::string_view to) = 0;

  /// Creates a new, empty file at `path` for writing. Fails when anything at all
  /// stands at `path`, a link included: an existing file is never opened, cut
  /// or written through.
  virtual std::unique_ptr<OutputFile> create_output(std::string_view path, Status& error) = 0;

  /// Takes the exclusive lock file at `path`, creating it. Fails busy while
  /// another holder has it. The lock ends with its holder, even one that was
  /// killed; the file such a holder leaves behind (empty or holding its note)
  /// is taken over, and its note reported. Anything else at `path` (a folder,
  /// a link, a file with other content) is in the way and is not touched.
  virtual LockAttempt lock_file(std::string_view path) = 0;

  /// The first line of the text file at `path` without its line end (CR LF, CR
  /// or LF) and without a UTF-8 byte-order mark before it; on Windows converted
  /// to UTF-8 from the ANSI code page (from UTF-8 after such a mark); nullopt
  /// when it is not a normal file, cannot be read or is empty.
  virtual std::optional<std::string> read_first_line(std::string_view path) = 0;
};

/// The operating system's files.
FileServices& system_file_services();

/// Whether the lock file that FileServices::lock_file() takes at `path` is
/// held right now, learned with the very primitive lock_file() uses.
enum class LockState {
  Absent,   ///< no lock file: nobody writes (a lock file being removed counts as gone)
  Held,     ///< a holder, in this process or another, has it
  NotHeld,  ///< a lock file stands there but nobody holds it: its holder was killed
};

/// What probe_lock() learned of a lock file.
struct LockProbe {
  LockState state = LockState::Absent;
  std::string left_note;  ///< NotHeld: the note its killed holder left ("" when none or unreadable)
};

/// The state of the lock file at `path`. Never creates, takes over or removes
/// it; the test holds the lock only between two system calls (a lock_file()
/// that meets it in that moment finds the lock busy, and asks again).
LockProbe probe_lock(std::string_view path);

}  // namespace korvint::platform
