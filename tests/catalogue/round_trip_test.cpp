// Every line the writer makes, the reader reads back to the same values: random
// names (any byte, any code point), sizes, times and folder depths, the bytes a
// name cannot be written with read back as "?".

#include <gtest/gtest.h>

#include <random>

#include "catalogue/format_lines.h"
#include "catalogue/parse_lines.h"

namespace korvint::catalogue {
namespace {

class Draw {
 public:
  explicit Draw(std::uint64_t seed) : rng_(seed) {}

  std::uint64_t below(std::uint64_t bound) { return std::uniform_int_distribution<std::uint64_t>(0, bound - 1)(rng_); }

  // A name a listing may give: never empty, "." or ".." (no folder lists
  // those as entries), otherwise any bytes: raw bytes, UTF-8 of any code
  // point, or text thick with the bytes that are escaped.
  std::string name() {
    for (;;) {
      std::string name;
      const std::uint64_t length = 1 + below(below(8) == 0 ? 200 : 24);
      const std::uint64_t kind = below(3);
      while (name.size() < length) {
        if (kind == 0) {
          name += static_cast<char>(below(256));
        } else if (kind == 1) {
          append_utf8(name, code_point());
        } else {
          static constexpr char kTricky[] = {'\t', '\r', '\n', '\\', '/', '\0', '.', ' ', '?', 'a', 'Z', '\xC3'};
          name += kTricky[below(sizeof kTricky)];
        }
      }
      if (name != "." && name != "..") return name;
    }
  }

  // A size from 0 to 2^63-1, spread over the orders of magnitude.
  std::uint64_t size() {
    const std::uint64_t bits = below(64);
    return bits == 0 ? 0 : (rng_() >> (64 - bits)) & ~(std::uint64_t{1} << 63);
  }

  // A time within the format's bounds, its edges now and then.
  CalendarTime time() {
    switch (below(8)) {
      case 0: return kEarliestTime;
      case 1: return kLatestTime;
      case 2: {
        // Through the writer's own conversion, from any instant and offset.
        const auto utc = static_cast<std::int64_t>(rng_());
        return to_calendar(below(2) == 0 ? utc : utc >> 28, static_cast<std::int64_t>(below(28 * 3600)) - 14 * 3600);
      }
      default: {
        CalendarTime t;
        t.year = kEarliestTime.year + static_cast<int>(below(kLatestTime.year - kEarliestTime.year + 1));
        t.month = 1 + static_cast<int>(below(12));
        t.day = 1 + static_cast<int>(below(static_cast<std::uint64_t>(days_in_month(t.year, t.month))));
        t.hour = static_cast<int>(below(24));
        t.minute = static_cast<int>(below(60));
        t.second = static_cast<int>(below(60));
        return t;
      }
    }
  }

 private:
  char32_t code_point() {
    for (;;) {
      const auto point = static_cast<char32_t>(below(below(2) == 0 ? 0x800 : 0x110000));
      if (point < 0xD800 || point > 0xDFFF) return point;
    }
  }

  static void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }

  std::mt19937_64 rng_;
};

// `name` as a reader sees it: the bytes no name is written with read as "?".
std::string as_read(const std::string& name) {
  std::string read = name;
  for (char& c : read)
    if (c == '\t' || c == '\r' || c == '\n' || c == '\\' || c == '/' || c == '\0') c = '?';
  return read;
}

// The line without its CR LF, which must end it and occur nowhere else.
std::string_view body(const std::string& line) {
  EXPECT_EQ(line.find_first_of("\r\n"), line.size() - 2) << line;
  return std::string_view(line).substr(0, line.size() - 2);
}

TEST(RoundTripTest, WrittenLinesReadBackToTheirValues) {
  for (std::uint64_t seed = 1; seed <= 4000; ++seed) {
    Draw draw(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));

    // A folder some levels deep, and a file in it.
    std::string written_path;
    std::string expected_path;
    std::string last_level;
    const std::uint64_t depth = 1 + draw.below(8);
    for (std::uint64_t level = 0; level < depth; ++level) {
      last_level = draw.name();
      append_name(written_path, last_level);
      written_path += '\\';
      expected_path += as_read(last_level) + "\\";
    }
    EXPECT_EQ(written_path, expected_path);
    const CalendarTime created = draw.time();
    std::string folder_line;
    append_folder_line(folder_line, written_path, created);
    const auto folder = parse_entry_line(body(folder_line));
    ASSERT_TRUE(folder) << folder_line;
    EXPECT_TRUE(folder->is_folder);
    EXPECT_EQ(folder->path, expected_path);
    EXPECT_EQ(folder->name, as_read(last_level));
    EXPECT_EQ(folder->size, 0u);
    EXPECT_EQ(folder->time, created);
    EXPECT_EQ(folder_path_of_line(body(folder_line)), expected_path);

    const std::string name = draw.name();
    const std::uint64_t size = draw.size();
    const CalendarTime written = draw.time();
    std::string file_line;
    append_file_line(file_line, name, size, written);
    const auto file = parse_entry_line(body(file_line));
    ASSERT_TRUE(file) << file_line;
    EXPECT_FALSE(file->is_folder);
    EXPECT_EQ(file->name, as_read(name));
    EXPECT_EQ(file->size, size);
    EXPECT_EQ(file->time, written);
    EXPECT_EQ(file->time.packed(), written.packed());
    EXPECT_EQ(CalendarTime::unpack(written.packed()), written);
    EXPECT_FALSE(folder_path_of_line(body(file_line)));  // a file line sets no folder
  }
}

TEST(RoundTripTest, TheHeaderReadsBackToTheRoot) {
  for (std::uint64_t seed = 1; seed <= 1000; ++seed) {
    Draw draw(seed);
    std::string root = "/" + draw.name() + (draw.below(2) == 0 ? "\\" : "/");
    std::string header;
    append_header_line(header, root);
    for (char& c : root)
      if (c == '\t' || c == '\r' || c == '\n' || c == '\0') c = '?';
    EXPECT_EQ(root_of_first_line(body(header)), root) << "seed " << seed;
  }
}

}  // namespace
}  // namespace korvint::catalogue
