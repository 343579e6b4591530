// Folder listings relative to the open folder: getdents64 on the folder's
// descriptor, then one statx per entry for its type, size and times.

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/folder_source.h"
#include "platform/posix/posix_error.h"

namespace korvint::platform {
namespace {

using posix::errno_failure;

// The record getdents64 fills; the kernel's layout.
struct LinuxDirent64 {
  ino64_t d_ino;
  off64_t d_off;
  unsigned short d_reclen;
  unsigned char d_type;
  char d_name[];
};

constexpr unsigned kStatxMask = STATX_TYPE | STATX_SIZE | STATX_MTIME | STATX_BTIME | STATX_INO;

FolderId id_of(const struct statx& sx) {
  return FolderId{(static_cast<std::uint64_t>(sx.stx_dev_major) << 32) | sx.stx_dev_minor,
                  sx.stx_ino};
}

// A folder's creation time is its birth time where the file system keeps one.
std::int64_t creation_time_of(const struct statx& sx) {
  return (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_mtime.tv_sec;
}

// One read buffer per thread serves all the listings that thread makes: a
// listing reads its folder to the end (or gives up) before the thread lists
// another, so open folders keep only their descriptors.
std::vector<char>& listing_buffer() {
  thread_local std::vector<char> bytes(64 * 1024);
  return bytes;
}

class PosixFolder final : public OpenFolder {
 public:
  PosixFolder(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixFolder() override { ::close(fd_); }

  Status list(EntrySink& sink) override {
    if (::lseek(fd_, 0, SEEK_SET) < 0) return errno_failure("Cannot list", path_, errno);
    std::vector<char>& buf = listing_buffer();
    for (;;) {
      const long got = ::syscall(SYS_getdents64, fd_, buf.data(), buf.size());
      if (got == 0) return Status();
      if (got < 0) {
        if (errno == EINTR) continue;
        return errno_failure("Cannot list", path_, errno);
      }
      for (long at = 0; at < got;) {
        const auto* record = reinterpret_cast<const LinuxDirent64*>(buf.data() + at);
        at += record->d_reclen;
        const char* name = record->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
        DirEntry entry;
        if (!describe(name, record->d_type, entry)) continue;
        if (!sink.on_entry(entry)) return Status();
      }
    }
  }

  std::unique_ptr<OpenFolder> open_child(std::string_view name, Status& error) override {
    const std::string child_name(name);
    const std::string child_path = path_ + "/" + child_name;
    const int fd = ::openat(fd_, child_name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      error = errno_failure("Cannot open", child_path, errno);
      return nullptr;
    }
    return std::make_unique<PosixFolder>(fd, child_path);
  }

  std::optional<FolderId> id() override {
    if (!id_) {
      struct statx sx {};
      if (::statx(fd_, "", AT_EMPTY_PATH, STATX_INO, &sx) == 0) id_ = id_of(sx);
    }
    return id_;
  }

 private:
  // Fills `entry` for the name `name`; false when the entry vanished meanwhile.
  bool describe(const char* name, unsigned char type, DirEntry& entry) {
    entry.name = name;
    struct statx sx {};
    // Follows links: a link to a file is listed as that file, to a folder as
    // that folder. The listing's own type spares nothing here, because every
    // line needs a size or a time anyway.
    if (::statx(fd_, name, AT_STATX_DONT_SYNC, kStatxMask, &sx) != 0) {
      // A dangling link (or one we may not follow) is a file of size 0 with the link's own time.
      if (::statx(fd_, name, AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC, kStatxMask, &sx) != 0) {
        if (errno == ENOENT) return false;  // vanished between listing and look-up
        // Known by name only: list it with what the listing says of it.
        entry.is_folder = (type == DT_DIR);
        return true;
      }
      entry.is_link = S_ISLNK(sx.stx_mode);
      entry.is_folder = false;
      entry.size = 0;
      entry.write_time = sx.stx_mtime.tv_sec;
      entry.creation_time = creation_time_of(sx);
      return true;
    }
    entry.is_link = (type == DT_LNK);
    entry.is_folder = S_ISDIR(sx.stx_mode);
    entry.size = entry.is_folder ? 0 : sx.stx_size;
    entry.write_time = sx.stx_mtime.tv_sec;
    entry.creation_time = creation_time_of(sx);
    if (entry.is_folder) entry.id = id_of(sx);
    return true;
  }

  int fd_;
  std::string path_;
  std::optional<FolderId> id_;
};

// Deep trees keep one descriptor open per level: allow as many as the system lets us.
void raise_descriptor_limit() {
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    (void)::setrlimit(RLIMIT_NOFILE, &limit);
  }
}

class PosixFolderSource final : public FolderSource {
 public:
  PosixFolderSource() { raise_descriptor_limit(); }

  std::unique_ptr<OpenFolder> open_root(std::string_view root, Status& error) override {
    std::string path(root);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const int fd = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      error = errno_failure("Cannot open", path, errno);
      return nullptr;
    }
    return std::make_unique<PosixFolder>(fd, path == "/" ? std::string() : path);
  }
};

}  // namespace

std::unique_ptr<FolderSource> make_system_folder_source() {
  return std::make_unique<PosixFolderSource>();
}

}  // namespace korvint::platform
