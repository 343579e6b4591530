#include "jobs/naming_rule.h"

namespace korvint::jobs {
namespace {

std::string last_part(std::string_view path, char separator) {
  if (!path.empty() && path.back() == separator) path.remove_suffix(1);
  const auto cut = path.rfind(separator);
  std::string name(cut == std::string_view::npos ? path : path.substr(cut + 1));
  return name + ".lst";
}

}  // namespace

std::string derive_name_windows(std::string_view path) {
  if (path.size() <= 3) return std::string(path.substr(0, 1)) + "-disk.lst";
  return last_part(path, '\\');
}

std::string derive_name_posix(std::string_view path) {
  if (path == "/") return "root-disk.lst";
  return last_part(path, '/');
}

std::string derive_catalogue_name(std::string_view path) {
#ifdef _WIN32
  return derive_name_windows(path);
#else
  return derive_name_posix(path);
#endif
}

}  // namespace korvint::jobs
