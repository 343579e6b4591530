#pragma once
// Where Vesko keeps what it can always make again (the search indexes): the
// user's cache folder, never beside the catalogues, whose folder may be
// shared or read-only.

#include <string>
#include <string_view>
#include <vector>

namespace korvint::platform {

/// The folder of the search indexes: "$XDG_CACHE_HOME/korvint/index" (an
/// absolute XDG_CACHE_HOME), else "$HOME/.cache/korvint/index"; on Windows
/// "%LOCALAPPDATA%\Korvint\index". Not created. "" when none can be named.
std::string index_cache_folder();

/// The names of the files (not folders) in `folder`; empty when it cannot be read.
std::vector<std::string> file_names_in(std::string_view folder);

}  // namespace korvint::platform
