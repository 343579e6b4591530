#pragma once
// User-facing messages for failed Windows calls.

#include <string>
#include <string_view>

#include "platform/status.h"

namespace korvint::platform::win32 {

/// The system's text for the error code `code`, without the trailing line end
/// and full stop; "error N" when the system has none.
std::string error_text(unsigned long code);

/// "<what> "<path>": <error_text(code)>".
Status error_failure(std::string_view what, std::string_view path, unsigned long code);

}  // namespace korvint::platform::win32
