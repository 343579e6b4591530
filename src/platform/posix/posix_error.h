#pragma once
// User-facing messages for failed POSIX calls.

#include <string>
#include <string_view>

#include "platform/status.h"

namespace korvint::platform::posix {

/// "<what> "<path>": <strerror(error_number)>".
Status errno_failure(std::string_view what, std::string_view path, int error_number);

}  // namespace korvint::platform::posix
