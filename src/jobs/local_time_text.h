#pragma once
// The scan's start time as the hidden box shows it: local date and time with
// whole seconds, "YYYY-MM-DD HH:MM:SS". Nothing reads it back.

#include <cstdint>
#include <string>

namespace korvint::jobs {

/// Local date-time text of `local_seconds` (seconds since 1970 in local time).
std::string local_time_text(std::int64_t local_seconds);

}  // namespace korvint::jobs
