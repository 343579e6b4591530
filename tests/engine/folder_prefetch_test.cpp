// Folders read ahead on helper threads: the walk must write exactly what a walk
// that lists every folder itself writes, stop where it would stop, and stay
// responsive while it waits for a helper.

#include <gtest/gtest.h>

#ifdef __linux__
#include <pthread.h>
#include <sched.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <atomic>
#include <functional>
#include <limits>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <random>
#include <string>
#include <vector>

#include "engine/catalogue_writer.h"
#include "engine/folder_prefetch.h"
#include "engine/walker.h"
#include "fake_folder_source.h"
#include "platform/folder_source.h"
#include "support/memory_output.h"
#include "support/temp_tree.h"
#include "support/turn_gaps.h"
#include "support/walk_host.h"

namespace korvint::engine {
namespace {

using test::fake_file;
using test::fake_folder;
using test::FakeFolderSource;
using test::FakeNode;
using test::MemoryOutputFile;

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
  test::RecordingWalkHost host;
  host.on_progress = [stop_at_progress_step](test::RecordingWalkHost& h) {
    if (h.progress_steps == stop_at_progress_step) h.stop = true;
  };
  TurnPacer pacer(host);
  Walker walker(source, writer, pacer, 3600, threads);
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
  EXPECT_EQ(helped.result.files, alone.result.files);
  EXPECT_EQ(helped.result.folders, alone.result.folders);
  EXPECT_EQ(helped.result.first_unreadable, alone.result.first_unreadable);
  EXPECT_EQ(helped.result.folders_met_again, alone.result.folders_met_again);
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
      const int id = serial++;
      children.push_back(fake_file("f" + std::to_string(id), random() % 100000, 1000000 + id));
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
  ASSERT_GT(alone.result.folders_met_again, 0u);
  ASSERT_GT(alone.progress_steps, 100) << std::count(alone.lines.begin(), alone.lines.end(), '\n');
  for (unsigned threads : {1u, 2u, 5u, kAdaptiveListing}) expect_same_walk(alone, walk(source, threads), threads);
}

// On simulated media, slow enough for the depth to change many times during
// the walk: the catalogue stays that of a single thread.
TEST(FolderPrefetch, AnAdaptingDepthGivesTheSameWalkOnEveryMedium) {
  std::vector<FakeNode> top;
  for (int a = 0; a < 40; ++a) {
    std::vector<FakeNode> inner;
    for (int b = 0; b < 12; ++b) {
      std::vector<FakeNode> files;
      for (int f = 0; f < 9; ++f) files.push_back(fake_file("f" + std::to_string(f), a * b + f, 1600000000 + f));
      inner.push_back(fake_folder("b" + std::to_string(b), a, std::move(files)));
    }
    top.push_back(fake_folder("a" + std::to_string(a), a, std::move(inner)));
  }
  FakeFolderSource source(fake_folder("", 0, std::move(top)));
  const Walk alone = walk(source, 0);
  for (const double growth : {0.0, 0.6}) {
    source.list_latency_us = 2000;
    source.latency_growth = growth;
    const Walk adaptive = walk(source, kAdaptiveListing);
    source.list_latency_us = 0;
    SCOPED_TRACE(growth);
    expect_same_walk(alone, adaptive, kAdaptiveListing);
  }
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

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long the calling thread has waited, runnable, for a processor while
// other processes ran; zero where the system does not tell.
Clock::duration time_waiting_for_a_processor() { return test::processor_wait().value_or(Clock::duration{}); }

// A moment of the walk thread: when, and how long it had waited for a processor by then.
struct Mark {
  Clock::time_point at;
  Clock::duration waited_for_processor;
  static Mark now() { return Mark{Clock::now(), time_waiting_for_a_processor()}; }
};

// Records when the window got its turns, and presses STOP at the first turn
// after `stop_after`.
class TimingHost final : public WalkHost {
 public:
  explicit TimingHost(std::optional<Clock::duration> stop_after) : stop_after_(stop_after) {}
  [[nodiscard]] bool StopFlag() const override { return stop_; }
  void progress_step() override { turn(); }
  void idle_turn() override { turn(); }

  Mark started = Mark::now();
  std::vector<Mark> turns;
  std::optional<Mark> stopped_at;

 private:
  void turn() {
    turns.push_back(Mark::now());
    if (!stop_ && stop_after_ && turns.back().at - started.at >= *stop_after_) {
      stop_ = true;
      stopped_at = turns.back();
    }
  }
  std::optional<Clock::duration> stop_after_;
  bool stop_ = false;
};

// Notes when a processor stood still for this process: on each processor a
// thread sleeps 1 ms at a time and finds that more time passed than it slept
// and waited for that processor (a virtual machine's processor is stopped so
// while its host runs something else). The walk thread cannot run then either.
class StallWatch {
 public:
  StallWatch() {
    const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned cpu = 0; cpu < processors; ++cpu) threads_.emplace_back([this, cpu] { watch(cpu); });
  }
  ~StallWatch() {
    done_ = true;
    for (std::thread& thread : threads_) thread.join();
  }
  // How long a processor stood still between `from` and `to` (the longest on any one).
  Clock::duration stalled_between(Clock::time_point from, Clock::time_point to) {
    std::lock_guard lock(mutex_);
    std::vector<Clock::duration> per_cpu(threads_.size());
    for (const Stall& stall : stalls_) {
      const Clock::time_point a = std::max(stall.begin, from);
      const Clock::time_point b = std::min(stall.end, to);
      if (b > a) per_cpu[stall.cpu] += b - a;
    }
    return *std::max_element(per_cpu.begin(), per_cpu.end());
  }

 private:
  struct Stall {
    unsigned cpu;
    Clock::time_point begin;
    Clock::time_point end;
  };
  void watch(unsigned cpu) {
#ifdef __linux__
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    (void)pthread_setaffinity_np(pthread_self(), sizeof set, &set);
#endif
    while (!done_) {
      const Mark before = Mark::now();
      std::this_thread::sleep_for(milliseconds(1));
      const Mark after = Mark::now();
      const Clock::duration unexplained =
          after.at - before.at - milliseconds(1) - (after.waited_for_processor - before.waited_for_processor);
      if (unexplained > milliseconds(5)) {
        std::lock_guard lock(mutex_);
        stalls_.push_back(Stall{cpu, after.at - unexplained, after.at});
      }
    }
  }
  std::atomic<bool> done_ = false;
  std::mutex mutex_;
  std::vector<Stall> stalls_;
  std::vector<std::thread> threads_;
};

// The window's turns are a promise of the walk in every state: while it lists
// a folder whose entries trickle in, while it waits for a helper and a stream
// of news about other folders comes in meanwhile (every few milliseconds),
// and while it lets the helpers go after STOP.
TEST(FolderPrefetch, TheWindowGetsATurnAtLeastEvery100MsAndStopEndsTheWalkAsSoon) {
  // A 5 ms medium: "slow" takes 400 ms, each of the small folders after it 5 ms.
  FakeNode slow = fake_folder("slow", 0, {});
  for (int i = 0; i < 80; ++i) slow.children.push_back(fake_file("s" + std::to_string(i), 1, 0));
  slow.entry_delay_ms = 5;
  std::vector<FakeNode> top{std::move(slow)};
  for (int i = 0; i < 200; ++i) {
    top.push_back(fake_folder("small" + std::to_string(i), 0, {fake_file("x", 1, 0)}));
    top.back().entry_delay_ms = 5;
  }
  FakeFolderSource source(fake_folder("", 0, std::move(top)));

  struct Case {
    unsigned helpers;
    std::optional<milliseconds> stop_after;
  };
  auto ms = [](Clock::duration d) { return std::chrono::duration_cast<milliseconds>(d).count(); };
  for (const Case& c : {Case{0, std::nullopt}, Case{4, std::nullopt}, Case{0, milliseconds(250)},
                        Case{4, milliseconds(250)}}) {
    SCOPED_TRACE(::testing::Message() << c.helpers << " helpers, " << (c.stop_after ? "stopped" : "to the end"));
    // A loaded machine now and then keeps a sleeping thread asleep for a
    // hundred milliseconds and more in ways no counter shows; a fault of the
    // walk shows in every run, so the best of three runs counts.
    std::string late;
    for (int run = 0; run < 3; ++run) {
      MemoryOutputFile file;
      CatalogueWriter writer(file, 4096);
      StallWatch machine;
      TimingHost host(c.stop_after);
      TurnPacer pacer(host);
      Walker walker(source, writer, pacer, 0, c.helpers);
      std::string root = "r\\";
      std::int32_t files = 0;
      std::int32_t dirs = 0;
      const WalkResult result = walker.FindFilesAPI(root, "*.*", files, dirs);
      const Mark ended = Mark::now();
      ASSERT_EQ(result.stopped, c.stop_after.has_value());
      ASSERT_GE(host.turns.size(), 3u);
      if (!c.stop_after) {
        (void)writer.flush();
        ASSERT_EQ(std::count(file.content.begin(), file.content.end(), '\n'), 1 + 80 + 200 * 2);
      }

      // The time between two marks that the walk's code is answerable for: not
      // the time a busy machine kept the walk thread, or every thread, waiting.
      auto own_time = [&machine](const Mark& from, const Mark& to) {
        const Clock::duration kept_waiting =
            to.waited_for_processor - from.waited_for_processor + machine.stalled_between(from.at, to.at);
        return to.at - from.at - kept_waiting;
      };
      std::vector<Mark> marks{host.started};
      marks.insert(marks.end(), host.turns.begin(), host.turns.end());
      marks.push_back(ended);
      Clock::duration longest{};
      for (std::size_t i = 1; i < marks.size(); ++i) longest = std::max(longest, own_time(marks[i - 1], marks[i]));
      const Clock::duration to_stop = c.stop_after ? own_time(*host.stopped_at, ended) : Clock::duration{};
      if (longest <= milliseconds(100) && to_stop <= milliseconds(100)) {
        late.clear();
        break;
      }
      late += "run " + std::to_string(run) + ": longest gap " + std::to_string(ms(longest)) + " ms, STOP to end " +
              std::to_string(ms(to_stop)) + " ms, " + std::to_string(host.turns.size()) + " turns in " +
              std::to_string(ms(ended.at - host.started.at)) + " ms\n";
    }
    EXPECT_EQ(late, "") << "no run kept every gap and the stop within 100 ms";
  }
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

// KORVINT_LISTING_THREADS: a number fixes the helpers; unset, "auto" and
// anything else (a word, too many) adapt the depth.
TEST(FolderPrefetch, TheListingThreadsVariableChoosesTheHelpers) {
  const auto set = [](const char* value) {
#ifdef _WIN32
    _putenv_s("KORVINT_LISTING_THREADS", value);
#else
    if (*value == '\0') ::unsetenv("KORVINT_LISTING_THREADS"); else ::setenv("KORVINT_LISTING_THREADS", value, 1);
#endif
  };
  const struct {
    const char* value;
    unsigned helpers;
  } cases[] = {{"", kAdaptiveListing},   {"0", 0},      {"16", 16},
               {"32", 32},                {"33", kAdaptiveListing}, {"auto", kAdaptiveListing},
               {"four", kAdaptiveListing}, {"4x", kAdaptiveListing}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    set(c.value);
    EXPECT_EQ(default_listing_threads(), c.helpers);
  }
  set("");
}

}  // namespace
}  // namespace korvint::engine
