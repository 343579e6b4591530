#pragma once
// Where the running program lies.

#include <string>

namespace korvint::platform {

/// The folder that holds the program's executable, without a trailing separator.
std::string program_folder();

/// The separator between folder levels: "\\" on Windows, "/" on POSIX.
char path_separator();

}  // namespace korvint::platform
