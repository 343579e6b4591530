// The read-ahead scheduler driven step by step, the test playing both the walk
// and the helpers: the order folders are handed out in, the budgets, and what
// is freed when the walk passes folders by.

#include "engine/read_ahead_scheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvint::engine {
namespace {

using platform::Status;
using TaskPtr = ReadAheadScheduler::TaskPtr;

// An open folder that only counts how many of its kind are open.
class CountedFolder final : public platform::OpenFolder {
 public:
  explicit CountedFolder(int& open) : open_(open) { ++open_; }
  ~CountedFolder() override { --open_; }
  Status list(platform::EntrySink&) override { return Status(); }
  std::unique_ptr<OpenFolder> open_child(std::string_view, Status&) override { return nullptr; }
  std::optional<platform::FolderId> id() override { return std::nullopt; }

 private:
  int& open_;
};

std::vector<SubFolder> subs(std::initializer_list<const char*> names) {
  std::vector<SubFolder> list;
  for (const char* name : names) list.push_back(SubFolder{name, false, std::nullopt});
  return list;
}

Chunk entries(std::size_t count) {
  Chunk chunk;
  platform::DirEntry entry;
  entry.name = "file";
  for (std::size_t i = 0; i < count; ++i) chunk.add(entry);
  return chunk;
}

// The scheduler with a listed root, and the helpers' side as a test plays it.
struct Walk {
  explicit Walk(ReadAheadLimits limits, std::initializer_list<const char*> top) : scheduler(limits) {
    root = scheduler.start(std::make_unique<CountedFolder>(open_folders), std::nullopt);
    std::vector<SubFolder> names = subs(top);
    scheduler.walk_listed(root, names);
  }
  // Takes the next job; "" when none is handed out.
  std::string take() {
    std::optional<ReadAheadScheduler::Job> job = scheduler.take_job();
    if (!job) return "";
    jobs.push_back(*job);
    return job->task->name;
  }
  ReadAheadScheduler::Job& job(const std::string& name) {
    for (auto& job : jobs) {
      if (job.task->name == name) return job;
    }
    throw std::runtime_error("no job " + name);
  }
  void open(const std::string& name) {
    scheduler.opened(job(name), std::make_unique<CountedFolder>(open_folders), Status());
  }
  void finish(const std::string& name, std::initializer_list<const char*> below = {}) {
    std::vector<SubFolder> names = subs(below);
    scheduler.listed(job(name).task, Status(), names);
  }

  int open_folders = 0;
  ReadAheadScheduler scheduler;
  TaskPtr root;
  std::vector<ReadAheadScheduler::Job> jobs;
};

TEST(ReadAheadScheduler, HandsFoldersOutInTheWalksOrderWithinTheInFlightLimit) {
  Walk walk(ReadAheadLimits{.in_flight = 2}, {"a", "b", "c"});
  EXPECT_EQ(walk.take(), "a");
  EXPECT_EQ(walk.take(), "b");
  EXPECT_EQ(walk.take(), "") << "two in flight";
  walk.open("a");
  EXPECT_EQ(walk.job("a").task->stage, Stage::listing);
  walk.finish("a", {"a1", "a2"});
  // a's sub-folders come before c in the walk, so they are read first.
  EXPECT_EQ(walk.take(), "a1");
  walk.scheduler.opened(walk.job("b"), nullptr, Status::failure("Cannot open \"b\": Permission denied"));
  EXPECT_EQ(walk.job("b").task->stage, Stage::failed);
  EXPECT_EQ(walk.take(), "a2");
  EXPECT_EQ(walk.take(), "");
  walk.open("a1");
  walk.finish("a1");
  EXPECT_EQ(walk.take(), "c");
  EXPECT_EQ(walk.scheduler.queued(), 0u);

  // The walk enters a (listed) and b (failed, with the reason kept) as they are.
  TaskPtr a = walk.scheduler.enter_child(walk.root, "a");
  EXPECT_EQ(a->stage, Stage::listed);
  TaskPtr b = walk.scheduler.enter_child(walk.root, "b");
  EXPECT_NE(b->open_error.message().find("Permission denied"), std::string::npos);
}

TEST(ReadAheadScheduler, HoldsListingsAheadOnce32kEntriesWaitButNeverTheOneTheWalkReads) {
  Walk walk(ReadAheadLimits{}, {"a", "b", "c"});
  ASSERT_EQ(walk.take(), "a");
  walk.open("a");
  ReadAheadTask& a = *walk.job("a").task;
  for (int i = 0; i < 31; ++i) ASSERT_EQ(walk.scheduler.hand_over(a, entries(1024)), HelperStep::go_on);
  EXPECT_EQ(walk.scheduler.hand_over(a, entries(1023)), HelperStep::go_on);
  EXPECT_EQ(walk.take(), "b");
  EXPECT_EQ(walk.scheduler.hand_over(a, entries(1)), HelperStep::hold);
  EXPECT_EQ(walk.scheduler.waiting_entries(), 32u * 1024);
  EXPECT_EQ(walk.take(), "") << "no new listing while the budget is spent";
  walk.open("b");
  EXPECT_EQ(walk.scheduler.hand_over(*walk.job("b").task, entries(1)), HelperStep::hold);

  // The walk reaches a: its helper reads on past the budget, b's still holds.
  TaskPtr entered = walk.scheduler.enter_child(walk.root, "a");
  EXPECT_EQ(walk.scheduler.next_step(a), HelperStep::go_on);
  EXPECT_EQ(walk.scheduler.hand_over(a, entries(500)), HelperStep::go_on);
  EXPECT_EQ(walk.scheduler.next_step(*walk.job("b").task), HelperStep::hold);
  // Taking entries makes room again.
  std::size_t taken = 0;
  while (std::optional<Chunk> chunk = walk.scheduler.take_chunk(*entered)) taken += chunk->size();
  EXPECT_EQ(taken, 32u * 1024 + 500);
  EXPECT_EQ(walk.scheduler.next_step(*walk.job("b").task), HelperStep::go_on);
  EXPECT_EQ(walk.take(), "c");
}

TEST(ReadAheadScheduler, OpensNoMoreFoldersAheadThanAllowedAndCountsWhatTheWalkTakes) {
  Walk walk(ReadAheadLimits{.folders_ahead = 3, .in_flight = 10}, {"a", "b", "c", "d", "e"});
  EXPECT_EQ(walk.take(), "a");
  EXPECT_EQ(walk.take(), "b");
  EXPECT_EQ(walk.take(), "c");
  EXPECT_EQ(walk.take(), "") << "three opens under way count already";
  for (const char* name : {"a", "b", "c"}) {
    walk.open(name);
    walk.finish(name);
  }
  EXPECT_EQ(walk.scheduler.in_flight(), 0u);
  EXPECT_EQ(walk.scheduler.folders_ahead(), 3u);
  EXPECT_EQ(walk.take(), "") << "three listed folders are held open ahead";
  EXPECT_EQ(walk.open_folders, 4);

  // Entering a moves its folder to the walk's side; passing b by closes b.
  TaskPtr a = walk.scheduler.enter_child(walk.root, "a");
  EXPECT_EQ(a->handle, Handle::walk);
  EXPECT_EQ(walk.scheduler.folders_ahead(), 2u);
  EXPECT_EQ(walk.take(), "d");
  TaskPtr c = walk.scheduler.enter_child(walk.root, "c");
  EXPECT_EQ(walk.job("b").task->view, WalkView::dropped);
  EXPECT_EQ(walk.job("b").task->handle, Handle::none);
  EXPECT_EQ(walk.open_folders, 3);  // the root, a and c
  EXPECT_EQ(walk.take(), "e");
  EXPECT_EQ(walk.scheduler.folders_ahead(), 2u);  // d and e being opened
}

// Once the helpers are ahead, the walk frees one slot at a time: a sleeping
// helper is woken only when a quarter of a budget is free, so that it has a
// batch to do, not one folder per thread switch.
TEST(ReadAheadScheduler, SleepingHelpersAreWorthWakingOnlyForABatch) {
  Walk folders(ReadAheadLimits{.folders_ahead = 8, .in_flight = 10}, {"a", "b", "c", "d", "e", "f", "g", "h", "i"});
  for (const char* name : {"a", "b", "c", "d", "e", "f", "g", "h"}) {
    ASSERT_EQ(folders.take(), name);
    folders.open(name);
    folders.finish(name);
  }
  EXPECT_FALSE(folders.scheduler.worth_waking());
  TaskPtr a = folders.scheduler.enter_child(folders.root, "a");
  EXPECT_FALSE(folders.scheduler.worth_waking()) << "one folder free: a helper awake may take it";
  TaskPtr b = folders.scheduler.enter_child(folders.root, "b");
  EXPECT_TRUE(folders.scheduler.worth_waking());
  EXPECT_EQ(folders.take(), "i");

  Walk entries_ahead(ReadAheadLimits{}, {"a", "b"});
  ASSERT_EQ(entries_ahead.take(), "a");
  entries_ahead.open("a");
  for (int i = 0; i < 32; ++i) (void)entries_ahead.scheduler.hand_over(*entries_ahead.job("a").task, entries(1024));
  TaskPtr entered = entries_ahead.scheduler.enter_child(entries_ahead.root, "a");
  int chunks_taken = 0;
  while (!entries_ahead.scheduler.worth_waking() && entries_ahead.scheduler.take_chunk(*entered)) ++chunks_taken;
  EXPECT_EQ(chunks_taken, 9) << "woken once fewer than 24k entries wait";
  EXPECT_EQ(entries_ahead.take(), "b");
}

TEST(ReadAheadScheduler, ADropInTheMiddleFreesEverythingAtOnceOrWhenTheHelperLetsGo) {
  Walk walk(ReadAheadLimits{.in_flight = 1}, {"a", "b"});
  ASSERT_EQ(walk.take(), "a");
  walk.open("a");
  ReadAheadTask& a = *walk.job("a").task;
  ASSERT_EQ(walk.scheduler.hand_over(a, entries(300)), HelperStep::go_on);

  // The walk stops inside the root and passes a by while a helper lists it.
  TaskPtr b = walk.scheduler.enter_child(walk.root, "b");
  EXPECT_EQ(b->stage, Stage::walk_owned) << "b was still queued: the walk opens it";
  EXPECT_EQ(walk.scheduler.queued(), 0u);
  EXPECT_EQ(walk.scheduler.waiting_entries(), 0u);
  EXPECT_EQ(walk.scheduler.hand_over(a, entries(10)), HelperStep::stop);
  EXPECT_EQ(walk.scheduler.waiting_entries(), 0u);
  EXPECT_EQ(walk.open_folders, 2) << "a stays open while its helper lists it";
  walk.finish("a", {"never"});
  EXPECT_EQ(walk.open_folders, 1);
  EXPECT_EQ(walk.scheduler.folders_ahead(), 0u);
  EXPECT_EQ(walk.scheduler.in_flight(), 0u);
  EXPECT_EQ(walk.take(), "") << "nothing below a dropped folder is listed";

  // b, listed by the walk itself, has sub-folders queued and one being opened.
  walk.scheduler.walk_opened(*b, std::make_unique<CountedFolder>(walk.open_folders));
  std::vector<SubFolder> below = subs({"b1", "b2", "b3"});
  walk.scheduler.walk_listed(b, below);
  ASSERT_EQ(walk.take(), "b1");
  EXPECT_EQ(walk.open_folders, 2);
  // The walk leaves b: the queued sub-folders go at once, b's folder stays open
  // only while the helper opens b1 in it.
  walk.scheduler.drop(*b);
  EXPECT_EQ(walk.scheduler.queued(), 0u);
  EXPECT_EQ(walk.open_folders, 2);
  walk.open("b1");
  EXPECT_EQ(walk.open_folders, 1) << "b1, opened for nobody, and b are closed";
  EXPECT_EQ(walk.scheduler.folders_ahead(), 0u);
  EXPECT_EQ(walk.scheduler.in_flight(), 0u);
  walk.scheduler.drop(*walk.root);
  EXPECT_EQ(walk.open_folders, 0);
}

}  // namespace
}  // namespace korvint::engine
