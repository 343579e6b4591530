#pragma once
// Wall-clock time as the catalogue and the scan job use it.

#include <cstdint>

namespace korvint::platform {

/// Seconds to add to a UTC time to get local time, as in force right now.
std::int64_t current_utc_offset_seconds();

/// The current time in seconds since 1970-01-01 UTC.
std::int64_t now_utc_seconds();

}  // namespace korvint::platform
