// Catalogue times on Windows: file times become the seconds and calendar
// fields Windows itself shows for them, in UTC and in local time.

#include <gtest/gtest.h>
#include <windows.h>

#include <ctime>
#include <vector>

#include "catalogue/calendar_time.h"
#include "platform/clock.h"
#include "platform/win32/win32_time.h"

namespace korvint::platform {
namespace {

using catalogue::CalendarTime;

FILETIME file_time(std::uint64_t ticks) {
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

CalendarTime calendar_of(const SYSTEMTIME& time) {
  return CalendarTime{time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

std::int64_t seconds_of(const FILETIME& time) {
  return win32::file_time_to_unix_seconds(time.dwHighDateTime, time.dwLowDateTime);
}

// Stamps around the edges: 1601, just before and at 1970, a fraction of a
// second before midnight, a leap day, past 2038, and now.
std::vector<FILETIME> stamps() {
  constexpr std::uint64_t kSecond = 10000000;
  constexpr std::uint64_t kEpoch = win32::kUnixEpochTicks;
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return {file_time(0),
          file_time(kEpoch - 1),
          file_time(kEpoch),
          file_time(kEpoch + 1259711999ULL * kSecond + kSecond - 1),  // 2009-12-01 23:59:59.9999999
          file_time(kEpoch + 951782400ULL * kSecond + 12345),         // 2000-02-29 00:00:00
          file_time(kEpoch + 4102444800ULL * kSecond + 5 * kSecond),  // 2100-01-01 00:00:05
          now};
}

TEST(Win32Time, FileTimesMatchWhatWindowsShowsInUtcAndLocalTime) {
  const std::int64_t offset = current_utc_offset_seconds();
  for (const FILETIME& stamp : stamps()) {
    const std::int64_t seconds = seconds_of(stamp);
    SYSTEMTIME utc{};
    ASSERT_TRUE(FileTimeToSystemTime(&stamp, &utc));
    EXPECT_EQ(catalogue::to_calendar(seconds, 0), calendar_of(utc)) << seconds;

    FILETIME local_stamp{};
    if (!FileTimeToLocalFileTime(&stamp, &local_stamp)) continue;  // shifted out of range
    SYSTEMTIME local{};
    if (!FileTimeToSystemTime(&local_stamp, &local)) continue;
    EXPECT_EQ(catalogue::to_calendar(seconds, offset), calendar_of(local)) << seconds;
  }
}

TEST(Win32Time, SecondsRoundDownAlsoBefore1970) {
  EXPECT_EQ(win32::file_time_to_unix_seconds(0, 0), -11644473600LL);
  const std::uint64_t before = win32::kUnixEpochTicks - 1;
  EXPECT_EQ(win32::file_time_to_unix_seconds(static_cast<std::uint32_t>(before >> 32),
                                             static_cast<std::uint32_t>(before)),
            -1);
}

TEST(Win32Time, NowAgreesWithTheCRuntime) {
  const std::int64_t before = static_cast<std::int64_t>(std::time(nullptr));
  const std::int64_t now = now_utc_seconds();
  const std::int64_t after = static_cast<std::int64_t>(std::time(nullptr));
  EXPECT_GE(now, before);
  EXPECT_LE(now, after);
}

}  // namespace
}  // namespace korvint::platform
