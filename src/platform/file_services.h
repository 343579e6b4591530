#pragma once
// The file operations of the catalogue: the output file, its backup and the
// small look-ups around them.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

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
};

/// A lock file held by this process; destroying it releases the lock and
/// removes the file.
class FileLock {
 public:
  FileLock() = default;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  virtual ~FileLock() = default;
};

/// The outcome of taking a lock file: held, held by another, or failed.
struct LockAttempt {
  std::unique_ptr<FileLock> lock;  ///< set when this process now holds the lock
  bool busy = false;               ///< another holder has it, in this process or another
  Status error;                    ///< why the lock could not be taken, when neither
};

/// File services over paths as the user typed them (UTF-8 on Windows, bytes on POSIX).
class FileServices {
 public:
  virtual ~FileServices() = default;

  /// True when a normal file is at `path`: not a folder, and on Windows neither
  /// hidden nor system. Never fails: any error gives false.
  virtual bool is_normal_file(std::string_view path) = 0;

  /// True when anything at all (file, folder, hidden or not) is at `path`.
  virtual bool exists(std::string_view path) = 0;

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
  /// killed; a file left by such a holder (POSIX only: Windows removes it with
  /// the last handle) is empty and is taken over. Anything else at `path` (a
  /// folder, a link, a file with content) is in the way and is not touched.
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

/// The state of the lock file at `path`. Never creates, takes over or removes
/// it; the test holds the lock only between two system calls (a lock_file()
/// that meets it in that moment finds the lock busy).
LockState probe_lock(std::string_view path);

}  // namespace korvint::platform
