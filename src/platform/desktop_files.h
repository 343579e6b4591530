#pragma once
// A file as the desktop shows it: opened in the file manager, its date.

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/status.h"

namespace korvint::platform {

/// Shows the file or folder `path` in the desktop's file manager without
/// waiting for it. Windows: Explorer, with `path` selected in its folder.
/// Elsewhere: the folder that holds `path`, opened with xdg-open.
Status show_in_file_manager(std::string_view path);

/// The last-write time of the file at `path` in local time, in seconds since
/// 1970-01-01 (as a local clock shows them); nullopt when it cannot be read.
std::optional<std::int64_t> local_write_time(std::string_view path);

}  // namespace korvint::platform
