#pragma once
// Reading catalogue lines back: a folder or file entry with its size and local
// time stamp, or the header with the root. Lines are parsed from their end:
// the three short fields have a fixed shape, so a name may hold anything but
// the bytes the writer escapes (format_lines.h).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "catalogue/calendar_time.h"

namespace korvint::catalogue {

/// The longest line Korvint writes: a relative path of 32,767 UTF-16 units, 3
/// bytes each in UTF-8, and the fields after it. Longer lines are not read.
inline constexpr std::size_t kMaxLineBytes = 3 * 32767 + 64;

/// A folder or file line split into its fields.
struct EntryLine {
  std::string_view path;  ///< field 1: a file's name, or a folder's relative path ending in "\"
  std::string_view name;  ///< the entry's own name: the file name, or the folder's last level
  std::uint64_t size = 0;
  CalendarTime time;
  bool is_folder = false;
  bool ascii = true;  ///< no byte of `path` is >= 0x80
};

/// Parses one folder or file line given without its CR LF: four TAB-separated
/// fields, a decimal size, a date " Y.M.D" and a time "H:M.S" that exist on the
/// calendar within kEarliestTime..kLatestTime. nullopt for anything else (a
/// NUL, CR or "/" in the path, too long, ...), and for a path that leaves the
/// root: a folder path with an empty, "." or ".." level, a file named "." or "..".
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
/// empty, ending in "\" or "/", without TAB, CR or NUL, not too long.
bool is_root_line(std::string_view header);

/// The byte-order mark some tools put before UTF-8 text; a catalogue's first
/// line may begin with it.
inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

/// The root that a catalogue's first line names: `first_line` is that line
/// without its LF, which may begin with kUtf8Mark and end with a CR; nullopt
/// when it names none (is_root_line()).
std::optional<std::string_view> root_of_first_line(std::string_view first_line);

}  // namespace korvint::catalogue
