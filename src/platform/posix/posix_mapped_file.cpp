// Catalogues mapped with mmap. The descriptor stays open for copy() while the
// process has descriptors to spare: reading a block with pread costs a fraction
// of what touching freshly mapped pages does (on virtual machines many times
// over), and the mapping serves the few lines read at random.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/mapped_file.h"
#include "platform/posix/posix_error.h"

namespace korvint::platform {
namespace {

// True when `fd` leaves at least half of the process's descriptors free, so
// keeping it open never stops another file from being opened.
bool descriptor_to_spare(int fd) {
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return false;
  return limit.rlim_cur == RLIM_INFINITY || static_cast<rlim_t>(fd) < limit.rlim_cur / 2;
}

}  // namespace

MappedFile MappedFile::open(std::string_view path, Status& error) {
  const std::string p(path);
  const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = posix::errno_failure("Cannot open", p, errno);
    return MappedFile();
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    error = posix::errno_failure("Cannot open", p, errno);
    ::close(fd);
    return MappedFile();
  }
  if (!S_ISREG(st.st_mode)) {
    error = posix::errno_failure("Cannot open", p, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    ::close(fd);
    return MappedFile();
  }
  const auto size = static_cast<std::size_t>(st.st_size);
  if (size == 0) {
    ::close(fd);
    return MappedFile();
  }
  void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  const int map_error = errno;
  if (data == MAP_FAILED) {
    ::close(fd);
    error = posix::errno_failure("Cannot read", p, map_error);
    return MappedFile();
  }
  Handle handle = fd;
  if (!descriptor_to_spare(fd)) {
    ::close(fd);
    handle = kNoHandle;
  }
  return MappedFile(static_cast<const char*>(data), size, handle);
}

void MappedFile::copy(std::uint64_t offset, std::size_t size, char* out) const {
  std::size_t done = 0;
  if (handle_ != kNoHandle) {
    while (done < size) {
      const ssize_t got = ::pread(static_cast<int>(handle_), out + done, size - done,
                                  static_cast<off_t>(offset + done));
      if (got > 0) {
        done += static_cast<std::size_t>(got);
      } else if (got == 0 || errno != EINTR) {
        break;  // the mapping has the rest (or faults on it as any reader would)
      }
    }
  }
  if (done < size) std::memcpy(out + done, data_ + offset + done, size - done);
}

void MappedFile::unmap() {
  if (data_ != nullptr) ::munmap(const_cast<char*>(data_), size_);
  if (handle_ != kNoHandle) ::close(static_cast<int>(handle_));
  data_ = nullptr;
  size_ = 0;
  handle_ = kNoHandle;
}

}  // namespace korvint::platform
