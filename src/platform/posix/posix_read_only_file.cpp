// Files read with pread(2). O_NONBLOCK keeps the open of a FIFO from waiting
// for a writer; fstat(2) on the descriptor then refuses all but regular files.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/posix/posix_error.h"
#include "platform/read_only_file.h"

namespace korvint::platform {
namespace {

FileVersion identity_from(const struct stat& st) {
  FileVersion identity;
  identity.device = static_cast<std::uint64_t>(st.st_dev);
  identity.file = static_cast<std::uint64_t>(st.st_ino);
  identity.size = static_cast<std::uint64_t>(st.st_size);
  identity.write_time = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return identity;
}

}  // namespace

ReadOnlyFile ReadOnlyFile::open(std::string_view path, OpenFailure& failure, Status& error) {
  const std::string p(path);
  const int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    failure = OpenFailure::Unreadable;
    error = posix::errno_failure("Cannot open", p, errno);
    return ReadOnlyFile();
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    failure = OpenFailure::Unreadable;
    error = posix::errno_failure("Cannot open", p, errno);
    ::close(fd);
    return ReadOnlyFile();
  }
  if (!S_ISREG(st.st_mode)) {
    failure = OpenFailure::NotAFile;
    error = Status::failure("Cannot read \"" + p + "\": not a file");
    ::close(fd);
    return ReadOnlyFile();
  }
  // Reads of a regular file ignore O_NONBLOCK; clear it all the same.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  failure = OpenFailure::None;
  return ReadOnlyFile(fd);
}

std::optional<std::size_t> ReadOnlyFile::read_at(std::uint64_t offset, std::size_t size, char* out) const {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got =
        ::pread(static_cast<int>(handle_), out + done, size - done, static_cast<off_t>(offset + done));
    if (got > 0) {
      done += static_cast<std::size_t>(got);
    } else if (got == 0) {
      break;  // the file ends here
    } else if (errno != EINTR) {
      return std::nullopt;
    }
  }
  return done;
}

std::optional<FileVersion> ReadOnlyFile::identity() const {
  struct stat st {};
  if (handle_ == kNoHandle || ::fstat(static_cast<int>(handle_), &st) != 0) return std::nullopt;
  return identity_from(st);
}

bool ReadOnlyFile::worth_keeping() const {
  struct rlimit limit {};
  if (handle_ == kNoHandle || ::getrlimit(RLIMIT_NOFILE, &limit) != 0) return false;
  return limit.rlim_cur == RLIM_INFINITY || static_cast<rlim_t>(handle_) < limit.rlim_cur / 2;
}

void ReadOnlyFile::close() {
  if (handle_ != kNoHandle) ::close(static_cast<int>(handle_));
  handle_ = kNoHandle;
}

std::optional<FileVersion> identity_of(std::string_view path) {
  struct stat st {};
  if (::stat(std::string(path).c_str(), &st) != 0) return std::nullopt;
  return identity_from(st);
}

}  // namespace korvint::platform
