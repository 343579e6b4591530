// The drives on POSIX: the mount points of real file systems.

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/drives.h"

namespace korvint::platform {
namespace {

// File systems that hold no user files: kernel interfaces and memory-backed mounts.
constexpr std::array<std::string_view, 24> kPseudo{
    "proc",      "sysfs",    "cgroup",     "cgroup2",   "devpts",     "devtmpfs",
    "securityfs", "pstore",  "bpf",        "tracefs",   "debugfs",    "mqueue",
    "hugetlbfs", "configfs", "fusectl",    "binfmt_misc", "autofs",   "efivarfs",
    "rpc_pipefs", "nsfs",    "tmpfs",      "ramfs",     "fuse.gvfsd-fuse", "fuse.portal"};

// /proc/self/mounts writes space, tab, newline and backslash as octal escapes.
std::string unescape(const std::string& field) {
  std::string text;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const std::string digits = field.substr(i + 1, 3);
      if (digits.size() == 3 && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
        text += static_cast<char>(std::stoi(digits, nullptr, 8));
        i += 3;
        continue;
      }
    }
    text += field[i];
  }
  return text;
}

}  // namespace

std::vector<Drive> drives() {
  std::vector<std::string> entries;
  std::ifstream mounts("/proc/self/mounts");
  std::string line;
  while (std::getline(mounts, line)) {
    std::istringstream fields(line);
    std::string device, mount_point, type;
    if (!(fields >> device >> mount_point >> type)) continue;
    if (std::find(kPseudo.begin(), kPseudo.end(), type) != kPseudo.end()) continue;
    std::string point = unescape(mount_point);
    if (std::find(entries.begin(), entries.end(), point) == entries.end()) entries.push_back(point);
  }
  std::stable_partition(entries.begin(), entries.end(), [](const std::string& p) { return p == "/"; });
  std::vector<Drive> found;
  for (std::string& point : entries) found.push_back(Drive{std::move(point), ""});
  return found;
}

}  // namespace korvint::platform
