#pragma once
// Where the running program lies.

#include <string>

namespace korvint::platform {

/// The folder that holds the program's executable, without a trailing separator.
std::string program_folder();

/// The separator between folder levels: "\\" on Windows, "/" on POSIX.
char path_separator();

/// `path` ending in the separator: one is appended unless it is the last
/// character already, so "" becomes the separator alone.
inline std::string with_trailing_separator(std::string path) {
  if (path.empty() || path.back() != path_separator()) path += path_separator();
  return path;
}

}  // namespace korvint::platform
