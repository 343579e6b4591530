// Settings files: temporary file, fsync, rename(2), then fsync of the folder;
// a symbolic link is followed to the file it names.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/posix/posix_error.h"
#include "platform/read_only_file.h"
#include "platform/settings_file.h"

namespace korvint::platform {
namespace {

// The file a chain of symbolic links at `path` ends in (a relative link is
// read from its own folder); `path` itself when it is no link.
std::string link_target(const std::string& path) {
  std::string at = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
    std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096), '\0');
    const ssize_t length = ::readlink(at.c_str(), target.data(), target.size());
    if (length <= 0) return at;
    target.resize(static_cast<std::size_t>(length));
    if (target.front() != '/') {
      const auto slash = at.rfind('/');
      if (slash != std::string::npos) target = at.substr(0, slash + 1) + target;
    }
    at = target;
  }
  return at;
}

}  // namespace

std::optional<std::string> read_settings_bytes(std::string_view path) { return read_whole_file(path); }

std::string encode_settings_text(std::string_view utf8) { return std::string(utf8); }

Status write_settings_atomically(std::string_view path, std::string_view bytes) {
  // A link stays a link: the file it points to is the one replaced.
  const std::string target = link_target(std::string(path));
  const std::filesystem::path folder = std::filesystem::path(target).parent_path();
  if (!folder.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return posix::errno_failure("Cannot create", folder.string(), ec.value());
  }
  const std::string temporary = target + ".tmp" + std::to_string(::getpid());
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return posix::errno_failure("Cannot create", temporary, errno);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      const int error = written < 0 ? errno : ENOSPC;
      ::close(fd);
      ::unlink(temporary.c_str());
      return posix::errno_failure("Cannot write", temporary, error);
    }
    done += static_cast<std::size_t>(written);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    return posix::errno_failure("Cannot write", temporary, error);
  }
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    return posix::errno_failure("Cannot replace", target, error);
  }
  // The rename itself is durable only once the folder is synced.
  const int folder_fd =
      ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_fd >= 0) {
    (void)::fsync(folder_fd);
    ::close(folder_fd);
  }
  return Status();
}

bool process_has_ended(std::uint64_t process) {
  if (process == 0 || process > static_cast<std::uint64_t>(INT32_MAX)) return false;
  if (process == static_cast<std::uint64_t>(::getpid())) return false;
  // Signal 0 only asks whether it exists; EPERM means it does, as another user's.
  return ::kill(static_cast<pid_t>(process), 0) != 0 && errno == ESRCH;
}

}  // namespace korvint::platform
