// Odd names in the tree and odd input on the command line: listed faithfully or
// refused with a reason, never a crash.

#include <gtest/gtest.h>

#include <filesystem>

#include "batch_runner.h"
#include "support/catalogue_reader.h"
#include "support/temp_tree.h"

namespace korvint::test {
namespace {

namespace fs = std::filesystem;

TEST(Names, EveryByteValueInANameIsListedAndOnlyLineBreakersAndFolderMarksAreReplaced) {
  TempTree tree;
  std::multiset<std::string> expected;
  for (int byte = 1; byte < 256; ++byte) {
    if (byte == '/') continue;
    const std::string name = std::string("n") + static_cast<char>(byte) + "e";
    tree.file("disk/" + name, static_cast<std::uint64_t>(byte), 0);
    std::string shown = name;
    if (byte == '\t' || byte == '\r' || byte == '\n' || byte == '\\') shown[1] = '?';
    expected.insert(shown + "\t" + std::to_string(byte) + "\t 1970.1.1\t0:0.0");
  }
  for (const std::string& name : std::vector<std::string>{" lead", "trail ", ".dot", "dots...", std::string(255, 'L'),
                                 std::string("bad-utf8-\xc3\x28\xff\xfe")}) {
    tree.file("disk/" + name, 1, 0);
    expected.insert(name + "\t1\t 1970.1.1\t0:0.0");
  }
  const BatchOutcome run = run_batch({(tree.root() / "disk").string(), (tree.root() / "cat.lst").string()});
  ASSERT_EQ(run.exit_status, 0) << run.error_output;
  const ParsedCatalogue parsed = parse_catalogue(read_file(tree.root() / "cat.lst"));
  ASSERT_EQ(parsed.problem, "");
  EXPECT_EQ(parsed.files.at(""), expected);
}

TEST(Inputs, RootsAndOutputsAreTrimmedCompletedOrRefusedWithAReason) {
  TempTree tree;
  tree.text_file("disk/a/f", "x");
  tree.folder("out");
  const std::string disk = (tree.root() / "disk").string();

  // Spaces around the root are trimmed, ".." parts go to the system as typed.
  BatchOutcome run = run_batch({"  " + disk + "/a/..  ", (tree.root() / "out" / "dots").string()});
  EXPECT_EQ(run.exit_status, 0) << run.error_output;
  EXPECT_EQ(read_file(tree.root() / "out" / "dots.lst").substr(0, disk.size() + 8), disk + "/a/../\r\n");

  // A name of 10,000 characters is refused by the file system: reported, not hidden.
  run = run_batch({disk, (tree.root() / "out" / std::string(10000, 'n')).string()});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_NE(run.error_output.find("File name too long"), std::string::npos) << run.error_output.substr(0, 200);

  // An output path ending in "/" writes ".lst" in that folder.
  run = run_batch({disk, (tree.root() / "out").string() + "/"});
  EXPECT_EQ(run.exit_status, 0) << run.error_output;
  EXPECT_TRUE(fs::exists(tree.root() / "out" / ".lst"));

  // A root of 10,000 characters cannot be opened: a header-only catalogue, a
  // note and the exit status of a catalogue with folders missing.
  run = run_batch({"/" + std::string(10000, 'r'), (tree.root() / "out" / "long").string()});
  EXPECT_EQ(run.exit_status, 3);
  EXPECT_NE(run.error_output.find("could not be read"), std::string::npos);
}

TEST(Inputs, WithoutADisplayOnlyABatchScanRuns) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{}, std::vector<std::string>{"/tmp"}, std::vector<std::string>{"", "x.lst"},
        std::vector<std::string>{"  ", "x.lst"}, std::vector<std::string>{"a", "b", "c"}}) {
    const BatchOutcome run = run_batch(arguments);
    EXPECT_EQ(run.exit_status, 2);
    EXPECT_NE(run.error_output.find("no display"), std::string::npos);
  }
}

}  // namespace
}  // namespace korvint::test
