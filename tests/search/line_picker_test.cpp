// Reading only the lines an index names: each one found by counting line
// ends from the nearer end of its part, lines long and short, and a part
// whose lines are not as counted refused rather than misread.

#include <gtest/gtest.h>

#include "search/line_picker.h"
#include "search_fixture.h"

namespace korvint::search {
namespace {

// The lines [first, last) of `lines` as a part standing at `offset`, wanting `wanted`.
LinePart part_of(const std::vector<std::string>& lines, std::size_t first, std::size_t last, std::uint64_t& offset,
                 std::vector<std::uint32_t> wanted) {
  LinePart part;
  part.bytes.begin = offset;
  for (std::size_t i = first; i < last; ++i) offset += lines[i].size() + 2;
  part.bytes.end = offset;
  part.total = static_cast<std::uint32_t>(last - first);
  part.wanted = std::move(wanted);
  return part;
}

TEST(LinePickerTest, GivesExactlyTheWantedLinesOfEachPart) {
  // Names of 1 to 3,000 bytes: a guess of where a line ends is often short.
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < 300; ++i)
    lines.push_back("n" + std::to_string(i) + std::string(i % 7 == 3 ? 3000 : i * 37 % 90, 'x') + "\t1\t 2020.1.1\t0:0.0");
  const std::string header = "D:\\";
  const std::string text = test::catalogue_text(header, lines);
  const auto catalogue = test::make_catalogue("a", text);
  using Wanted = std::vector<std::uint32_t>;
  const struct {
    const char* name;
    Wanted first, second;  // of the parts [0, 120) and [120, 300)
  } cases[] = {
      {"first and last lines", {0, 119}, {0, 179}},
      {"one from the front, one from the back", {10}, {170}},
      {"the middle", {59, 60}, {89, 90}},
      {"neighbours across the middle", {58, 59, 60, 61, 62}, {1, 2, 3, 177, 178}},
      {"every line of a part", {}, {}},
      {"the long lines", {3, 10, 17, 115}, {3, 171, 178}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Wanted first = c.first;
    if (first.empty())
      for (std::uint32_t i = 0; i < 120; ++i) first.push_back(i);
    std::uint64_t offset = header.size() + 2;
    ChunkLines chunk;
    chunk.parts.push_back(part_of(lines, 0, 120, offset, first));
    chunk.parts.push_back(part_of(lines, 120, 300, offset, c.second));
    std::vector<std::string> expected;
    for (const std::uint32_t w : first) expected.push_back(lines[w]);
    for (const std::uint32_t w : c.second) expected.push_back(lines[120 + w]);

    std::vector<char> buffer;
    LinePicker picker(*catalogue, chunk, buffer);
    Block block;
    std::vector<std::size_t> starts;
    std::vector<std::string> picked;
    while (picker.next(block, starts)) {
      // Whole lines: what looks back for a folder line reads from the span's start.
      ASSERT_EQ(block.data[block.size - 1], '\n');
      ASSERT_EQ(text[block.offset - 1], '\n');
      ASSERT_EQ(std::string_view(block.data, block.size), std::string_view(text).substr(block.offset, block.size));
      for (const std::size_t at : starts) {
        const std::string_view rest(block.data + at, block.size - at);
        picked.emplace_back(rest.substr(0, rest.find("\r\n")));
      }
    }
    EXPECT_FALSE(picker.failed());
    EXPECT_EQ(picked, expected);
  }
}

// Where the reading meets a part's end before its count, or a part that
// does not end with a line end (the index's check of the catalogue's
// version is what makes the counts true; this is the last guard).
TEST(LinePickerTest, APartWhoseLinesRunOutIsRefused) {
  std::vector<std::string> lines;
  for (int i = 0; i < 100; ++i) lines.push_back("f" + std::to_string(i) + ".txt	1	 2020.1.1	0:0.0");
  const auto catalogue = test::make_catalogue("a", test::catalogue_text("D:\\", lines));
  const struct {
    const char* name;
    std::uint32_t total;
    std::uint64_t cut;  // bytes off the part's end
    std::vector<std::uint32_t> wanted;
  } cases[] = {
      {"one line more than there are", 101, 0, {}},
      {"many more", 140, 0, {}},
      {"cut inside the last line end, read from the back", 100, 1, {99}},
      {"cut inside the last line, read from the front", 100, 5, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::uint64_t offset = 5;
    ChunkLines chunk;
    std::vector<std::uint32_t> wanted = c.wanted;
    if (wanted.empty())
      for (std::uint32_t i = 0; i < c.total; ++i) wanted.push_back(i);
    chunk.parts.push_back(part_of(lines, 0, 100, offset, wanted));
    chunk.parts.back().total = c.total;
    chunk.parts.back().bytes.end -= c.cut;
    std::vector<char> buffer;
    LinePicker picker(*catalogue, chunk, buffer);
    Block block;
    std::vector<std::size_t> starts;
    while (picker.next(block, starts)) {
    }
    EXPECT_TRUE(picker.failed());
  }
}

}  // namespace
}  // namespace korvint::search
