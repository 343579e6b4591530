#include "engine/folder_prefetch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <new>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "engine/read_ahead_depth.h"
#include "engine/read_ahead_scheduler.h"
#include "engine/turn_pacer.h"

namespace korvint::engine {
namespace {

using platform::DirEntry;
using platform::EntrySink;
using platform::OpenFolder;
using platform::Status;
using TaskPtr = ReadAheadScheduler::TaskPtr;

using Clock = std::chrono::steady_clock;

// Entries a helper hands over at a time: one lock per chunk, not per entry.
constexpr std::size_t kEntriesPerChunk = 256;
// An adapting read-ahead measures over periods this long.
constexpr auto kDepthPeriod = std::chrono::milliseconds(150);

}  // namespace

namespace {
void run_helper(PrefetchShared& shared);
}  // namespace

// The scheduler and the threads' meeting points; everything here but
// `closing` is used with `mutex` held.
struct PrefetchShared {
  explicit PrefetchShared(ReadAheadLimits limits) : scheduler(limits) {}

  std::mutex mutex;
  std::condition_variable work;      // idle helpers: a job may be there, closing
  std::condition_variable room;      // helpers holding a listing: entries taken, the walk came, closing
  std::condition_variable progress;  // the walk: entries handed over, a stage passed, a helper ended
  ReadAheadScheduler scheduler;
  std::atomic<bool> closing = false;  // read between entries without the lock
  std::vector<std::thread> helpers;   // started and joined by the walk's thread
  std::size_t helpers_running = 0;
  // What ended a helper that failed (out of memory): the walk's next wait for
  // the helpers throws it, since what they hold is no longer whole.
  std::exception_ptr failure;
  std::size_t most_in_flight = 0;     // what the descriptor share allows

  // The adapting depth and what it measures over the current period (walk's thread).
  std::optional<ReadAheadDepth> depth;
  Clock::time_point period_start = Clock::now();
  std::size_t period_entries = 0;
  Clock::duration walk_waiting{};

  // Starts helpers until `count` run (fewer if the system refuses threads: the
  // walk stays the same) and lets that many listings be in flight.
  void run_helpers(std::size_t count) {
    while (helpers.size() < count) {
      try {
        helpers.emplace_back(run_helper, std::ref(*this));
      } catch (const std::exception&) {  // no thread, or no memory for one
        break;
      }
      ++helpers_running;
    }
    const std::size_t limit = std::min(count, helpers.size());
    if (limit == scheduler.limits().in_flight) return;  // every period asks; most change nothing
    scheduler.set_in_flight_limit(limit);
    work.notify_all();
  }

  // Wakes one idle helper when a job waits for one. The helper that takes a
  // job wakes the next while more wait, so no event wakes every idle helper
  // only for all but one to sleep again.
  void offer_job() {
    if (scheduler.worth_waking()) work.notify_one();
  }

  // At the end of each period, lets the depth follow what the period measured.
  void adapt() {
    if (!depth) return;
    const Clock::time_point now = Clock::now();
    if (now - period_start < kDepthPeriod) return;
    DepthSample sample;
    sample.seconds = std::chrono::duration<double>(now - period_start).count();
    sample.entries = static_cast<double>(scheduler.entries_handed_over() - period_entries);
    sample.walk_waiting = std::chrono::duration<double>(walk_waiting).count();
    run_helpers(std::min(depth->on_period(sample), most_in_flight));
    period_start = now;
    period_entries = scheduler.entries_handed_over();
    walk_waiting = {};
  }
};

namespace {

using Shared = PrefetchShared;

// Collects a helper's listing into chunks and hands them over; holds the helper
// back while the walk has enough waiting, unless the walk is reading this one.
class HelperSink final : public EntrySink {
 public:
  HelperSink(Shared& shared, ReadAheadTask& task) : shared_(shared), task_(task) {}

  bool on_entry(const DirEntry& entry) override {
    if (shared_.closing.load(std::memory_order_relaxed)) return false;
    if (entry.is_folder) subs.push_back(SubFolder{std::string(entry.name), entry.is_link, entry.id});
    chunk_.add(entry);
    if (chunk_.size() < kEntriesPerChunk) return true;
    std::unique_lock lock(shared_.mutex);
    HelperStep step = shared_.scheduler.hand_over(task_, std::exchange(chunk_, Chunk()));
    shared_.progress.notify_all();
    while (step == HelperStep::hold && !shared_.closing) {
      shared_.room.wait(lock);
      step = shared_.scheduler.next_step(task_);
    }
    return step == HelperStep::go_on && !shared_.closing;
  }

  /// Hands over the rest once the listing has ended.
  void hand_over_rest() { (void)shared_.scheduler.hand_over(task_, std::exchange(chunk_, Chunk())); }

  std::vector<SubFolder> subs;

 private:
  Shared& shared_;
  ReadAheadTask& task_;
  Chunk chunk_;
};

// Passes the walk's own listing on and notes its sub-folders for the helpers.
class ForwardingSink final : public EntrySink {
 public:
  explicit ForwardingSink(EntrySink& to) : to_(to) {}
  bool on_entry(const DirEntry& entry) override {
    if (entry.is_folder) subs.push_back(SubFolder{std::string(entry.name), entry.is_link, entry.id});
    ended_early = !to_.on_entry(entry);
    return !ended_early;
  }
  std::vector<SubFolder> subs;
  bool ended_early = false;

 private:
  EntrySink& to_;
};

void help(Shared& shared) {
  std::unique_lock lock(shared.mutex);
  for (;;) {
    std::optional<ReadAheadScheduler::Job> job;
    shared.work.wait(lock, [&] { return shared.closing || (job = shared.scheduler.take_job()); });
    if (shared.closing) {
      --shared.helpers_running;
      shared.progress.notify_all();
      return;
    }
    shared.offer_job();
    lock.unlock();
    Status error;
    std::unique_ptr<OpenFolder> folder = job->parent->folder->open_child(job->task->name, error);
    // Where the listing gave no identity (Windows), the walk asks for it when
    // it enters the folder: found here, that costs the walk nothing.
    std::optional<platform::FolderId> id;
    if (folder && !job->task->id) id = folder->id();
    lock.lock();
    if (id) job->task->id = id;
    shared.scheduler.opened(*job, std::move(folder), error);
    shared.progress.notify_all();
    shared.offer_job();  // the parent may have been freed: room for another
    if (job->task->stage != Stage::listing) continue;
    lock.unlock();

    HelperSink sink(shared, *job->task);
    const Status status = job->task->folder->list(sink);
    lock.lock();
    sink.hand_over_rest();
    shared.scheduler.listed(job->task, status, sink.subs);
    shared.progress.notify_all();
    // This helper takes the next job itself; it wakes others if more wait.
  }
}

void run_helper(Shared& shared) {
  try {
    help(shared);
  } catch (...) {
    // Out of memory, most likely: the helpers stop, and the walk learns why.
    std::lock_guard lock(shared.mutex);
    if (!shared.failure) shared.failure = std::current_exception();
    shared.closing = true;
    --shared.helpers_running;
    shared.work.notify_all();
    shared.room.notify_all();
    shared.progress.notify_all();
  }
}

// Throws what ended a failed helper. Lock held.
void throw_if_failed(const Shared& shared) {
  if (shared.failure) std::rethrow_exception(shared.failure);
}

// Waits for news from the helpers; whenever a turn of the event loop falls due
// meanwhile, gives it, however many notifications came in between. False once
// the user has asked the scan to stop.
bool wait_for_helpers(Shared& shared, TurnPacer& pacer, std::unique_lock<std::mutex>& lock) {
  const Clock::time_point due = pacer.due();
  const Clock::time_point began = Clock::now();
  const bool woken = began < due && shared.progress.wait_until(lock, due) == std::cv_status::no_timeout;
  shared.walk_waiting += Clock::now() - began;
  shared.adapt();
  if (woken) return true;
  lock.unlock();
  const bool stop = pacer.offer();
  lock.lock();
  return !stop;
}

// A folder as the walk sees it: its listing comes from a helper when one took
// it, otherwise the walk lists it here.
class PrefetchedFolder final : public OpenFolder {
 public:
  PrefetchedFolder(Shared& shared, TurnPacer& pacer, TaskPtr task)
      : shared_(shared), pacer_(pacer), task_(std::move(task)) {}

  ~PrefetchedFolder() override {
    std::lock_guard lock(shared_.mutex);
    try {
      shared_.scheduler.drop(*task_);
      shared_.offer_job();
    } catch (const std::bad_alloc&) {
      // Out of memory while the walk unwinds: the helpers end with it.
      shared_.closing = true;
      shared_.work.notify_all();
    }
    shared_.room.notify_all();
  }

  Status list(EntrySink& sink) override {
    std::unique_lock lock(shared_.mutex);
    if (task_->stage == Stage::walk_owned) {
      lock.unlock();
      return list_here(sink);
    }
    for (;;) {
      const bool budget_spent = shared_.scheduler.waiting_entries() >= shared_.scheduler.limits().waiting_entries;
      if (std::optional<Chunk> chunk = shared_.scheduler.take_chunk(*task_)) {
        shared_.adapt();
        // Helpers are held back only while the budget is spent: waking them
        // on every chunk would cost more than it gives.
        if (budget_spent) shared_.room.notify_all();
        shared_.offer_job();  // wakes a helper once there is room for a batch
        lock.unlock();
        for (std::size_t i = 0; i < chunk->size(); ++i) {
          if (!sink.on_entry(chunk->entry(i))) {
            lock.lock();
            end_early();
            return Status();
          }
        }
        lock.lock();
        continue;
      }
      // A helper that failed may have ended the others' listings early.
      throw_if_failed(shared_);
      if (task_->stage == Stage::listed) return task_->list_status;
      if (!wait_for_helpers(shared_, pacer_, lock)) {
        end_early();
        return Status();
      }
    }
  }

  std::unique_ptr<OpenFolder> open_child(std::string_view name, Status& error) override {
    std::unique_lock lock(shared_.mutex);
    TaskPtr child = shared_.scheduler.enter_child(task_, name);
    shared_.offer_job();  // passed-by folders freed
    shared_.room.notify_all();  // a helper holding this listing may go on
    if (child->stage == Stage::walk_owned) {
      lock.unlock();
      std::unique_ptr<OpenFolder> folder = task_->folder->open_child(name, error);
      if (!folder) return nullptr;
      lock.lock();
      shared_.scheduler.walk_opened(*child, std::move(folder));
    } else {
      // Opening is short; the walk waits for it even when asked to stop, so
      // that a stopped scan never reports a readable folder as unreadable.
      while (child->stage == Stage::opening) {
        throw_if_failed(shared_);
        (void)wait_for_helpers(shared_, pacer_, lock);
      }
      if (child->stage == Stage::failed) {
        error = child->open_error;
        shared_.scheduler.drop(*child);
        return nullptr;
      }
    }
    return std::make_unique<PrefetchedFolder>(shared_, pacer_, std::move(child));
  }

  std::optional<platform::FolderId> id() override {
    {
      std::lock_guard lock(shared_.mutex);
      if (task_->id) return task_->id;
    }
    return task_->folder->id();
  }

  bool is_pseudo_file_system() override { return task_->folder->is_pseudo_file_system(); }

 private:
  // The walk's own listing of a folder no helper took.
  Status list_here(EntrySink& sink) {
    ForwardingSink forward(sink);
    const Status listed = task_->folder->list(forward);
    std::lock_guard lock(shared_.mutex);
    if (!forward.ended_early) {
      shared_.scheduler.walk_listed(task_, forward.subs);
      shared_.offer_job();
    }
    return listed;
  }

  // The walk ends inside this listing: the helper reading it may stop. Lock held.
  void end_early() {
    shared_.scheduler.drop(*task_);
    shared_.offer_job();
    shared_.room.notify_all();
  }

  Shared& shared_;
  TurnPacer& pacer_;
  TaskPtr task_;
};

// The budgets, within what the source may hold open: half of that for the
// folders opened ahead (the rest is the walk's descent path's), and few enough
// listings in flight that their folders and their parents always fit.
ReadAheadLimits limits_for(const platform::FolderSource& source, unsigned helpers) {
  ReadAheadLimits limits;
  const std::size_t open_at_once = source.folders_open_at_once();
  limits.folders_ahead = std::min(limits.folders_ahead, std::max<std::size_t>(1, open_at_once / 2));
  limits.in_flight = std::min<std::size_t>(helpers, std::max<std::size_t>(1, open_at_once / 4));
  return limits;
}

}  // namespace

unsigned default_listing_threads() {
  const char* text = std::getenv("KORVINT_LISTING_THREADS");
  if (text == nullptr || *text == '\0') return kDefaultListingThreads;
  if (std::string_view(text) == "auto") return kAdaptiveListing;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text, &end, 10);
  if (*end != '\0' || value > kMostListingThreads) return kDefaultListingThreads;
  return static_cast<unsigned>(value);
}

FolderPrefetch::FolderPrefetch(platform::FolderSource& inner, TurnPacer& pacer, unsigned helpers)
    : inner_(inner),
      pacer_(pacer),
      shared_(std::make_unique<Shared>(
          limits_for(inner, helpers == kAdaptiveListing ? kMostListingThreads : helpers))) {
  std::lock_guard lock(shared_->mutex);
  shared_->most_in_flight = shared_->scheduler.limits().in_flight;
  std::size_t start = shared_->most_in_flight;
  if (helpers == kAdaptiveListing) {
    shared_->depth.emplace(std::min(kFirstDepth, shared_->most_in_flight), shared_->most_in_flight);
    start = shared_->depth->depth();
  }
  shared_->run_helpers(start);
}

FolderPrefetch::~FolderPrefetch() {
  std::unique_lock lock(shared_->mutex);
  shared_->closing = true;
  shared_->work.notify_all();
  shared_->room.notify_all();
  // A helper ends once its current call of the folder source returns. The
  // window keeps its turns meanwhile, except while the walk unwinds from a
  // failure: a turn would run the window's handlers in the middle of that.
  const bool unwinding = std::uncaught_exceptions() > 0;
  while (shared_->helpers_running > 0) {
    if (unwinding) {
      shared_->progress.wait(lock);
    } else {
      (void)wait_for_helpers(*shared_, pacer_, lock);
    }
  }
  lock.unlock();
  for (std::thread& helper : shared_->helpers) helper.join();
}

std::unique_ptr<OpenFolder> FolderPrefetch::open_root(std::string_view root, Status& error) {
  std::unique_ptr<OpenFolder> folder = inner_.open_root(root, error);
  if (!folder) return nullptr;
  // The root's identity lets helpers spot a folder met again on its own path.
  std::optional<platform::FolderId> id = folder->id();
  std::lock_guard lock(shared_->mutex);
  return std::make_unique<PrefetchedFolder>(*shared_, pacer_, shared_->scheduler.start(std::move(folder), id));
}

}  // namespace korvint::engine
