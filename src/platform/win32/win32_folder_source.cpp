// Folder listings with FindFirstFileExW over long-form paths: type, size and
// times come from the listing record itself, so a folder of N entries costs one
// enumeration and no per-entry query. Only file links are opened, to list them
// with what they point to.

#include <windows.h>

#include <memory>
#include <string>

#include "platform/folder_source.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_path.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_time.h"

namespace korvint::platform {
namespace {

using win32::error_failure;
using win32::file_time_to_unix_seconds;

std::int64_t seconds_of(const FILETIME& time) {
  return file_time_to_unix_seconds(time.dwHighDateTime, time.dwLowDateTime);
}

// Closes a search handle when the listing ends, however it ends.
class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  ~FindHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  [[nodiscard]] HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// Opens `path` (following links) for its attributes only, sharing everything.
HANDLE open_for_attributes(const std::wstring& path) {
  return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Size and times of what the file link `path` points to; false when it points nowhere.
bool describe_link_target(const std::wstring& path, DirEntry& entry) {
  const HANDLE handle = open_for_attributes(path);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const BOOL ok = GetFileInformationByHandle(handle, &info);
  CloseHandle(handle);
  if (!ok) return false;
  entry.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  entry.creation_time = seconds_of(info.ftCreationTime);
  entry.write_time = seconds_of(info.ftLastWriteTime);
  return true;
}

bool is_dot_or_dot_dot(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

class Win32Folder final : public OpenFolder {
 public:
  /// `path`: long form ending in "\"; `shown`: the same folder as the user wrote it.
  Win32Folder(std::wstring path, std::string shown) : path_(std::move(path)), shown_(std::move(shown)) {}

  Status list(EntrySink& sink) override {
    const std::wstring pattern = path_ + L"*";
    WIN32_FIND_DATAW record{};
    FindHandle search(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &record,
                                       FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (search.get() == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      // A drive root has no "." and "..": an empty one matches nothing at all.
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return Status();
      return error_failure("Cannot list", shown_, error);
    }
    do {
      if (is_dot_or_dot_dot(record.cFileName)) continue;
      if (!sink.on_entry(describe(record))) return Status();
    } while (FindNextFileW(search.get(), &record));
    const DWORD error = GetLastError();
    if (error != ERROR_NO_MORE_FILES) return error_failure("Cannot list", shown_, error);
    return Status();
  }

  std::unique_ptr<OpenFolder> open_child(std::string_view name, Status& error) override {
    (void)error;  // nothing is opened yet: a child that cannot be listed says so in list()
    std::string shown = shown_;
    shown += name;
    shown += '\\';
    return std::make_unique<Win32Folder>(path_ + win32::to_wide(name) + L'\\', std::move(shown));
  }

  std::optional<FolderId> id() override {
    if (!id_) {
      const HANDLE handle = open_for_attributes(path_);
      if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
      BY_HANDLE_FILE_INFORMATION info{};
      if (GetFileInformationByHandle(handle, &info)) {
        id_ = FolderId{info.dwVolumeSerialNumber,
                       (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
      }
      CloseHandle(handle);
    }
    return id_;
  }

 private:
  // The entry for one listing record; its name lives in `name_` until the next record.
  DirEntry describe(const WIN32_FIND_DATAW& record) {
    win32::to_utf8(record.cFileName, name_);
    DirEntry entry;
    entry.name = name_;
    entry.is_folder = (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.is_link = (record.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    entry.size = entry.is_folder
                     ? 0
                     : (static_cast<std::uint64_t>(record.nFileSizeHigh) << 32) | record.nFileSizeLow;
    entry.creation_time = seconds_of(record.ftCreationTime);
    entry.write_time = seconds_of(record.ftLastWriteTime);
    // A file link's record describes the link; list it as what it points to. A
    // dangling one keeps size 0 and the link's own times.
    if (entry.is_link && !entry.is_folder && !describe_link_target(path_ + record.cFileName, entry))
      entry.size = 0;
    return entry;
  }

  std::wstring path_;
  std::string shown_;
  std::string name_;
  std::optional<FolderId> id_;
};

class Win32FolderSource final : public FolderSource {
 public:
  std::unique_ptr<OpenFolder> open_root(std::string_view root, Status& error) override {
    const std::wstring path = win32::system_path(root, true);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      error = error_failure("Cannot open", root, GetLastError());
      return nullptr;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      error = error_failure("Cannot open", root, ERROR_DIRECTORY);
      return nullptr;
    }
    std::string shown(root);
    if (shown.empty() || (shown.back() != '\\' && shown.back() != '/')) shown += '\\';
    return std::make_unique<Win32Folder>(path, std::move(shown));
  }
};

}  // namespace

std::unique_ptr<FolderSource> make_system_folder_source() {
  return std::make_unique<Win32FolderSource>();
}

}  // namespace korvint::platform
