#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>

#include "platform/cache_folder.h"

namespace korvint::platform {

std::string index_cache_folder() {
  const char* cache_home = std::getenv("XDG_CACHE_HOME");
  if (cache_home != nullptr && cache_home[0] == '/') return std::string(cache_home) + "/korvint/index";
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') return {};
  return std::string(home) + "/.cache/korvint/index";
}

std::vector<std::string> file_names_in(std::string_view folder) {
  std::vector<std::string> names;
  const std::string path(folder);
  DIR* dir = ::opendir(path.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    struct stat info {};
    if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode))
      names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

}  // namespace korvint::platform
