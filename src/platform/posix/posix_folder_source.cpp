// Folder listings relative to the open folder: getdents64 on the folder's
// descriptor, then one statx per entry for its type, size and times.
//
// Every open folder holds a descriptor, and a process may hold only so many: a
// tree deeper than that, or read-ahead on a low limit, would otherwise meet
// "Too many open files". So the source keeps at most a budget of folders open;
// past it, the folder least recently used (and not in use now) gives its
// descriptor back and is reopened, relative to its parent, when it is needed
// again. The same happens when other parts of the program hold descriptors and
// an open fails with EMFILE.

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <list>
#include <memory>
#include <mutex>
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
// A birth time of exactly 1970-01-01 00:00:00 is one the file system never
// set (files unpacked from some images report it): the last write says more.
std::int64_t creation_time_of(const struct statx& sx) {
  const bool born = (sx.stx_mask & STATX_BTIME) && (sx.stx_btime.tv_sec != 0 || sx.stx_btime.tv_nsec != 0);
  return born ? sx.stx_btime.tv_sec : sx.stx_mtime.tv_sec;
}

// File systems that show the kernel's state, not files: their contents change
// as they are read, hold links to every process's folders and files, and
// would make a walk of "/" endless. By the type statfs reports.
bool is_pseudo_type(unsigned long type) {
  switch (type) {
    case 0x9fa0:      // proc
    case 0x62656572:  // sysfs
    case 0x1cd1:      // devpts
    case 0x27e0eb:    // cgroup
    case 0x63677270:  // cgroup2
    case 0x64626720:  // debugfs
    case 0x74726163:  // tracefs
    case 0x73636673:  // securityfs
    case 0x6165676c:  // pstore
    case 0xcafe4a11:  // bpf
    case 0x62656570:  // configfs
    case 0x65735543:  // fusectl
    case 0x19800202:  // mqueue
    case 0x958458f6:  // hugetlbfs
    case 0x0187:      // autofs
    case 0x42494e4d:  // binfmt_misc
    case 0xde5e81e4:  // efivarfs
      return true;
    default:
      return false;
  }
}

// The type a mount of device `dev` has in /proc/self/mountinfo ("" when not
// found): devtmpfs tells itself from tmpfs only there.
std::string mount_type(dev_t dev) {
  std::ifstream mounts("/proc/self/mountinfo");
  const std::string device = std::to_string(major(dev)) + ":" + std::to_string(minor(dev));
  std::string line;
  while (std::getline(mounts, line)) {
    // ID PARENT MAJOR:MINOR ROOT POINT OPTIONS [TAGS...] - TYPE SOURCE OPTIONS
    std::size_t at = 0;
    for (int field = 0; field < 2 && at != std::string::npos; ++field) at = line.find(' ', at + 1);
    if (at == std::string::npos || line.compare(at + 1, device.size() + 1, device + " ") != 0) continue;
    const std::size_t dash = line.find(" - ");
    if (dash == std::string::npos) continue;
    const std::size_t type_end = line.find(' ', dash + 3);
    return line.substr(dash + 3, type_end == std::string::npos ? std::string::npos : type_end - dash - 3);
  }
  return std::string();
}

bool shows_kernel_state(int fd) {
  struct statfs fs {};
  if (::fstatfs(fd, &fs) != 0) return false;
  const auto type = static_cast<unsigned long>(fs.f_type);
  if (is_pseudo_type(type)) return true;
  constexpr unsigned long kTmpfs = 0x01021994;
  constexpr unsigned long kRamfs = 0x858458f6;
  if (type != kTmpfs && type != kRamfs) return false;
  struct stat st {};
  return ::fstat(fd, &st) == 0 && mount_type(st.st_dev) == "devtmpfs";
}

// The read buffer of one listing, held only while it runs, so open folders
// keep only their descriptors. Not one per thread: glibc aborts the process
// when it cannot note a thread-local object's destructor, which an allocation
// failure must never do (it fails the scan instead).
constexpr std::size_t kListingBuffer = 64 * 1024;

// One folder as the source knows it: its descriptor while open, and how to
// reopen it (its parent and name, or its path for a root). Outlives the
// OpenFolder that the walk holds while a sub-folder may need it to reopen.
struct FolderNode {
  std::shared_ptr<FolderNode> parent;  // null for a root
  std::string name;                    // within the parent; the path for a root
  std::string path;                    // for messages
  int fd = -1;
  int pins = 0;                        // calls using `fd` now: it is not closed under them
  bool owned = true;                   // false once the walk has closed the folder
  std::optional<FolderId> id;          // noted when the descriptor is given back
  std::list<FolderNode*>::iterator in_use_order;
};

// The descriptors of one source's folders: their count, their order of use,
// and the giving back of the least recently used when the budget is spent.
class DescriptorPool {
 public:
  explicit DescriptorPool(std::size_t budget) : budget_(budget) {}

  [[nodiscard]] std::size_t budget() const { return budget_; }

  /// Opens `node`'s descriptor if it was given back, and pins it for one call.
  /// False with the reason when it cannot be reopened.
  bool pin(FolderNode& node, Status& error) {
    std::unique_lock lock(mutex_);
    return pin_locked(node, error, lock);
  }

  void unpin(FolderNode& node) {
    std::lock_guard lock(mutex_);
    --node.pins;
    if (node.pins == 0) unpinned_.notify_all();
    if (!node.owned && node.pins == 0) close_locked(node);
  }

  /// Opens `name` in the pinned `parent` as a new folder's descriptor; -1 with errno set on failure.
  int open_child(FolderNode& parent, const std::string& name) {
    std::unique_lock lock(mutex_);
    if (!make_room(lock)) {
      errno = EMFILE;
      return -1;
    }
    ++open_;
    lock.unlock();
    for (;;) {
      const int fd = ::openat(parent.fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd >= 0 || errno != EMFILE) {
        const int saved = errno;
        lock.lock();
        if (fd < 0) --open_;
        errno = saved;
        return fd;
      }
      // Other parts of the program hold descriptors too: give one back and retry.
      lock.lock();
      if (!give_one_back(lock)) {
        --open_;
        errno = EMFILE;
        return -1;
      }
      lock.unlock();
    }
  }

  /// Registers `node`, just opened with a descriptor counted by open_child or opened as a root.
  void opened(FolderNode& node, int fd, bool counted) {
    std::lock_guard lock(mutex_);
    if (!counted) ++open_;
    node.fd = fd;
    node.in_use_order = in_use_order_.insert(in_use_order_.end(), &node);
  }

  /// The walk is done with `node`: its descriptor goes once no call uses it.
  void release(FolderNode& node) {
    std::lock_guard lock(mutex_);
    node.owned = false;
    if (node.pins == 0) close_locked(node);
  }

 private:
  bool pin_locked(FolderNode& node, Status& error, std::unique_lock<std::mutex>& lock) {
    if (node.fd < 0 && !reopen_locked(node, error, lock)) return false;
    ++node.pins;
    in_use_order_.splice(in_use_order_.end(), in_use_order_, node.in_use_order);
    return true;
  }

  // Reopens a folder whose descriptor was given back, and any of its
  // ancestors given back too, from the nearest one still open (or the root,
  // by its path) down, one level at a time: each level needs only its
  // parent's descriptor, so a tree of any depth reopens within a budget of
  // two. Rare: done under the lock. Making room may wait without the lock,
  // and another thread may reopen a level meanwhile: then its descriptor is
  // the one kept.
  bool reopen_locked(FolderNode& node, Status& error, std::unique_lock<std::mutex>& lock) {
    while (node.fd < 0) {
      FolderNode* level = &node;
      while (level->parent && level->parent->fd < 0) level = level->parent.get();
      FolderNode* parent = level->parent.get();
      // The parent, open now, is kept open while room is made for its child.
      if (parent) ++parent->pins;
      const bool room = make_room(lock);
      bool opened = false;
      if (room && level->fd < 0) opened = open_level(*level, error);
      if (parent) {
        --parent->pins;
        if (parent->pins == 0) {
          unpinned_.notify_all();
          if (!parent->owned) close_locked(*parent);
        }
      }
      if (!room) {
        error = errno_failure("Cannot open", level->path, EMFILE);
        return false;
      }
      if (!opened && level->fd < 0) return false;
    }
    return true;
  }

  // Opens `level` in its open parent (a root by its path); room was made.
  // False with the reason when it cannot be opened, or is not the folder it was.
  bool open_level(FolderNode& level, Status& error) {
    ++open_;
    const int fd = level.parent
                       ? ::openat(level.parent->fd, level.name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                       : ::open(level.name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      --open_;
      error = errno_failure("Cannot open", level.path, errno);
      return false;
    }
    // A folder moved or replaced meanwhile is not listed as this one.
    struct statx sx {};
    if (level.id && (::statx(fd, "", AT_EMPTY_PATH, STATX_INO, &sx) != 0 || !(id_of(sx) == *level.id))) {
      ::close(fd);
      --open_;
      error = Status::failure("Cannot open \"" + level.path + "\": the folder was moved or replaced during the scan");
      return false;
    }
    level.fd = fd;
    level.in_use_order = in_use_order_.insert(in_use_order_.end(), &level);
    return true;
  }

  // Gives back descriptors until one more fits the budget; waits while every
  // open folder is in use by another thread. False when nothing can be given
  // back and nothing will be.
  bool make_room(std::unique_lock<std::mutex>& lock) {
    while (open_ >= budget_) {
      if (!give_one_back(lock)) return false;
    }
    return true;
  }

  // Closes the least recently used folder that no call uses; when all are in
  // use, waits a while for one to come free. False when none does.
  bool give_one_back(std::unique_lock<std::mutex>& lock) {
    for (int attempt = 0; attempt < 200; ++attempt) {
      for (FolderNode* node : in_use_order_) {
        if (node->pins > 0) continue;
        if (!node->id) {
          struct statx sx {};
          if (::statx(node->fd, "", AT_EMPTY_PATH, STATX_INO, &sx) == 0) node->id = id_of(sx);
        }
        close_locked(*node);
        return true;
      }
      // Every folder is in a call now, on this thread or another; the calls of
      // other threads end soon.
      unpinned_.wait_for(lock, std::chrono::milliseconds(10));
    }
    return false;
  }

  void close_locked(FolderNode& node) {
    if (node.fd < 0) return;
    ::close(node.fd);
    node.fd = -1;
    --open_;
    in_use_order_.erase(node.in_use_order);
  }

  std::mutex mutex_;
  std::condition_variable unpinned_;
  std::size_t budget_;
  std::size_t open_ = 0;
  std::list<FolderNode*> in_use_order_;  // open folders, least recently used first
};

// Keeps a folder's descriptor open (reopening it if need be) for one call.
class Pin {
 public:
  Pin(DescriptorPool& pool, FolderNode& node, Status& error) : pool_(pool), node_(node), ok_(pool.pin(node, error)) {}
  ~Pin() {
    if (ok_) pool_.unpin(node_);
  }
  Pin(const Pin&) = delete;
  Pin& operator=(const Pin&) = delete;
  [[nodiscard]] bool ok() const { return ok_; }

 private:
  DescriptorPool& pool_;
  FolderNode& node_;
  bool ok_;
};

class PosixFolder final : public OpenFolder {
 public:
  PosixFolder(std::shared_ptr<DescriptorPool> pool, std::shared_ptr<FolderNode> node)
      : pool_(std::move(pool)), node_(std::move(node)) {}
  ~PosixFolder() override { pool_->release(*node_); }

  Status list(EntrySink& sink) override {
    Status error;
    Pin pin(*pool_, *node_, error);
    if (!pin.ok()) return error;
    const int fd = node_->fd;
    if (::lseek(fd, 0, SEEK_SET) < 0) return errno_failure("Cannot list", node_->path, errno);
    const std::unique_ptr<char[]> buf(new char[kListingBuffer]);
    for (;;) {
      const long got = ::syscall(SYS_getdents64, fd, buf.get(), kListingBuffer);
      if (got == 0) return Status();
      if (got < 0) {
        if (errno == EINTR) continue;
        return errno_failure("Cannot list", node_->path, errno);
      }
      for (long at = 0; at < got;) {
        const auto* record = reinterpret_cast<const LinuxDirent64*>(buf.get() + at);
        at += record->d_reclen;
        const char* name = record->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
        DirEntry entry;
        if (!describe(fd, name, record->d_type, entry)) continue;
        if (!sink.on_entry(entry)) return Status();
      }
    }
  }

  std::unique_ptr<OpenFolder> open_child(std::string_view name, Status& error) override {
    auto child = std::make_shared<FolderNode>();
    child->parent = node_;
    child->name = std::string(name);
    child->path = node_->path + "/" + child->name;
    Pin pin(*pool_, *node_, error);
    if (!pin.ok()) return nullptr;
    const int fd = pool_->open_child(*node_, child->name);
    if (fd < 0) {
      error = errno_failure("Cannot open", child->path, errno);
      return nullptr;
    }
    pool_->opened(*child, fd, true);
    return std::make_unique<PosixFolder>(pool_, std::move(child));
  }

  std::optional<FolderId> id() override {
    if (!id_) {
      Status ignored;
      Pin pin(*pool_, *node_, ignored);
      struct statx sx {};
      if (pin.ok() && ::statx(node_->fd, "", AT_EMPTY_PATH, STATX_INO, &sx) == 0) id_ = id_of(sx);
    }
    return id_;
  }

  bool is_pseudo_file_system() override {
    Status ignored;
    Pin pin(*pool_, *node_, ignored);
    return pin.ok() && shows_kernel_state(node_->fd);
  }

 private:
  // Fills `entry` for the name `name` in the folder `fd`; false when the entry vanished meanwhile.
  static bool describe(int fd, const char* name, unsigned char type, DirEntry& entry) {
    entry.name = name;
    struct statx sx {};
    // Follows links: a link to a file is listed as that file, to a folder as
    // that folder. The listing's own type spares nothing here, because every
    // line needs a size or a time anyway.
    if (::statx(fd, name, AT_STATX_DONT_SYNC, kStatxMask, &sx) != 0) {
      // A dangling link (or one we may not follow) is a file of size 0 with the link's own time.
      if (::statx(fd, name, AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC, kStatxMask, &sx) != 0) {
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

  std::shared_ptr<DescriptorPool> pool_;
  std::shared_ptr<FolderNode> node_;
  std::optional<FolderId> id_;
};

// Descriptors kept for the rest of the program (the catalogue, its backup,
// the window's own) out of the process's limit.
std::size_t folder_budget() {
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 1 << 20;
  const std::size_t soft = static_cast<std::size_t>(limit.rlim_cur);
  const std::size_t reserve = std::max<std::size_t>(16, soft / 8);
  return soft > reserve + 4 ? soft - reserve : 4;
}

class PosixFolderSource final : public FolderSource {
 public:
  PosixFolderSource() : pool_(std::make_shared<DescriptorPool>(folder_budget())) {}

  std::unique_ptr<OpenFolder> open_root(std::string_view root, Status& error) override {
    std::string_view trimmed = root;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.remove_suffix(1);
    const std::string path = trimmed.empty() ? std::string(".") : std::string(trimmed);
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      error = errno_failure("Cannot open", path, errno);
      return nullptr;
    }
    auto node = std::make_shared<FolderNode>();
    node->name = path;  // a root reopens by its path
    node->path = path == "/" ? std::string() : path;
    pool_->opened(*node, fd, false);
    return std::make_unique<PosixFolder>(pool_, std::move(node));
  }

  [[nodiscard]] std::size_t folders_open_at_once() const override { return pool_->budget(); }

 private:
  std::shared_ptr<DescriptorPool> pool_;
};

}  // namespace

std::unique_ptr<FolderSource> make_system_folder_source() {
  return std::make_unique<PosixFolderSource>();
}

void raise_open_file_limit() {
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    (void)::setrlimit(RLIMIT_NOFILE, &limit);
  }
}

}  // namespace korvint::platform
