// File services over POSIX paths; names are bytes and pass through untouched.

#include <fcntl.h>
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
    const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
      error = errno_failure("Cannot create", p, errno);
      return nullptr;
    }
    return std::make_unique<PosixOutputFile>(fd, p);
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
    return line;
  }
};

}  // namespace

FileServices& system_file_services() {
  static PosixFileServices services;
  return services;
}

}  // namespace korvint::platform
