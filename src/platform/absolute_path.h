#pragma once
// A path the user typed, relative to the current folder, made absolute: a
// catalogue's header names its root for good, wherever it is read later.

#include <string>
#include <string_view>

namespace korvint::platform {

/// `path` when it is absolute, as typed. A relative one is joined to the
/// current folder: on POSIX the folder as the shell names it ($PWD when it
/// stands for the current folder, links not resolved) with "." levels and
/// doubled separators dropped; on Windows as GetFullPathNameW makes it.
/// `path` unchanged when the current folder cannot be told.
std::string absolute_path(std::string_view path);

}  // namespace korvint::platform
