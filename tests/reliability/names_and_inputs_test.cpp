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

  // A root of 10,000 characters cannot be opened: the scan fails and says why.
  run = run_batch({"/" + std::string(10000, 'r'), (tree.root() / "out" / "long").string()});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_NE(run.error_output.find("File name too long"), std::string::npos) << run.error_output.substr(0, 200);
  EXPECT_FALSE(fs::exists(tree.root() / "out" / "long.lst"));
}

// The Linux conventions: help and version on stdout with status 0; a command
// line korvint cannot run is status 2 with the reason on stderr, and nothing
// is scanned or written; "--" lets a root begin with "-".
TEST(Inputs, HelpVersionAndWrongCommandLines) {
  TempTree tree;
  tree.text_file("-odd-root/f", "x");
  const std::string disk = (tree.root() / "-odd-root").string();
  const std::string out = (tree.root() / "out.lst").string();
  struct Case {
    std::vector<std::string> arguments;
    int exit_status;
    std::string on_stdout, on_stderr;
  };
  const Case cases[] = {
      {{"--help"}, 0, "Usage: korvint [ROOT]", ""},
      {{"-h", disk, out}, 0, "KORVINT_LISTING_THREADS", ""},
      {{"--version"}, 0, "korvint " KORVINT_VERSION "\n", ""},
      {{"--bogus", disk, out}, 2, "", "unknown option \"--bogus\""},
      {{disk, out, "-v"}, 2, "", "unknown option \"-v\""},
      {{"-", out}, 2, "", "unknown option \"-\""},
      {{disk, out, "extra"}, 2, "", "3 arguments"},
      {{disk, (tree.root() / "cats").string() + "/"}, 2, "", "names a folder"},
      {{disk, " "}, 2, "", "the catalogue to write (the second argument) is empty"},
      {{"", out}, 2, "", "the folder to scan (the first argument) is empty"},
      {{" "}, 2, "", "the folder to scan is empty"},
      {{}, 2, "", "no display"},
      {{disk}, 2, "", "no display"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.empty() ? "(none)" : c.arguments[0]);
    const BatchOutcome run = run_batch(c.arguments);
    EXPECT_EQ(run.exit_status, c.exit_status) << run.error_output;
    if (c.on_stdout.empty()) {
      EXPECT_EQ(run.output, "");
    } else {
      EXPECT_NE(run.output.find(c.on_stdout), std::string::npos) << run.output;
    }
    EXPECT_NE(run.error_output.find(c.on_stderr), std::string::npos) << run.error_output;
    EXPECT_FALSE(fs::exists(out));
    EXPECT_FALSE(fs::exists(tree.root() / "cats"));
  }

  // After "--" a root may begin with "-"; relative, the header names it absolute.
  const BatchOutcome run = run_batch({"--", "-odd-root", "out.lst"}, tree.root().string());
  EXPECT_EQ(run.exit_status, 0) << run.error_output;
  const std::string header = (tree.root() / "-odd-root").string() + "/\r\n";
  EXPECT_EQ(read_file(out).substr(0, header.size()), header);
}

}  // namespace
}  // namespace korvint::test
