#include <sys/stat.h>

#include <string>

#include "platform/root_presence.h"

namespace korvint::platform {

RootPresence root_presence(std::string_view root) {
  // A root of another system ("D:\") would name a file of the current folder here.
  if (root.empty() || root.front() != '/') return RootPresence::Absent;
  struct stat facts {};
  if (::stat(std::string(root).c_str(), &facts) != 0) return RootPresence::Absent;
  return S_ISDIR(facts.st_mode) ? RootPresence::Folder : RootPresence::Absent;
}

}  // namespace korvint::platform
