#pragma once
// Directory enumeration as the walker needs it: one listing per folder, with
// type, size and times taken from the listing itself.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_identity.h"
#include "platform/status.h"

namespace korvint::platform {

/// Identity of a folder on its volume; equal identities are the same folder,
/// however it was reached.
using FolderId = FileIdentity;

/// One entry of a folder listing. `name` is valid only during the callback.
struct DirEntry {
  std::string_view name;  ///< UTF-8 on Windows, the raw bytes on POSIX
  bool is_folder = false;
  bool is_link = false;             ///< reached through a symbolic link or reparse point
  std::uint64_t size = 0;           ///< bytes; 0 for folders
  std::int64_t creation_time = 0;   ///< seconds since 1970-01-01 UTC
  std::int64_t write_time = 0;      ///< seconds since 1970-01-01 UTC
  std::optional<FolderId> id;       ///< a folder's identity where the listing gives it cheaply
};

/// Receives the entries of one listing; returns false to end the listing early.
class EntrySink {
 public:
  virtual bool on_entry(const DirEntry& entry) = 0;

 protected:
  ~EntrySink() = default;
};

/// A folder opened during a walk. Owns its operating-system handle; not copyable.
class OpenFolder {
 public:
  OpenFolder() = default;
  OpenFolder(const OpenFolder&) = delete;
  OpenFolder& operator=(const OpenFolder&) = delete;
  virtual ~OpenFolder() = default;

  /// Passes every entry except "." and ".." to `sink`, in the platform's order.
  /// A listing that cannot be started or read to its end returns the reason.
  virtual Status list(EntrySink& sink) = 0;

  /// Opens the sub-folder `name` of this folder, following a link; nullptr and
  /// the reason in `error` when it cannot be opened.
  virtual std::unique_ptr<OpenFolder> open_child(std::string_view name, Status& error) = 0;

  /// This folder's identity, found on first use; nullopt when the platform cannot tell.
  virtual std::optional<FolderId> id() = 0;

  /// True when this folder is the top of a file system that shows the
  /// kernel's state rather than files (Linux: proc, sysfs, devtmpfs, cgroup
  /// and their kind). A walk that reaches one below its root writes its
  /// folder line but does not enter it. False where there are none (Windows).
  virtual bool is_pseudo_file_system() { return false; }
};

/// Opens the roots of walks.
class FolderSource {
 public:
  virtual ~FolderSource() = default;

  /// Opens `root` as typed (a trailing separator is allowed); nullptr and the
  /// reason in `error` when it cannot be opened.
  virtual std::unique_ptr<OpenFolder> open_root(std::string_view root, Status& error) = 0;

  /// How many of its folders this source keeps open at once before it closes
  /// the least recently used one (to reopen it when it is needed again). A walk
  /// sizes what it opens ahead by it; no limit where folders hold no handle.
  [[nodiscard]] virtual std::size_t folders_open_at_once() const { return SIZE_MAX; }
};

/// The operating system's folders.
std::unique_ptr<FolderSource> make_system_folder_source();

/// Raises the process's soft limit of open files to its hard limit, as
/// find-like tools do, so deep trees and read-ahead have descriptors to spare.
/// Call once at program start, before any thread starts. Does nothing where
/// the system has no such limit (Windows).
void raise_open_file_limit();

}  // namespace korvint::platform
