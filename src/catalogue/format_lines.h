#pragma once
// Writing catalogue lines: the header with the root, then folder and file
// lines, TAB-separated, each ended by CR LF, with dates " Y.M.D" and times
// "H:M.S". Every line written here reads back through parse_lines.h to the
// same values, a name's escaped bytes as "?".

#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/calendar_time.h"

namespace korvint::catalogue {

/// Appends the header line: `root` (TAB, CR, LF and NUL written as "?") and CR LF.
void append_header_line(std::string& out, std::string_view root);

/// Appends a file line: name (see append_name) TAB size TAB date TAB time CR LF.
void append_file_line(std::string& out, std::string_view name, std::uint64_t size, const CalendarTime& written);

/// Appends a folder line: relative path TAB "0" TAB date TAB time CR LF. Each
/// level of `relative_path` is a name as append_name writes it, followed by "\".
void append_folder_line(std::string& out, std::string_view relative_path, const CalendarTime& created);

/// True for a byte a name is never written with: TAB, CR and LF would break
/// the line, "\" would pass for a folder mark (POSIX names may hold one), and
/// NUL and "/" (which no file system's names hold) would make the reader
/// refuse the line.
inline bool is_escaped_in_names(char c) {
  return c == '\t' || c == '\r' || c == '\n' || c == '\\' || c == '\0' || c == '/';
}

/// The byte written in place of an escaped one.
inline constexpr char kEscapedByte = '?';

/// Appends one name, a file's or one folder level's, each escaped byte written as "?".
void append_name(std::string& out, std::string_view name);

}  // namespace korvint::catalogue
