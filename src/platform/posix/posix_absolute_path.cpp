#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/absolute_path.h"

namespace korvint::platform {
namespace {

// The current folder, links as the user went through them where $PWD still
// names it (as `pwd` shows it), else as the system resolves it.
std::string current_folder() {
  const char* shown = std::getenv("PWD");
  struct stat here {};
  struct stat there {};
  if (shown != nullptr && shown[0] == '/' && ::stat(".", &here) == 0 && ::stat(shown, &there) == 0 &&
      here.st_dev == there.st_dev && here.st_ino == there.st_ino)
    return shown;
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return std::string();
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

}  // namespace

std::string absolute_path(std::string_view path) {
  if (path.empty() || path.front() == '/') return std::string(path);
  std::string joined = current_folder();
  if (joined.empty()) return std::string(path);
  // Levels of "." and empty ones name the folder they stand in: dropped.
  // ".." is kept: through a link it leads elsewhere than the text suggests.
  std::size_t at = 0;
  while (at <= path.size()) {
    const std::size_t end = std::min(path.find('/', at), path.size());
    const std::string_view level = path.substr(at, end - at);
    if (!level.empty() && level != ".") {
      if (joined.back() != '/') joined += '/';
      joined.append(level);
    }
    at = end + 1;
  }
  if (path.back() == '/' && joined.back() != '/') joined += '/';
  return joined;
}

}  // namespace korvint::platform
