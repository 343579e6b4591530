#include "hosts/headless/windowless_batch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/program_folder.h"
#include "support/temp_tree.h"

namespace korvint::hosts::headless {
namespace {

namespace fs = std::filesystem;
using test::read_file;

// What a run wrote to its terminal, read back from a temporary file.
std::string written_to(std::FILE* file) {
  std::string text;
  std::rewind(file);
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text += static_cast<char>(c);
  return text;
}

// A batch run without a window shows on the terminal what the window's labels
// would: the count at every turn, then the heading and the result. A signal
// stops it as STOP does, and the earlier catalogue goes back.
TEST(WindowlessBatch, ShowsTheCountAndTheOutcomeAndStopsOnASignal) {
  test::TempTree tree;
  test::files_before_a_sub_folder(tree, "disk", 600);
  tree.folder("out");
  const std::string root = test::path_text(tree.root() / "disk");
  const std::string output = test::path_text(tree.root() / "out" / "disk.lst");
  struct Case {
    bool interrupted;
    jobs::ScanEnd end;
    const char* count_shown;
    const char* last_line;
  };
  for (const Case& c : {Case{false, jobs::ScanEnd::completed, "\rFiles ~: 500 ", " 500 files found.\n"},
                        Case{true, jobs::ScanEnd::stopped, "\rFiles ~: 0 ", " Stopped! Output deleted!\n"}}) {
    SCOPED_TRACE(c.interrupted ? "interrupted" : "to its end");
    test::write_file(output, "earlier\r\n");
    std::FILE* terminal = std::tmpfile();
    ASSERT_NE(terminal, nullptr);
    const std::optional<jobs::ScanOutcome> outcome =
        run_batch_without_window({root, output}, [&c] { return c.interrupted; }, terminal);
    const std::string shown = written_to(terminal);
    std::fclose(terminal);

    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->end, c.end);
    // The count is shown as the walk goes (a slow machine shows "0" first, too).
    EXPECT_NE(shown.find(c.count_shown), std::string::npos) << shown;
    const std::string::size_type last = shown.rfind("\rseconds it took:");
    ASSERT_NE(last, std::string::npos) << shown;
    EXPECT_EQ(shown.substr(shown.size() - std::string(c.last_line).size()), c.last_line) << shown;
    if (c.interrupted) {
      EXPECT_EQ(read_file(output), "earlier\r\n");
    } else {
      EXPECT_EQ(read_file(output).rfind(root + platform::path_separator() + "\r\n", 0), 0u);
    }
  }
  // A command line that asks for no batch scan runs none, and shows nothing.
  EXPECT_FALSE(run_batch_without_window({root}, {}, nullptr));
  EXPECT_FALSE(run_batch_without_window({"  ", output}, {}, nullptr));
}

}  // namespace
}  // namespace korvint::hosts::headless
