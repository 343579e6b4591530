// The line format both ways: any name, size, time stamp and offset give one
// line ending in CR LF that the search's reader reads back to the same values,
// the bytes a name cannot be written with read as "?".

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "catalogue/format_lines.h"
#include "catalogue/parse_lines.h"

using namespace korvint::catalogue;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 24) return 0;
  std::uint64_t file_size;
  std::int64_t stamp;
  std::int64_t offset;
  std::memcpy(&file_size, data, 8);
  std::memcpy(&stamp, data + 8, 8);
  std::memcpy(&offset, data + 16, 8);
  offset %= 14 * 3600 + 1;  // real offsets lie within +-14 hours
  const std::string name(reinterpret_cast<const char*>(data + 24), size - 24);
  const CalendarTime time = to_calendar(stamp, offset);
  if (!is_catalogue_time(time)) std::abort();

  std::string line;
  append_file_line(line, name, file_size, time);
  if (line.size() < 2 || line.find_first_of("\r\n") != line.size() - 2) std::abort();
  const auto entry = parse_entry_line(std::string_view(line).substr(0, line.size() - 2));
  // No listing gives an entry these names; every other name reads back.
  const bool readable = !name.empty() && name != "." && name != ".." && line.size() - 2 <= kMaxLineBytes;
  if (entry.has_value() != readable) std::abort();
  if (!entry) return 0;
  std::string expected = name;
  for (char& c : expected)
    if (c == '\t' || c == '\r' || c == '\n' || c == '\\' || c == '/' || c == '\0') c = '?';
  if (entry->is_folder || entry->name != expected || entry->size != file_size || !(entry->time == time)) std::abort();
  return 0;
}
