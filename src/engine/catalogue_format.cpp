#include "engine/catalogue_format.h"

#include <algorithm>
#include <charconv>
#include <chrono>

namespace korvint::engine {
namespace {

// 1601-01-01 00:00:00 and 30827-12-31 23:59:59 UTC: the span a Windows
// SYSTEMTIME can hold, and so the span the list format's readers know.
constexpr std::int64_t kEarliest = -11644473600LL;
constexpr std::int64_t kLatest = 910670515199LL;

template <typename Int>
void append_number(std::string& out, Int value) {
  char digits[24];
  auto result = std::to_chars(std::begin(digits), std::end(digits), value);
  out.append(digits, result.ptr);
}

void append_date_time(std::string& out, const CalendarTime& t) {
  out += ' ';
  append_number(out, t.year);
  out += '.';
  append_number(out, t.month);
  out += '.';
  append_number(out, t.day);
  out += '\t';
  append_number(out, t.hour);
  out += ':';
  append_number(out, t.minute);
  out += '.';
  append_number(out, t.second);
  out += "\r\n";
}

// Appends a path whose "\" are level marks, with TAB, CR and LF written as "?".
void append_field(std::string& out, std::string_view path) {
  const std::size_t start = out.size();
  out.append(path);
  std::replace_if(
      out.begin() + static_cast<std::ptrdiff_t>(start), out.end(),
      [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, '?');
}

}  // namespace

CalendarTime to_calendar(std::int64_t utc_seconds, std::int64_t utc_offset_seconds) {
  using namespace std::chrono;
  std::int64_t local = std::clamp(utc_seconds, kEarliest, kLatest);
  local = std::clamp(local + utc_offset_seconds, kEarliest, kLatest);
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

void append_name(std::string& out, std::string_view name) {
  const std::size_t start = out.size();
  out.append(name);
  std::replace_if(
      out.begin() + static_cast<std::ptrdiff_t>(start), out.end(),
      [](char c) { return c == '\t' || c == '\r' || c == '\n' || c == '\\'; }, '?');
}

void append_header_line(std::string& out, std::string_view root) {
  append_field(out, root);
  out += "\r\n";
}

void append_file_line(std::string& out, std::string_view name, std::uint64_t size,
                      const CalendarTime& written) {
  append_name(out, name);
  out += '\t';
  append_number(out, size);
  out += '\t';
  append_date_time(out, written);
}

void append_folder_line(std::string& out, std::string_view relative_path,
                        const CalendarTime& created) {
  append_field(out, relative_path);
  out += "\t0\t";
  append_date_time(out, created);
}

}  // namespace korvint::engine
