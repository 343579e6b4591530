#pragma once
// The scan's start time as the hidden box holds it: local date and time with
// whole seconds, "YYYY-MM-DD HH:MM:SS".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvint::jobs {

/// Local date-time text of `local_seconds` (seconds since 1970 in local time).
std::string local_time_text(std::int64_t local_seconds);

/// Reads such a text back to local seconds; nullopt when it is not one.
std::optional<std::int64_t> parse_local_time_text(std::string_view text);

}  // namespace korvint::jobs
