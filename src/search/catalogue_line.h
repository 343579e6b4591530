#pragma once
// One line of a catalogue read back: a folder or file entry with its size and
// local time stamp, or the header with the root.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvint::search {

/// The longest line Korvint writes: a relative path of 32,767 UTF-16 units, 3
/// bytes each in UTF-8, and the fields after it. Longer lines are not read.
inline constexpr std::size_t kMaxLineBytes = 3 * 32767 + 64;

/// A calendar time as the catalogue holds it (local time of the scan).
struct EntryTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;

  /// The time as one number that orders like the time itself (41 bits).
  [[nodiscard]] std::uint64_t packed() const;
  /// The time whose packed() is `packed`.
  static EntryTime unpack(std::uint64_t packed);
};

/// The packed value of the earliest and latest instants of a calendar day.
std::uint64_t day_start(int year, int month, int day);
std::uint64_t day_end(int year, int month, int day);

/// A folder or file line split into its fields.
struct EntryLine {
  std::string_view path;  ///< field 1: a file's name, or a folder's relative path ending in "\"
  std::string_view name;  ///< the entry's own name: the file name, or the folder's last level
  std::uint64_t size = 0;
  EntryTime time;
  bool is_folder = false;
  bool ascii = true;  ///< no byte of `path` is >= 0x80
};

/// Parses one folder or file line given without its CR LF: four TAB-separated
/// fields, a decimal size, a date " Y.M.D" and a time "H:M.S" that exist on the
/// calendar. nullopt for anything else (a NUL, CR or "/" in the path, too
/// long, ...), and for a path that leaves the root: a folder path with an
/// empty, "." or ".." level, a file named "." or "..".
std::optional<EntryLine> parse_entry_line(std::string_view line);

/// The two steps of parse_entry_line(), for a search that can pass over a line
/// by its size, date or type alone: parse_entry_fields() reads the fields after
/// the path (size, time, whether it is a folder) and points `path` at the text
/// before them; finish_entry_line() checks that text and sets `name` and `ascii`.
/// Each is false for a line that parse_entry_line() refuses.
bool parse_entry_fields(std::string_view line, EntryLine& entry);
bool finish_entry_line(EntryLine& entry);

/// The relative folder path a line sets for the lines after it: its first field
/// when that ends in "\", holds no NUL, CR or "/" and stays below the root (see
/// parse_entry_line()). A folder line whose other fields are damaged still
/// names the folder of the files below it.
std::optional<std::string_view> folder_path_of_line(std::string_view line);

/// True when `header` (the first line without its line end) names a root: not
/// empty, ending in "\" or "/", without TAB or NUL, not too long.
bool is_root_line(std::string_view header);

/// Appends "YYYY-MM-DD HH:MM:SS".
void append_time_text(std::string& out, const EntryTime& time);

}  // namespace korvint::search
