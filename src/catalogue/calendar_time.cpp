#include "catalogue/calendar_time.h"

#include <algorithm>
#include <chrono>

namespace korvint::catalogue {
namespace {

// kEarliestTime and kLatestTime as seconds since 1970 (UTC).
constexpr std::int64_t kEarliestSeconds = -11644473600LL;
constexpr std::int64_t kLatestSeconds = 910670515199LL;

}  // namespace

std::uint64_t CalendarTime::packed() const {
  std::uint64_t v = static_cast<std::uint64_t>(year);
  v = v * 16 + static_cast<std::uint64_t>(month);
  v = v * 32 + static_cast<std::uint64_t>(day);
  v = v * 32 + static_cast<std::uint64_t>(hour);
  v = v * 64 + static_cast<std::uint64_t>(minute);
  return v * 64 + static_cast<std::uint64_t>(second);
}

CalendarTime CalendarTime::unpack(std::uint64_t v) {
  CalendarTime t;
  t.second = static_cast<int>(v % 64);
  v /= 64;
  t.minute = static_cast<int>(v % 64);
  v /= 64;
  t.hour = static_cast<int>(v % 32);
  v /= 32;
  t.day = static_cast<int>(v % 32);
  v /= 32;
  t.month = static_cast<int>(v % 16);
  t.year = static_cast<int>(v / 16);
  return t;
}

int days_in_month(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

bool is_calendar_date(int year, int month, int day) {
  return month >= 1 && month <= 12 && day >= 1 && day <= days_in_month(year, month);
}

bool is_catalogue_time(const CalendarTime& t) {
  return t.year >= kEarliestTime.year && t.year <= kLatestTime.year && is_calendar_date(t.year, t.month, t.day) &&
         t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

CalendarTime to_calendar(std::int64_t utc_seconds, std::int64_t utc_offset_seconds) {
  using namespace std::chrono;
  std::int64_t local = std::clamp(utc_seconds, kEarliestSeconds, kLatestSeconds);
  local = std::clamp(local + utc_offset_seconds, kEarliestSeconds, kLatestSeconds);
  const sys_seconds instant{seconds{local}};
  const sys_days day = floor<days>(instant);
  const year_month_day date{day};
  const hh_mm_ss<seconds> time{instant - day};
  return CalendarTime{static_cast<int>(date.year()),
                      static_cast<int>(static_cast<unsigned>(date.month())),
                      static_cast<int>(static_cast<unsigned>(date.day())),
                      static_cast<int>(time.hours().count()),
                      static_cast<int>(time.minutes().count()),
                      static_cast<int>(time.seconds().count())};
}

std::uint64_t day_start(int year, int month, int day) { return CalendarTime{year, month, day, 0, 0, 0}.packed(); }

std::uint64_t day_end(int year, int month, int day) { return CalendarTime{year, month, day, 23, 59, 59}.packed(); }

void append_time_text(std::string& out, const CalendarTime& t) {
  char text[32];
  auto two = [](char* at, int value) {
    at[0] = static_cast<char>('0' + value / 10 % 10);
    at[1] = static_cast<char>('0' + value % 10);
  };
  int year = t.year;
  char* p = text;
  if (year > 9999) {
    *p++ = static_cast<char>('0' + year / 10000);
    year %= 10000;
  }
  two(p, year / 100);
  two(p + 2, year % 100);
  p[4] = '-';
  two(p + 5, t.month);
  p[7] = '-';
  two(p + 8, t.day);
  p[10] = ' ';
  two(p + 11, t.hour);
  p[13] = ':';
  two(p + 14, t.minute);
  p[16] = ':';
  two(p + 17, t.second);
  out.append(text, static_cast<std::size_t>(p + 19 - text));
}

}  // namespace korvint::catalogue
