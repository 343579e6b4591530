#pragma once
// Windows file times (100 ns ticks since 1601-01-01 UTC) as the catalogue's
// seconds since 1970-01-01 UTC.

#include <cstdint>

namespace korvint::platform::win32 {

/// Ticks of 100 ns from 1601-01-01 to 1970-01-01.
inline constexpr std::int64_t kUnixEpochTicks = 116444736000000000LL;

/// Seconds since 1970 UTC of the file time `high`:`low`, rounded down (also before 1970).
constexpr std::int64_t file_time_to_unix_seconds(std::uint32_t high, std::uint32_t low) {
  const std::int64_t ticks =
      static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low) - kUnixEpochTicks;
  const std::int64_t seconds = ticks / 10000000LL;
  return (ticks % 10000000LL < 0) ? seconds - 1 : seconds;
}

}  // namespace korvint::platform::win32
