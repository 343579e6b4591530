// Wall-clock time from the system clock; the local offset is the one
// FileTimeToLocalFileTime applies now, so catalogue times match what Windows
// shows for file times.

#include <windows.h>

#include "platform/clock.h"
#include "platform/win32/win32_time.h"

namespace korvint::platform {
namespace {

std::int64_t ticks_of(const FILETIME& time) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                   time.dwLowDateTime);
}

}  // namespace

std::int64_t current_utc_offset_seconds() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  FILETIME local{};
  if (!FileTimeToLocalFileTime(&now, &local)) return 0;
  const std::int64_t ticks = ticks_of(local) - ticks_of(now);
  // The difference is a whole number of seconds (minutes, in practice); round
  // so a negative offset does not lose a second to truncation.
  return (ticks >= 0 ? ticks + 5000000 : ticks - 5000000) / 10000000;
}

std::int64_t now_utc_seconds() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return win32::file_time_to_unix_seconds(now.dwHighDateTime, now.dwLowDateTime);
}

}  // namespace korvint::platform
