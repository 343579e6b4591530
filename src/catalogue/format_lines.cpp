#include "catalogue/format_lines.h"

#include <algorithm>
#include <charconv>

namespace korvint::catalogue {
namespace {

template <typename Int>
void append_number(std::string& out, Int value) {
  char digits[24];
  auto result = std::to_chars(std::begin(digits), std::end(digits), value);
  out.append(digits, result.ptr);
}

// Appends the three numbers of a date or a time with their separators.
void append_three(std::string& out, int first, char separator, int second, char last_separator, int third) {
  append_number(out, first);
  out += separator;
  append_number(out, second);
  out += last_separator;
  append_number(out, third);
}

void append_date_time(std::string& out, const CalendarTime& t) {
  out += ' ';
  append_three(out, t.year, '.', t.month, '.', t.day);
  out += '\t';
  append_three(out, t.hour, ':', t.minute, '.', t.second);
  out += "\r\n";
}

// Appends a path whose "\" (and in a root "/") are level marks, with TAB, CR,
// LF and NUL written as "?".
void append_field(std::string& out, std::string_view path) {
  const std::size_t start = out.size();
  out.append(path);
  std::replace_if(
      out.begin() + static_cast<std::ptrdiff_t>(start), out.end(),
      [](char c) { return c == '\t' || c == '\r' || c == '\n' || c == '\0'; }, kEscapedByte);
}

}  // namespace

void append_name(std::string& out, std::string_view name) {
  const std::size_t start = out.size();
  out.append(name);
  std::replace_if(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), is_escaped_in_names, kEscapedByte);
}

void append_header_line(std::string& out, std::string_view root) {
  append_field(out, root);
  out += "\r\n";
}

void append_file_line(std::string& out, std::string_view name, std::uint64_t size, const CalendarTime& written) {
  append_name(out, name);
  out += '\t';
  append_number(out, size);
  out += '\t';
  append_date_time(out, written);
}

void append_folder_line(std::string& out, std::string_view relative_path, const CalendarTime& created) {
  append_field(out, relative_path);
  out += "\t0\t";
  append_date_time(out, created);
}

}  // namespace korvint::catalogue
