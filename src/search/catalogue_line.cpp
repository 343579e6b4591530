#include "search/catalogue_line.h"

#include <charconv>
#include <chrono>
#include <cstring>

namespace korvint::search {
namespace {

// Reads decimal digits at `p` (up to `end`) into `value`; false when there are
// none or more than `max_digits`.
template <typename Int>
bool read_number(const char*& p, const char* end, int max_digits, Int& value) {
  const char* start = p;
  value = 0;
  while (p != end && *p >= '0' && *p <= '9') {
    if (p - start == max_digits) return false;
    value = static_cast<Int>(value * 10 + static_cast<Int>(*p - '0'));
    ++p;
  }
  return p != start;
}

bool expect(const char*& p, const char* end, char c) {
  if (p == end || *p != c) return false;
  ++p;
  return true;
}

bool is_calendar_date(int year, int month, int day) {
  using namespace std::chrono;
  return year_month_day{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                        std::chrono::day{static_cast<unsigned>(day)}}
      .ok();
}

}  // namespace

std::uint64_t EntryTime::packed() const {
  std::uint64_t v = static_cast<std::uint64_t>(year);
  v = v * 16 + static_cast<std::uint64_t>(month);
  v = v * 32 + static_cast<std::uint64_t>(day);
  v = v * 32 + static_cast<std::uint64_t>(hour);
  v = v * 64 + static_cast<std::uint64_t>(minute);
  return v * 64 + static_cast<std::uint64_t>(second);
}

EntryTime EntryTime::unpack(std::uint64_t v) {
  EntryTime t;
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

std::uint64_t day_start(int year, int month, int day) {
  return EntryTime{year, month, day, 0, 0, 0}.packed();
}

std::uint64_t day_end(int year, int month, int day) {
  return EntryTime{year, month, day, 23, 59, 59}.packed();
}

std::optional<EntryLine> parse_entry_line(std::string_view line) {
  if (line.size() > kMaxLineBytes) return std::nullopt;
  const char* p = line.data();
  const char* const end = p + line.size();
  const char* tab = static_cast<const char*>(std::memchr(p, '\t', line.size()));
  if (tab == nullptr || tab == p) return std::nullopt;
  EntryLine entry;
  entry.path = std::string_view(p, static_cast<std::size_t>(tab - p));
  unsigned char high = 0;
  for (const char c : entry.path) {
    if (c == '\0' || c == '\r') return std::nullopt;
    high |= static_cast<unsigned char>(c);
  }
  entry.ascii = high < 0x80;
  p = tab + 1;
  const char* size_end = static_cast<const char*>(std::memchr(p, '\t', static_cast<std::size_t>(end - p)));
  if (size_end == nullptr) return std::nullopt;
  const auto size = std::from_chars(p, size_end, entry.size);
  if (size.ec != std::errc() || size.ptr != size_end ) return std::nullopt;
  p = size_end + 1;
  EntryTime& t = entry.time;
  if (!expect(p, end, ' ') || !read_number(p, end, 5, t.year) || !expect(p, end, '.') ||
      !read_number(p, end, 2, t.month) || !expect(p, end, '.') || !read_number(p, end, 2, t.day) ||
      !expect(p, end, '\t') || !read_number(p, end, 2, t.hour) || !expect(p, end, ':') ||
      !read_number(p, end, 2, t.minute) || !expect(p, end, '.') ||
      !read_number(p, end, 2, t.second) || p != end)
    return std::nullopt;
  if (t.year < 1 || t.year > 30827 || t.hour > 23 || t.minute > 59 || t.second > 59 ||
      !is_calendar_date(t.year, t.month, t.day))
    return std::nullopt;
  entry.is_folder = entry.path.back() == '\\';
  if (entry.is_folder) {
    if (entry.path.size() == 1) return std::nullopt;  // a folder line names a folder
    const std::string_view levels = entry.path.substr(0, entry.path.size() - 1);
    const auto cut = levels.rfind('\\');
    entry.name = cut == std::string_view::npos ? levels : levels.substr(cut + 1);
    if (entry.name.empty()) return std::nullopt;
  } else {
    entry.name = entry.path;
  }
  return entry;
}

std::optional<std::string_view> folder_path_of_line(std::string_view line) {
  if (line.size() > kMaxLineBytes) return std::nullopt;
  const auto tab = line.find('\t');
  if (tab == std::string_view::npos || tab < 2 || line[tab - 1] != '\\') return std::nullopt;
  const std::string_view path = line.substr(0, tab);
  if (path.find('\0') != std::string_view::npos || path.find('\r') != std::string_view::npos)
    return std::nullopt;
  return path;
}

bool is_root_line(std::string_view header) {
  if (header.empty() || header.size() > kMaxLineBytes) return false;
  if (header.back() != '\\' && header.back() != '/') return false;
  return header.find('\t') == std::string_view::npos && header.find('\0') == std::string_view::npos &&
         header.find('\r') == std::string_view::npos;
}

void append_time_text(std::string& out, const EntryTime& t) {
  char text[32];
  auto two = [](char* at, int value) {
    at[0] = static_cast<char>('0' + value / 10 % 10);
    at[1] = static_cast<char>('0' + value % 10);
  };
  int year = t.year;
  char* p = text;
  if (year > 9999) {
    const int high = year / 10000;
    *p++ = static_cast<char>('0' + high);
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

}  // namespace korvint::search
