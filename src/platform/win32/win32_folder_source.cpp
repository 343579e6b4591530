// Folder listings with FindFirstFileExW over long-form paths: type, size and
// times come from the listing record itself, so a folder of N entries costs one
// enumeration and no per-entry query. Only file links are opened, to list them
// with what they point to. Every system call goes through the source's table of
// calls, shared by all the folders a source opens.

#include "platform/win32/win32_folder_source.h"

#include <memory>
#include <string>

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

using win32::ListingCalls;
using Calls = std::shared_ptr<const ListingCalls>;

// Closes a search handle when the listing ends, however it ends.
class FindHandle {
 public:
  FindHandle(const ListingCalls& calls, HANDLE handle) : calls_(calls), handle_(handle) {}
  ~FindHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) calls_.FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  [[nodiscard]] HANDLE get() const { return handle_; }

 private:
  const ListingCalls& calls_;
  HANDLE handle_;
};

// Opens `path` (following links) for its attributes only, sharing everything.
HANDLE open_for_attributes(const ListingCalls& calls, const std::wstring& path) {
  return calls.CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// What GetFileInformationByHandle tells of `path`; false when it cannot be opened or asked.
bool information_of(const ListingCalls& calls, const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
  const HANDLE handle = open_for_attributes(calls, path);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const BOOL ok = calls.GetFileInformationByHandle(handle, &info);
  calls.CloseHandle(handle);
  return ok != FALSE;
}

// Size and times of what the file link `path` points to; false when it points nowhere.
bool describe_link_target(const ListingCalls& calls, const std::wstring& path, DirEntry& entry) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!information_of(calls, path, info)) return false;
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
  Win32Folder(Calls calls, std::wstring path, std::string shown)
      : calls_(std::move(calls)), path_(std::move(path)), shown_(std::move(shown)) {}

  Status list(EntrySink& sink) override {
    const std::wstring pattern = path_ + L"*";
    WIN32_FIND_DATAW record{};
    FindHandle search(*calls_, calls_->FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &record,
                                                        FindExSearchNameMatch, nullptr,
                                                        FIND_FIRST_EX_LARGE_FETCH));
    if (search.get() == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      // A drive root has no "." and "..": an empty one matches nothing at all.
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return Status();
      return error_failure("Cannot list", shown_, error);
    }
    do {
      if (is_dot_or_dot_dot(record.cFileName)) continue;
      if (!sink.on_entry(describe(record))) return Status();
    } while (calls_->FindNextFileW(search.get(), &record));
    const DWORD error = GetLastError();
    if (error != ERROR_NO_MORE_FILES) return error_failure("Cannot list", shown_, error);
    return Status();
  }

  std::unique_ptr<OpenFolder> open_child(std::string_view name, Status& error) override {
    (void)error;  // nothing is opened yet: a child that cannot be listed says so in list()
    std::string shown = shown_;
    shown += name;
    shown += '\\';
    return std::make_unique<Win32Folder>(calls_, path_ + win32::to_wide(name) + L'\\', std::move(shown));
  }

  std::optional<FolderId> id() override {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!id_ && information_of(*calls_, path_, info)) {
      id_ = FolderId{info.dwVolumeSerialNumber,
                     (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
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
    if (entry.is_link && !entry.is_folder && !describe_link_target(*calls_, path_ + record.cFileName, entry))
      entry.size = 0;
    return entry;
  }

  Calls calls_;
  std::wstring path_;
  std::string shown_;
  std::string name_;
  std::optional<FolderId> id_;
};

class Win32FolderSource final : public FolderSource {
 public:
  explicit Win32FolderSource(ListingCalls calls)
      : calls_(std::make_shared<const ListingCalls>(std::move(calls))) {}

  std::unique_ptr<OpenFolder> open_root(std::string_view root, Status& error) override {
    const std::wstring path = win32::system_path(root, true);
    const DWORD attributes = calls_->GetFileAttributesW(path.c_str());
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
    return std::make_unique<Win32Folder>(calls_, path, std::move(shown));
  }

 private:
  Calls calls_;
};

}  // namespace

std::unique_ptr<FolderSource> win32::make_win32_folder_source(ListingCalls calls) {
  return std::make_unique<Win32FolderSource>(std::move(calls));
}

std::unique_ptr<FolderSource> make_system_folder_source() {
  return win32::make_win32_folder_source(win32::ListingCalls{});
}

// An open folder holds no handle between calls here, and the system's handle
// table has no per-process limit of the kind POSIX has.
void raise_open_file_limit() {}

}  // namespace korvint::platform
