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
#include "platform/posix/posix_error.h"

namespace korvint::platform {
namespace {

using posix::errno_failure;

// The byte-order mark some editors put before UTF-8 text.
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

class PosixOutputFile final : public OutputFile {
 public:
  PosixOutputFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
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

 private:
  int fd_;
  std::string path_;
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
    // may now be another holder's lock.
    struct stat held {};
    struct stat named {};
    if (::fstat(fd_, &held) == 0 && ::lstat(path_.c_str(), &named) == 0 && same_file(held, named))
      (void)::unlink(path_.c_str());
    (void)::close(fd_);
  }

 private:
  int fd_;
  std::string path_;
};

class PosixFileServices final : public FileServices {
 public:
  bool is_normal_file(std::string_view path) override {
    struct stat st {};
    return ::stat(std::string(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
  }

  bool exists(std::string_view path) override {
    struct stat st {};
    return ::lstat(std::string(path).c_str(), &st) == 0;
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
  // last descriptor, so a killed holder never blocks anyone. A holder removes
  // the name (while still holding the lock) before it lets go, so a new lock
  // file may replace the one another process opened a moment ago. Therefore a
  // lock counts as held only when, after flock succeeded, `path` still names
  // the very file locked: two processes that both pass that test would hold
  // flocks on the same file at once, which flock excludes. A process that
  // locked a file whose name was already removed sees the difference and
  // starts again on the file that now stands there.
  LockAttempt lock_file(std::string_view path) override {
    const std::string p(path);
    LockAttempt attempt;
    for (int tries = 0; tries < 100; ++tries) {
      // Read-only is enough for flock; O_NONBLOCK keeps a planted FIFO from hanging the open.
      const int fd = ::open(p.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
      if (fd < 0) {
        attempt.error = errno_failure("Cannot create the lock file", p, errno);
        return attempt;
      }
      struct stat locked {};
      if (::fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode) || locked.st_size != 0) {
        ::close(fd);
        attempt.error = Status::failure("Cannot use the lock file \"" + p +
                                        "\": something else is in its place (not an empty file)");
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
      if (::lstat(p.c_str(), &named) == 0 && same_file(named, locked)) {
        attempt.lock = std::make_unique<PosixFileLock>(fd, p);
        return attempt;
      }
      ::close(fd);
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
LockState probe_lock(std::string_view path) {
  const std::string p(path);
  for (int tries = 0; tries < 3; ++tries) {
    const int fd = ::open(p.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return LockState::Absent;
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
      ::close(fd);
      return LockState::Absent;  // not a lock file lock_file() would take
    }
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
      const int error = errno;
      ::close(fd);
      return error == EWOULDBLOCK ? LockState::Held : LockState::NotHeld;
    }
    (void)::flock(fd, LOCK_UN);
    struct stat named {};
    const bool still_there = ::lstat(p.c_str(), &named) == 0 && same_file(named, opened);
    ::close(fd);
    if (still_there) return LockState::NotHeld;
    if (::lstat(p.c_str(), &named) != 0) return LockState::Absent;  // its holder finished
  }
  return LockState::Held;  // a new lock file each time: scans keep starting
}

}  // namespace korvint::platform
