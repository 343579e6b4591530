#include <unistd.h>

#include <string>
#include <vector>

#include "platform/program_folder.h"

namespace korvint::platform {

std::string program_folder() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t got = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (got < 0) return ".";
    if (static_cast<std::size_t>(got) < buffer.size()) {
      std::string path(buffer.data(), static_cast<std::size_t>(got));
      const auto slash = path.rfind('/');
      if (slash == std::string::npos) return ".";
      return path.substr(0, slash);  // "" for a program in "/"
    }
    buffer.resize(buffer.size() * 2);
  }
}

char path_separator() { return '/'; }

}  // namespace korvint::platform
