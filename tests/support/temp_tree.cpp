#include "support/temp_tree.h"

#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace korvint::test {

TempTree::TempTree() {
  std::random_device random;
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = base / ("korvint-test-" + std::to_string(random()));
    if (fs::create_directory(candidate)) {
      root_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

#ifdef _WIN32
namespace {

// Removes `path` (long form, no trailing "\\") and everything below it. Goes
// through "\\?\" paths, so trees deeper than MAX_PATH go too, and clears the
// read-only, hidden and system attributes tests set. Links are removed, not followed.
void remove_tree(const std::wstring& path) {
  WIN32_FIND_DATAW record{};
  const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &record);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = record.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      const bool folder = (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      const bool link = (record.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      if (folder && !link) {
        remove_tree(child);
        continue;
      }
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (folder) {
        RemoveDirectoryW(child.c_str());
      } else {
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(search, &record));
    FindClose(search);
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(path.c_str());
}

}  // namespace

TempTree::~TempTree() { remove_tree(L"\\\\?\\" + root_.wstring()); }
#else
TempTree::~TempTree() {
  std::error_code ignored;
  // Give back permissions a test took away, so everything can be removed.
  for (auto it = fs::recursive_directory_iterator(root_, fs::directory_options::skip_permission_denied, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(root_, ignored);
}
#endif

std::string TempTree::root_text() const {
  std::string text = path_text(root_);
  text += static_cast<char>(fs::path::preferred_separator);
  return text;
}

fs::path TempTree::folder(std::string_view relative) {
  fs::path path = root_ / fs::u8path(relative);
  fs::create_directories(path);
  return path;
}

fs::path TempTree::file(std::string_view relative, std::uint64_t size, std::int64_t write_time) {
  fs::path path = root_ / fs::u8path(relative);
  fs::create_directories(path.parent_path());
  { std::ofstream create(path, std::ios::binary); }
#ifdef _WIN32
  // Sparse, so a file of gigabytes takes no room on NTFS either.
  if (HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
      handle != INVALID_HANDLE_VALUE) {
    DWORD returned = 0;
    (void)DeviceIoControl(handle, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    CloseHandle(handle);
  }
#endif
  fs::resize_file(path, size);
  set_write_time(path, write_time);
  return path;
}

fs::path TempTree::text_file(std::string_view relative, std::string_view content) {
  fs::path path = root_ / fs::u8path(relative);
  fs::create_directories(path.parent_path());
  write_file(path, content);
  return path;
}

std::string path_text(const fs::path& path) {
#ifdef _WIN32
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
#else
  return path.string();
#endif
}

#ifdef _WIN32
namespace {
constexpr std::int64_t kUnixEpochIn100ns = 116444736000000000LL;
FILETIME to_filetime(std::int64_t seconds) {
  const std::uint64_t ticks = static_cast<std::uint64_t>(seconds * 10000000LL + kUnixEpochIn100ns);
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}
std::int64_t from_filetime(const FILETIME& time) {
  const std::int64_t ticks =
      static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  return (ticks - kUnixEpochIn100ns) / 10000000LL;
}
}  // namespace

void set_write_time(const fs::path& path, std::int64_t write_time) {
  HANDLE handle = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path.string());
  const FILETIME time = to_filetime(write_time);
  const BOOL ok = SetFileTime(handle, nullptr, nullptr, &time);
  CloseHandle(handle);
  if (!ok) throw std::runtime_error("cannot set the time of " + path.string());
}

std::int64_t reported_creation_time(const fs::path& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
    throw std::runtime_error("cannot read " + path.string());
  return from_filetime(data.ftCreationTime);
}
#else
void set_write_time(const fs::path& path, std::int64_t write_time) {
  struct timespec times[2] = {{write_time, 0}, {write_time, 0}};
  if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
    throw std::runtime_error("cannot set the time of " + path.string());
}

std::int64_t reported_creation_time(const fs::path& path) {
  struct statx sx {};
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &sx) != 0)
    throw std::runtime_error("cannot read " + path.string());
  const bool born = (sx.stx_mask & STATX_BTIME) && (sx.stx_btime.tv_sec != 0 || sx.stx_btime.tv_nsec != 0);
  return born ? sx.stx_btime.tv_sec : sx.stx_mtime.tv_sec;
}
#endif

void files_before_a_sub_folder(TempTree& tree, std::string_view relative, int files) {
  const std::string folder(relative);
  for (int i = 0; i < files; ++i) tree.file(folder + "/f" + std::to_string(i), 1, 0);
  tree.file(folder + "/sub/inner", 1, 0);
}

std::int64_t utc_seconds(int year, int month, int day, int hour, int minute, int second) {
  using namespace std::chrono;
  const sys_days date = std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)} /
                        std::chrono::day{static_cast<unsigned>(day)};
  return date.time_since_epoch().count() * 86400LL + hour * 3600LL + minute * 60LL + second;
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void write_file(const fs::path& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

}  // namespace korvint::test
