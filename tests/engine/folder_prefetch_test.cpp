// Folders read ahead on helper threads: the walk must write exactly what a walk
// that lists every folder itself writes, stop where it would stop, and stay
// responsive while it waits for a helper.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <thread>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "engine/catalogue_writer.h"
#include "engine/walker.h"
#include "fake_folder_source.h"
#include "platform/folder_source.h"
#include "support/memory_output.h"
#include "support/temp_tree.h"

namespace korvint::engine {
namespace {

using test::fake_file;
using test::fake_folder;
using test::FakeFolderSource;
using test::FakeNode;
using test::MemoryOutputFile;

class CountingHost final : public WalkHost {
 public:
  [[nodiscard]] bool StopFlag() const override { return stop; }
  void progress_step() override {
    ++progress_steps;
    if (stop_at_progress_step == progress_steps) stop = true;
  }
  void idle_turn() override {
    ++idle_turns;
    if (on_idle) on_idle(*this);
  }

  bool stop = false;
  int progress_steps = 0;
  int idle_turns = 0;
  int stop_at_progress_step = -1;
  std::function<void(CountingHost&)> on_idle;
};

struct Walk {
  std::string lines;
  WalkResult result;
  int progress_steps = 0;
  int idle_turns = 0;
};

Walk walk(platform::FolderSource& source, unsigned threads, int stop_at_progress_step = -1,
          std::size_t capacity = std::numeric_limits<std::size_t>::max(),
          std::string root = "r\\") {
  MemoryOutputFile file(capacity);
  CatalogueWriter writer(file, 4096);
  CountingHost host;
  host.stop_at_progress_step = stop_at_progress_step;
  Walker walker(source, writer, host, 3600, threads);
  std::int32_t files = 0;
  std::int32_t dirs = 0;
  Walk run;
  run.result = walker.FindFilesAPI(root, "*.*", files, dirs);
  (void)writer.flush();
  run.lines = file.content;
  run.progress_steps = host.progress_steps;
  run.idle_turns = host.idle_turns;
  return run;
}

void expect_same_walk(const Walk& alone, const Walk& helped, unsigned threads) {
  EXPECT_EQ(helped.lines.size(), alone.lines.size()) << threads << " threads";
  EXPECT_TRUE(helped.lines == alone.lines) << threads << " threads";
  EXPECT_EQ(helped.result.stopped, alone.result.stopped);
  EXPECT_EQ(helped.result.write_status.message(), alone.result.write_status.message());
  EXPECT_EQ(helped.result.unreadable_folders, alone.result.unreadable_folders);
  EXPECT_EQ(helped.result.first_unreadable, alone.result.first_unreadable);
  EXPECT_EQ(helped.result.links_not_followed, alone.result.links_not_followed);
  EXPECT_EQ(helped.progress_steps, alone.progress_steps);
}

// A tree with what stresses read-ahead: thousands of folders at many depths,
// unreadable folders, links in and out of the descent path, one folder too big
// to be held ahead and one with more sub-folders than may be opened ahead.
FakeNode awkward_tree() {
  std::mt19937 random(7);
  int serial = 0;
  std::vector<platform::FolderId> ids;
  std::function<FakeNode(int, const std::string&)> make = [&](int depth, const std::string& name) {
    std::vector<FakeNode> children;
    const int files = static_cast<int>(random() % 40);
    for (int i = 0; i < files; ++i) {
      children.push_back(fake_file("f" + std::to_string(serial++), random() % 100000, 1000000 + serial));
    }
    const int folders = depth >= 9 ? 0 : static_cast<int>(depth < 3 ? 3 + random() % 5 : random() % 4);
    for (int i = 0; i < folders; ++i) children.push_back(make(depth + 1, "d" + std::to_string(serial++)));
    FakeNode node = fake_folder(name, 2000000 + serial, std::move(children));
    node.unreadable = random() % 50 == 0;
    ids.push_back(node.id);
    if (!ids.empty() && random() % 30 == 0) {
      FakeNode link;
      link.name = "link" + std::to_string(serial++);
      link.is_folder = true;
      link.is_link = true;
      // Half of them lead back to the folder holding them: a circle.
      link.id = random() % 2 == 0 ? node.id : ids[random() % ids.size()];
      link.id_in_listing = random() % 2 == 0;
      node.children.push_back(std::move(link));
    }
    return node;
  };
  FakeNode root = make(0, "");
  root.unreadable = false;
  std::vector<FakeNode> big;
  for (int i = 0; i < 70000; ++i) big.push_back(fake_file("big" + std::to_string(i), i, 1500000000));
  big.push_back(fake_folder("under-big", 0, {fake_file("x", 1, 0)}));
  root.children.push_back(fake_folder("big", 0, std::move(big)));
  std::vector<FakeNode> wide;
  for (int i = 0; i < 700; ++i) wide.push_back(fake_folder("w" + std::to_string(i), i, {fake_file("y", 2, 0)}));
  root.children.insert(root.children.begin() + 1, fake_folder("wide", 0, std::move(wide)));
  return root;
}

TEST(FolderPrefetch, HelpersGiveTheSameWalkAsListingAlone) {
  FakeFolderSource source(awkward_tree());
  const Walk alone = walk(source, 0);
  ASSERT_GT(alone.result.unreadable_folders, 0u) << std::count(alone.lines.begin(), alone.lines.end(), '\n') << " lines " << alone.progress_steps;
  ASSERT_GT(alone.result.links_not_followed, 0u);
  ASSERT_GT(alone.progress_steps, 100) << std::count(alone.lines.begin(), alone.lines.end(), '\n');
  for (unsigned threads : {1u, 2u, 5u}) expect_same_walk(alone, walk(source, threads), threads);
}

TEST(FolderPrefetch, AStopOrAFailedWriteEndsTheWalkWhereItWouldEndAlone) {
  FakeFolderSource source(awkward_tree());
  for (int step : {1, 7, 60}) {
    const Walk alone = walk(source, 0, step);
    ASSERT_TRUE(alone.result.stopped);
    expect_same_walk(alone, walk(source, 2, step), 2);
  }
  const Walk alone = walk(source, 0, -1, 200000);
  ASSERT_FALSE(alone.result.write_status.ok());
  expect_same_walk(alone, walk(source, 2, -1, 200000), 2);
}

TEST(FolderPrefetch, WaitingForASlowHelperGivesTheWindowTurnsAndStopsAtOnce) {
  FakeNode slow = fake_folder("slow", 0, {fake_file("late", 1, 0), fake_folder("below", 0, {})});
  slow.list_delay_ms = 400;
  FakeFolderSource source(fake_folder("", 0, {std::move(slow)}));
  MemoryOutputFile file;
  CatalogueWriter writer(file, 64);
  CountingHost host;
  host.on_idle = [&source](CountingHost& h) {
    // The first turn comes before the walk enters "slow": let the helper take it first.
    if (h.idle_turns == 1) {
      for (int i = 0; i < 1000 && source.opens == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (h.idle_turns == 5) h.stop = true;
  };
  Walker walker(source, writer, host, 0, 1);
  std::string root = "r\\";
  std::int32_t files = 0;
  std::int32_t dirs = 0;
  const WalkResult result = walker.FindFilesAPI(root, "*.*", files, dirs);
  (void)writer.flush();
  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(host.idle_turns, 5);
  EXPECT_EQ(result.unreadable_folders, 0u);
  EXPECT_EQ(file.content, "slow\\\t0\t 1970.1.1\t0:0.0\r\n");
}

TEST(FolderPrefetch, RealFoldersGiveTheSameBytes) {
  test::TempTree tree;
  for (int a = 0; a < 30; ++a) {
    for (int b = 0; b < 6; ++b) {
      const std::string folder = "a" + std::to_string(a) + "/b" + std::to_string(b);
      tree.folder(folder);
      for (int f = 0; f < a % 7; ++f) tree.file(folder + "/f" + std::to_string(f), a * 100 + f, 1600000000 + f);
    }
  }
  tree.folder("deep/1/2/3/4/5/6/7/8/9/10/11/12/13/14/15/16");
  auto source = platform::make_system_folder_source();
  const std::string root = tree.root_text();
  const Walk alone = walk(*source, 0, -1, std::numeric_limits<std::size_t>::max(), root);
  ASSERT_NE(alone.lines.find("deep\\1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11\\12\\13\\14\\15\\16\\"), std::string::npos);
  expect_same_walk(alone, walk(*source, 3, -1, std::numeric_limits<std::size_t>::max(), root), 3);
}

}  // namespace
}  // namespace korvint::engine
