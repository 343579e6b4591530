// Two scans of the same catalogue at once (two scheduled jobs, two windows):
// the one that starts second is turned away with "another scan is writing
// PATH" before it touches anything, and the first ends as if alone.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include "jobs/scan_job.h"
#include "support/catalogue_reader.h"
#include "support/form_fixture.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "batch_runner.h"
#endif

namespace korvint::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kEarlier = "earlier catalogue\r\n";

// Lists the root of a walk only once the test lets it: the scan is then held
// inside its walk, after its root was opened and its output created.
class HeldFolderSource final : public platform::FolderSource {
 public:
  struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool released = false;
    std::function<void()> on_release;  // runs on the walk's thread once released
  };
  explicit HeldFolderSource(Gate& gate) : gate_(gate) {}

  std::unique_ptr<platform::OpenFolder> open_root(std::string_view root, platform::Status& error) override {
    std::unique_ptr<platform::OpenFolder> opened = system_->open_root(root, error);
    if (!opened) return nullptr;
    return std::make_unique<HeldFolder>(gate_, std::move(opened));
  }

 private:
  class HeldFolder final : public platform::OpenFolder {
   public:
    HeldFolder(Gate& gate, std::unique_ptr<platform::OpenFolder> inner) : gate_(gate), inner_(std::move(inner)) {}

    platform::Status list(platform::EntrySink& sink) override {
      {
        std::unique_lock<std::mutex> lock(gate_.mutex);
        gate_.entered = true;
        gate_.changed.notify_all();
        gate_.changed.wait(lock, [&] { return gate_.released; });
      }
      if (gate_.on_release) gate_.on_release();
      return inner_->list(sink);
    }
    std::unique_ptr<platform::OpenFolder> open_child(std::string_view name, platform::Status& error) override {
      return inner_->open_child(name, error);
    }
    std::optional<platform::FolderId> id() override { return inner_->id(); }

   private:
    Gate& gate_;
    std::unique_ptr<platform::OpenFolder> inner_;
  };

  Gate& gate_;
  std::unique_ptr<platform::FolderSource> system_ = platform::make_system_folder_source();
};

// Scan A runs on its own thread and is held inside its walk; scan B, of
// another root into the same catalogue, runs meanwhile on this thread.
TEST(TwoScans, TheSecondScanOfACatalogueIsTurnedAwayWhileTheFirstRuns) {
  for (const bool a_is_stopped : {true, false}) {
    SCOPED_TRACE(a_is_stopped ? "A stopped" : "A completes");
    HeldFolderSource::Gate gate;
    ui::FormServices a_services;
    a_services.folders = [&gate] { return std::make_unique<HeldFolderSource>(gate); };
    a_services.listing_threads = 0;
    FormFixture a(std::move(a_services));
    a.tree.text_file("disk-a/from-a.txt", "a");
    a.prepare_scan("disk-a", "cc.lst");
    const fs::path output = a.output("cc.lst");
    write_file(output, kEarlier);
    // Pressing STOP during the walk, on the walk's thread, as the window would.
    if (a_is_stopped) gate.on_release = [&a] { jobs::mStop_Click(a.form()); };

    std::optional<jobs::ScanOutcome> a_outcome;
    std::thread scan_a([&a, &a_outcome] { a_outcome = jobs::Command1_Click(a.form()); });
    bool held = false;
    {
      std::unique_lock<std::mutex> lock(gate.mutex);
      held = gate.changed.wait_for(lock, 60s, [&] { return gate.entered; });
    }

    FormFixture b;
    b.tree.text_file("disk-b/from-b.txt", "b");
    b.prepare_scan("disk-b", "cc.lst");
    b.window->Text5.setText(a.window->Text5.text());
    std::optional<jobs::ScanOutcome> b_outcome;
    if (held) b_outcome = jobs::Command1_Click(b.form());

    {
      std::lock_guard<std::mutex> lock(gate.mutex);
      gate.released = true;
      gate.changed.notify_all();
    }
    scan_a.join();
    ASSERT_TRUE(held);

    EXPECT_EQ(b.window->Label1.caption(), jobs::kScanFailed);
    EXPECT_EQ(b.window->Label2.caption(), "another scan is writing " + path_text(output));
    ASSERT_TRUE(a_outcome && b_outcome);
    EXPECT_EQ(b_outcome->end, jobs::ScanEnd::failed);
    EXPECT_EQ(a_outcome->end, a_is_stopped ? jobs::ScanEnd::stopped : jobs::ScanEnd::completed)
        << a.window->Label2.caption();
    const std::string left = read_file(output);
    if (a_is_stopped) {
      EXPECT_EQ(left, kEarlier);
    } else {
      EXPECT_NE(left.find("from-a.txt"), std::string::npos) << left;
    }
    EXPECT_FALSE(fs::exists(output.string() + ".old"));
    EXPECT_FALSE(fs::exists(output.string() + ".lock"));

    // With A done, B's scan of the name goes ahead.
    b_outcome = jobs::Command1_Click(b.form());
    ASSERT_TRUE(b_outcome);
    EXPECT_TRUE(b_outcome->completed()) << b.window->Label2.caption();
    EXPECT_NE(read_file(output).find("from-b.txt"), std::string::npos);
    EXPECT_FALSE(fs::exists(output.string() + ".lock"));
  }
}

#ifndef _WIN32
// The whole program, twice: scan A shows its running count on a terminal whose
// output is suspended, so A waits at its first count, inside its walk, for as
// long as the test wants. Scan B of the same catalogue is run meanwhile. This
// is the sequence that once cost a catalogue: B took A's unfinished output for
// the earlier catalogue, and A's stop put its backup back over B's work.
TEST(TwoScans, TwoProgramsWritingOneCatalogue) {
  TempTree tree;
  // Six folders of 500 files: A shows its count before it enters the second.
  for (int i = 0; i < 3000; ++i) tree.text_file("disk-a/d" + std::to_string(i / 500) + "/f" + std::to_string(i), "");
  tree.text_file("disk-b/from-b.txt", "b");
  const fs::path output = tree.root() / "cc.lst";
  write_file(output, kEarlier);

  SuspendedTerminal terminal;
  if (!terminal.ok()) GTEST_SKIP() << "this machine gives the test no terminal";
  const pid_t a = start_batch({(tree.root() / "disk-a").string(), output.string()}, terminal.name());
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  bool a_writes = false;
  while (!(a_writes = holds_open(a, output)) && std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (::waitpid(a, &status, WNOHANG) == a) break;
    std::this_thread::sleep_for(1ms);
  }
  if (!a_writes) {
    ::kill(a, SIGKILL);
    terminal.resume();
    wait_for(a);
    FAIL() << "scan A never began writing its catalogue";
  }

  const BatchOutcome b = run_batch({(tree.root() / "disk-b").string(), output.string()});
  EXPECT_EQ(b.exit_status, 1);
  EXPECT_NE(b.error_output.find("another scan is writing " + output.string()), std::string::npos)
      << b.error_output;
  // B touched nothing: A's backup still holds the earlier catalogue.
  EXPECT_EQ(read_file(output.string() + ".old"), kEarlier);

  // Ctrl+C stops A: the earlier catalogue is back and nothing else is left.
  ::kill(a, SIGINT);
  terminal.resume();
  EXPECT_EQ(wait_for(a), 1);
  EXPECT_EQ(read_file(output), kEarlier);
  EXPECT_FALSE(fs::exists(output.string() + ".old"));
  EXPECT_FALSE(fs::exists(output.string() + ".lock"));

  const BatchOutcome again = run_batch({(tree.root() / "disk-b").string(), output.string()});
  EXPECT_EQ(again.exit_status, 0) << again.error_output;
  EXPECT_NE(read_file(output).find("from-b.txt"), std::string::npos);
  EXPECT_FALSE(fs::exists(output.string() + ".lock"));
}
#endif

}  // namespace
}  // namespace korvint::test
