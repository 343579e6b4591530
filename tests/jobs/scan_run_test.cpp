#include "jobs/scan_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/program_folder.h"
#include "support/temp_tree.h"

namespace korvint::jobs {
namespace {

namespace fs = std::filesystem;

// Writes down what the scan tells its host, one word a call.
class RecordingScanHost final : public ScanHost {
 public:
  [[nodiscard]] const ui::FormServices& services() const override { return services_; }
  void started(std::int64_t) override { told.push_back("started"); }
  void paths_fixed(const ScanRequest& request) override {
    told.push_back("paths");
    fixed = request;
  }
  void busy(bool busy) override { told.push_back(busy ? "busy" : "idle"); }
  void walk_started() override { told.push_back("walk"); }
  void progress(std::int64_t files_counted) override { told.push_back(std::to_string(files_counted)); }
  // Timed turns come as the machine allows; only their number is kept.
  void turn() override { ++turns; }
  bool stop_asked() override { return stop; }

  bool stop = false;
  std::vector<std::string> told;
  int turns = 0;
  ScanRequest fixed;

 private:
  ui::FormServices services_{platform::system_file_services(), &platform::make_system_folder_source,
                             [] { return std::int64_t{0}; }, [] { return std::int64_t{0}; }};
};

std::string joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}

// Whatever way a scan ends, its host hears the same story in the same order,
// and one that was told "busy" is told "idle" at the end.
TEST(RunScan, TellsItsHostEachStepInOrder) {
  test::TempTree tree;
  test::files_before_a_sub_folder(tree, "disk", 600);
  tree.folder("out");
  const std::string sep(1, platform::path_separator());
  const std::string disk = test::path_text(tree.root() / "disk");
  const std::string out = test::path_text(tree.root() / "out") + sep;
  struct Case {
    const char* label;
    ScanRequest request;
    bool stop;
    ScanEnd end;
    const char* told;
  };
  const Case cases[] = {
      {"completed", {" " + disk + " ", out, " disk "}, false, ScanEnd::completed,
       "started paths busy walk 500 idle"},
      {"stopped", {disk, out, "disk"}, true, ScanEnd::stopped, "started paths busy walk idle"},
      {"no name", {disk, out, "  "}, false, ScanEnd::failed, "started paths"},
      {"no root", {"", out, "disk"}, false, ScanEnd::failed, "started paths"},
      {"a root that cannot be opened", {disk + "-gone", out, "disk"}, false, ScanEnd::failed,
       "started paths busy idle"},
      {"an output that cannot be created", {disk, out + "no-folder" + sep, "disk"}, false, ScanEnd::failed,
       "started paths busy idle"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    RecordingScanHost host;
    host.stop = c.stop;
    const ScanOutcome outcome = run_scan(c.request, host);
    EXPECT_EQ(outcome.end, c.end) << outcome.reason;
    EXPECT_EQ(joined(host.told), c.told);
    // A scan that walked gives a turn at each progress step and one before
    // its catalogue is ended, however short it was; one refused gives none.
    if (joined(host.told).find("walk") != std::string::npos) {
      EXPECT_GE(host.turns, outcome.files_counted / 500 + 1);
    } else {
      EXPECT_EQ(host.turns, 0);
    }
    if (c.end == ScanEnd::completed) {
      EXPECT_EQ(host.fixed.root, disk + sep);
      EXPECT_EQ(host.fixed.name, "disk.lst");
      EXPECT_EQ(outcome.files_counted, 500);
      EXPECT_EQ(outcome.files_listed, 601u);
      EXPECT_EQ(outcome.folders_listed, 1u);
      EXPECT_TRUE(fs::exists(tree.root() / "out" / "disk.lst"));
    }
  }
  EXPECT_FALSE(fs::exists(tree.root() / "out" / "disk.lst.old"));
}

}  // namespace
}  // namespace korvint::jobs
