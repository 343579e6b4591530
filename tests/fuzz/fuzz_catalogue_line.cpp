// The line formatter: any name, size and time stamp give exactly one line of
// four fields ending in CR LF, with a date and time in range.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/catalogue_format.h"

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
  const korvint::engine::CalendarTime t = korvint::engine::to_calendar(stamp, offset);
  if (t.year < 1601 || t.year > 30827 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 ||
      t.hour > 23 || t.minute > 59 || t.second > 59)
    std::abort();
  std::string line;
  korvint::engine::append_file_line(line, name, file_size, t);
  if (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0) std::abort();
  std::size_t tabs = 0;
  for (std::size_t i = 0; i + 2 < line.size(); ++i) {
    // A "\" would make readers take the name for a folder path.
    if (line[i] == '\r' || line[i] == '\n' || line[i] == '\\') std::abort();
    tabs += line[i] == '\t';
  }
  if (tabs != 3) std::abort();
  return 0;
}
