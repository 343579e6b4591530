// The naming rule: any path gives a name ending in ".lst" that holds no separator.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "jobs/naming_rule.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view path(reinterpret_cast<const char*>(data), size);
  const std::string windows = korvint::jobs::derive_name_windows(path);
  const std::string posix = korvint::jobs::derive_name_posix(path);
  auto ends_in_lst = [](const std::string& name) {
    return name.size() >= 4 && name.compare(name.size() - 4, 4, ".lst") == 0;
  };
  if (!ends_in_lst(windows) || !ends_in_lst(posix)) std::abort();
  // Only a short path that begins with "\\" puts one into the name.
  if (windows.find('\\') != std::string::npos && windows != "\\-disk.lst") std::abort();
  if (posix.find('/') != std::string::npos) std::abort();
  return 0;
}
