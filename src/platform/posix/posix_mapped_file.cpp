// Catalogues mapped with mmap; the descriptor is closed at once, the mapping keeps the file.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/mapped_file.h"
#include "platform/posix/posix_error.h"

namespace korvint::platform {

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
  // Mapping every page at once costs far less than a fault per page later.
  void* data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
  const int map_error = errno;
  ::close(fd);
  if (data == MAP_FAILED) {
    error = posix::errno_failure("Cannot read", p, map_error);
    return MappedFile();
  }
  return MappedFile(static_cast<const char*>(data), size);
}

void MappedFile::unmap() {
  if (data_ != nullptr) ::munmap(const_cast<char*>(data_), size_);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace korvint::platform
