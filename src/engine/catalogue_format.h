#pragma once
// The bytes of catalogue lines: header, folder and file lines, TAB-separated,
// each ended by CR LF, with dates " Y.M.D" and times "H:M.S".

#include <cstdint>
#include <string>
#include <string_view>

namespace korvint::engine {

/// Calendar fields of one local time stamp.
struct CalendarTime {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  friend bool operator==(const CalendarTime&, const CalendarTime&) = default;
};

/// Splits `utc_seconds` shifted by `utc_offset_seconds` into calendar fields.
/// Times outside the years 1601..30827 (what Windows can show) are clamped to them.
CalendarTime to_calendar(std::int64_t utc_seconds, std::int64_t utc_offset_seconds);

/// Appends the header line: `root` and CR LF.
void append_header_line(std::string& out, std::string_view root);

/// Appends a file line: name TAB size TAB date TAB time CR LF.
void append_file_line(std::string& out, std::string_view name, std::uint64_t size,
                      const CalendarTime& written);

/// Appends a folder line: relative path TAB "0" TAB date TAB time CR LF. Each
/// level of `relative_path` is a name as append_name writes it, followed by "\".
void append_folder_line(std::string& out, std::string_view relative_path,
                        const CalendarTime& created);

/// Appends one name, a file's or one folder level's, with TAB, CR, LF and "\"
/// written as "?": a name can neither break the line structure nor pass for a
/// folder mark (POSIX names may hold a "\").
void append_name(std::string& out, std::string_view name);

}  // namespace korvint::engine
