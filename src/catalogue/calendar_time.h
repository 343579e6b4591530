#pragma once
// The time stamp of a catalogue line: calendar fields of a local time, written
// " Y.M.D" TAB "H:M.S" and read back the same, within the span a Windows
// SYSTEMTIME holds (and so the span the list format's readers know).

#include <cstdint>
#include <string>

namespace korvint::catalogue {

/// Calendar fields of one local time stamp.
struct CalendarTime {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  friend bool operator==(const CalendarTime&, const CalendarTime&) = default;

  /// The time as one number that orders like the time itself (41 bits).
  [[nodiscard]] std::uint64_t packed() const;
  /// The time whose packed() is `packed`.
  static CalendarTime unpack(std::uint64_t packed);
};

/// The earliest and latest time a catalogue line holds: 1601-01-01 00:00:00
/// and 30827-12-31 23:59:59.
inline constexpr CalendarTime kEarliestTime{1601, 1, 1, 0, 0, 0};
inline constexpr CalendarTime kLatestTime{30827, 12, 31, 23, 59, 59};

/// True when `year`-`month`-`day` exists on the (proleptic Gregorian) calendar.
bool is_calendar_date(int year, int month, int day);
/// The number of days of `month` in `year`.
int days_in_month(int year, int month);

/// True when `time` exists on the calendar and lies within kEarliestTime..kLatestTime.
bool is_catalogue_time(const CalendarTime& time);

/// Splits `utc_seconds` shifted by `utc_offset_seconds` into calendar fields,
/// clamped to kEarliestTime..kLatestTime.
CalendarTime to_calendar(std::int64_t utc_seconds, std::int64_t utc_offset_seconds);

/// The packed value of the earliest and latest instants of a calendar day.
std::uint64_t day_start(int year, int month, int day);
std::uint64_t day_end(int year, int month, int day);

/// Appends "YYYY-MM-DD HH:MM:SS" (a year past 9999 with its five digits).
void append_time_text(std::string& out, const CalendarTime& time);

}  // namespace korvint::catalogue
