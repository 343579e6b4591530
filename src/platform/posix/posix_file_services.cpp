// File services over POSIX paths; names are bytes and pass through untouched.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/file_services.h"
#include "platform/lock_note.h"
#include "platform/posix/posix_error.h"

namespace korvint::platform {
namespace {

using posix::errno_failure;

// The byte-order mark some editors put before UTF-8 text.
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

FileIdentity identity_of_stat(const struct stat& st) {
  return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

class PosixOutputFile final : public OutputFile {
 public:
  PosixOutputFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {
    struct stat st {};
    if (::fstat(fd_, &st) == 0) identity_ = identity_of_stat(st);
  }
  ~PosixOutputFile() override { (void)close(); }

  Status write(std::string_view lines) override {
    const char* data = lines.data();
    std::size_t left = lines.size();
    while (left > 0) {
      const ssize_t written = ::write(fd_, data, left);
      if (written < 0) {
        if (errno == EINTR) continue;
        return errno_failure("Cannot write", path_, errno);
      }
      data += written;
      left -= static_cast<std::size_t>(written);
    }
    return Status();
  }

  Status sync() override {
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS)
      return errno_failure("Cannot write", path_, errno);
    return Status();
  }

  Status close() override {
    if (fd_ < 0) return Status();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) return errno_failure("Cannot write", path_, errno);
    return Status();
  }

  std::optional<FileIdentity> identity() override { return identity_; }

 private:
  int fd_;
  std::string path_;
  std::optional<FileIdentity> identity_;
};

// Holds an flock on an open lock file. Release removes the name first, while
// the lock is still held, then closes: see lock_file for why that order keeps
// two holders apart.
bool same_file(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

class PosixFileLock final : public FileLock {
 public:
  PosixFileLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixFileLock() override {
    // Only our own file: had someone removed it by hand meanwhile, the name
    // may now be another holder's lock. A lock file that stays (its name was
    // taken away) keeps no note that could pass for a killed holder's.
    struct stat held {};
    struct stat named {};
    if (::fstat(fd_, &held) != 0 || ::lstat(path_.c_str(), &named) != 0 || !same_file(held, named) ||
        ::unlink(path_.c_str()) != 0)
      (void)::ftruncate(fd_, 0);
    (void)::close(fd_);
  }

  Status write_note(std::string_view note) override {
    const std::string text = lock_note_text(note);
    if (::pwrite(fd_, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()) ||
        ::ftruncate(fd_, static_cast<off_t>(text.size())) != 0 || ::fdatasync(fd_) != 0)
      return errno_failure("Cannot write the lock file", path_, errno);
    return Status();
  }

 private:
  int fd_;
  std::string path_;
};

// The note in a lock file of `size` bytes open at `fd`; nullopt when the file
// is no lock file of ours.
std::optional<std::string> read_lock_note(int fd, off_t size) {
  if (size < 0 || static_cast<std::size_t>(size) > kLockFileMost) return std::nullopt;
  std::string text(static_cast<std::size_t>(size), '\0');
  if (::pread(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size())) return std::nullopt;
  return lock_note_of(text);
}

class PosixFileServices final : public FileServices {
 public:
  bool is_normal_file(std::string_view path) override {
    struct stat st {};
    return ::stat(std::string(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }

  bool exists(std::string_view path) override {
    struct stat st {};
    return ::lstat(std::string(path).c_str(), &st) == 0;
  }

  std::optional<FileIdentity> identity_of(std::string_view path) override {
    struct stat st {};
    if (::lstat(std::string(path).c_str(), &st) != 0) return std::nullopt;
    return identity_of_stat(st);
  }

  Status remove_file(std::string_view path) override {
    const std::string p(path);
    if (::unlink(p.c_str()) != 0) return errno_failure("Cannot delete", p, errno);
    return Status();
  }

  Status check_removable(std::string_view path) override {
    // An open or read-only file can be deleted here; only its folder decides.
    (void)path;
    return Status();
  }

  Status rename_file(std::string_view from, std::string_view to) override {
    const std::string source(from);
    const std::string target(to);
    // rename() would replace the target silently; a file in the way is an error.
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
      return Status();
    if (errno == EINVAL || errno == ENOSYS) {  // a file system without RENAME_NOREPLACE
      if (exists(target))
        return errno_failure("Cannot rename \"" + source + "\" to", target, EEXIST);
      if (::rename(source.c_str(), target.c_str()) == 0) return Status();
    }
    return errno_failure("Cannot rename \"" + source + "\" to", target, errno);
  }

  std::unique_ptr<OutputFile> create_output(std::string_view path, Status& error) override {
    const std::string p(path);
    // O_EXCL: a file, or a link planted in a folder others can write to, is
    // never opened, cut or written through; the caller learns that it is there.
    const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
      error = errno_failure("Cannot create", p, errno);
      return nullptr;
    }
    return std::make_unique<PosixOutputFile>(fd, p);
  }

  // The lock is an flock on the file at `path`; it vanishes with its holder's
  // last descriptor, so a killed holder never blocks anyone, and its file,
  // left behind with its note, tells the next holder what it was doing. A
  // holder removes the name (while still holding the lock) before it lets go,
  // so a new lock file may replace the one another process opened a moment
  // ago. Therefore a lock counts as held only when, after flock succeeded,
  // `path` still names the very file locked: two processes that both pass
  // that test would hold flocks on the same file at once, which flock
  // excludes. A process that locked a file whose name was already removed
  // sees the difference and starts again on the file that now stands there.
  // Only a file this process created counts as new: one that another process
  // created and had not yet locked is taken as left behind, with no note,
  // which tells nothing, as it should.
  LockAttempt lock_file(std::string_view path) override {
    const std::string p(path);
    LockAttempt attempt;
    std::optional<std::string> carried;  // the note of a left-behind file this process could not write to
    for (int tries = 0; tries < 100; ++tries) {
      bool created = true;
      int fd = ::open(p.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
      if (fd < 0 && errno == EEXIST) {
        created = false;
        // O_NONBLOCK keeps a planted FIFO from hanging the open.
        fd = ::open(p.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT) continue;  // released meanwhile
        if (fd < 0 && errno == EACCES) {
          // Left by another user and not writable here: replaced, its note kept.
          const Taken taken = replace_unwritable(p);
          if (taken.busy || !taken.error.ok()) {
            attempt.busy = taken.busy;
            attempt.error = taken.error;
            return attempt;
          }
          if (taken.note) carried = taken.note;
          continue;
        }
      }
      if (fd < 0) {
        const int error = errno;
        if (error == ELOOP || error == EISDIR || error == ENXIO) {
          attempt.error = in_the_way(p);
        } else {
          attempt.error = errno_failure("Cannot create the lock file", p, error);
        }
        return attempt;
      }
      struct stat locked {};
      if (::fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode) ||
          static_cast<std::size_t>(locked.st_size) > kLockFileMost) {
        ::close(fd);
        attempt.error = in_the_way(p);
        return attempt;
      }
      if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
          attempt.busy = true;
        } else {
          attempt.error = errno_failure("Cannot lock", p, error);
        }
        return attempt;
      }
      struct stat named {};
      if (::lstat(p.c_str(), &named) != 0 || !same_file(named, locked)) {
        ::close(fd);
        continue;
      }
      if (!created) {
        // Read under the lock: no holder writes it any more.
        std::optional<std::string> note = read_lock_note(fd, locked.st_size);
        if (!note) {
          ::close(fd);
          attempt.error = in_the_way(p);
          return attempt;
        }
        attempt.left_note = std::move(note);
      } else if (carried) {
        attempt.left_note = carried;
      }
      attempt.lock = std::make_unique<PosixFileLock>(fd, p);
      return attempt;
    }
    attempt.error = Status::failure("Cannot lock \"" + p + "\": the lock file keeps being replaced");
    return attempt;
  }

  std::optional<std::string> read_first_line(std::string_view path) override {
    const std::string p(path);
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(p.c_str(), "rb"), &std::fclose);
    if (!file) return std::nullopt;
    std::string line;
    int c = 0;
    bool any = false;
    while ((c = std::fgetc(file.get())) != EOF) {
      any = true;
      if (c == '\r' || c == '\n') break;
      line += static_cast<char>(c);
    }
    if (!any) return std::nullopt;
    if (line.rfind(kUtf8Mark, 0) == 0) line.erase(0, kUtf8Mark.size());
    return line;
  }

 private:
  static Status in_the_way(const std::string& p) {
    return Status::failure("Cannot use the lock file \"" + p + "\": something else is in its place (not a lock file)");
  }

  struct Taken {
    bool busy = false;
    Status error;
    std::optional<std::string> note;
  };

  // A left-behind lock file this process may read but not write: locked, its
  // note read, and its name removed while it is held, so that a new one can be
  // made; a holder that still has it makes this busy.
  static Taken replace_unwritable(const std::string& p) {
    Taken taken;
    const int fd = ::open(p.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      if (errno != ENOENT) taken.error = errno_failure("Cannot open the lock file", p, errno);
      return taken;
    }
    struct stat locked {};
    struct stat named {};
    if (::fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode)) {
      taken.error = in_the_way(p);
    } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno == EWOULDBLOCK) taken.busy = true; else taken.error = errno_failure("Cannot lock", p, errno);
    } else if (::lstat(p.c_str(), &named) == 0 && same_file(named, locked)) {
      taken.note = read_lock_note(fd, locked.st_size);
      if (!taken.note) {
        taken.error = in_the_way(p);
      } else if (::unlink(p.c_str()) != 0) {
        taken.error = errno_failure("Cannot delete the old lock file", p, errno);
      }
    }
    ::close(fd);
    return taken;
  }
};

}  // namespace

FileServices& system_file_services() {
  static PosixFileServices services;
  return services;
}

// The flock of lock_file(), asked for shared and let go at once: it fails
// exactly while a holder has the lock. As in lock_file(), a lock counts only
// while `path` still names the file tested: a holder removes the name before
// it lets go.
LockProbe probe_lock(std::string_view path) {
  const std::string p(path);
  for (int tries = 0; tries < 3; ++tries) {
    const int fd = ::open(p.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {};
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
      ::close(fd);
      return {};  // not a lock file lock_file() would take
    }
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
      const int error = errno;
      ::close(fd);
      if (error == EWOULDBLOCK) return {LockState::Held, {}};
      return {LockState::NotHeld, {}};
    }
    (void)::flock(fd, LOCK_UN);
    struct stat named {};
    const bool still_there = ::lstat(p.c_str(), &named) == 0 && same_file(named, opened);
    std::optional<std::string> note = still_there ? read_lock_note(fd, opened.st_size) : std::nullopt;
    ::close(fd);
    if (still_there) return {LockState::NotHeld, note.value_or(std::string())};
    if (::lstat(p.c_str(), &named) != 0) return {};  // its holder finished
  }
  return {LockState::Held, {}};  // a new lock file each time: scans keep starting
}

}  // namespace korvint::platform
