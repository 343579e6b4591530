#include "platform/desktop_files.h"

#include <sys/stat.h>

#include <ctime>
#include <string>

#include "platform/shell_integration.h"

namespace korvint::platform {

Status show_in_file_manager(std::string_view path) {
  std::string folder(path);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const auto cut = folder.rfind('/');
  folder = cut == std::string::npos ? "." : (cut == 0 ? "/" : folder.substr(0, cut));
  // xdg-open hands the folder to the desktop's file manager.
  return start_program("xdg-open", {folder});
}

std::optional<std::int64_t> local_write_time(std::string_view path) {
  struct stat facts {};
  if (::stat(std::string(path).c_str(), &facts) != 0) return std::nullopt;
  const time_t seconds = facts.st_mtime;
  struct tm local {};
  if (::localtime_r(&seconds, &local) == nullptr) return std::nullopt;
  return static_cast<std::int64_t>(seconds) + local.tm_gmtoff;
}

}  // namespace korvint::platform
