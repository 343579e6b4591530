#include "engine/folder_prefetch.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <optional>
#include <queue>
#include <string>
#include <system_error>
#include <utility>

#include "engine/walker.h"

namespace korvint::engine {
namespace {

using platform::DirEntry;
using platform::EntrySink;
using platform::FolderId;
using platform::OpenFolder;
using platform::Status;

// Entries a helper hands over at a time: one lock per chunk, not per entry.
constexpr std::size_t kEntriesPerChunk = 256;
// Read-ahead stops while this many entries wait for the walk (a few MiB)...
constexpr std::size_t kWaitingEntriesLimit = 32 * 1024;
// ...or while this many folders opened ahead wait for it (each holds a handle).
constexpr std::size_t kFoldersAheadLimit = 256;
// How long the walk waits for a helper before it gives the event loop a turn.
constexpr auto kWaitSlice = std::chrono::milliseconds(20);

// One listed entry kept for the walk; its name lives in its chunk's `names`.
struct Record {
  std::size_t name_at = 0;
  std::size_t name_size = 0;
  bool is_folder = false;
  bool is_link = false;
  std::uint64_t size = 0;
  std::int64_t creation_time = 0;
  std::int64_t write_time = 0;
  std::optional<FolderId> id;
};

struct Chunk {
  std::vector<Record> records;
  std::string names;

  void add(const DirEntry& entry) {
    records.push_back(Record{names.size(), entry.name.size(), entry.is_folder, entry.is_link,
                             entry.size, entry.creation_time, entry.write_time, entry.id});
    names.append(entry.name);
  }
  [[nodiscard]] DirEntry entry(const Record& record) const {
    DirEntry entry;
    entry.name = std::string_view(names).substr(record.name_at, record.name_size);
    entry.is_folder = record.is_folder;
    entry.is_link = record.is_link;
    entry.size = record.size;
    entry.creation_time = record.creation_time;
    entry.write_time = record.write_time;
    entry.id = record.id;
    return entry;
  }
};

enum class Stage {
  waiting,     // known from its parent's listing; nobody has started it
  opening,     // a helper is opening it
  listing,     // a helper is listing it
  listed,      // a helper has finished with it (or could not open it)
  walk_owned,  // the walk opens and lists it itself
};

// A folder the walk will enter, in the order of the walk.
struct Task {
  std::shared_ptr<Task> parent;   // keeps the parent open for opening this one
  std::string name;               // within the parent
  std::vector<std::uint32_t> position;  // sub-folder indexes from the root: the walk's order
  std::optional<FolderId> id;     // from the parent's listing
  // Everything below is guarded by the shared mutex.
  Stage stage = Stage::waiting;
  bool claimed = false;           // the walk is reading this listing now
  bool dropped = false;           // the walk will never read it
  bool counted_ahead = false;     // opened by a helper and not yet claimed
  std::unique_ptr<OpenFolder> folder;
  Status open_error;
  std::deque<Chunk> chunks;
  Status list_status;
  std::vector<std::shared_ptr<Task>> children;  // its sub-folders, once listed in full
};

struct SubFolder {
  std::string name;
  bool is_link = false;
  std::optional<FolderId> id;
};

// The task that comes first in the walk is served first.
struct LaterInWalk {
  bool operator()(const std::shared_ptr<Task>& a, const std::shared_ptr<Task>& b) const {
    return a->position > b->position;
  }
};

}  // namespace

struct FolderPrefetch::Shared {
  std::mutex mutex;
  std::condition_variable work;      // helpers: work queued, room made, closing
  std::condition_variable progress;  // the walk: a chunk handed over, a stage passed
  std::priority_queue<std::shared_ptr<Task>, std::vector<std::shared_ptr<Task>>, LaterInWalk> queue;
  std::size_t waiting_entries = 0;
  std::size_t folders_ahead = 0;
  bool closing = false;

  [[nodiscard]] bool has_room() const {
    return waiting_entries < kWaitingEntriesLimit && folders_ahead < kFoldersAheadLimit;
  }

  // Frees what `task` and everything found below it hold for the walk. Lock held.
  void drop(const std::shared_ptr<Task>& task) {
    std::vector<Task*> pending{task.get()};
    // Holds the children let go below until the walk through them is over.
    std::vector<std::shared_ptr<Task>> kept;
    while (!pending.empty()) {
      Task* t = pending.back();
      pending.pop_back();
      if (t->dropped) continue;
      t->dropped = true;
      for (const Chunk& chunk : t->chunks) waiting_entries -= chunk.records.size();
      t->chunks.clear();
      if (t->counted_ahead) {
        t->counted_ahead = false;
        --folders_ahead;
      }
      // Letting go of the children frees each one (and closes its folder) as
      // soon as no helper and no queue holds it any more.
      for (const auto& child : t->children) {
        if (child) pending.push_back(child.get());
      }
      kept.insert(kept.end(), std::make_move_iterator(t->children.begin()),
                  std::make_move_iterator(t->children.end()));
      t->children.clear();
    }
    work.notify_all();
  }

  // Makes the tasks for the sub-folders of `task`, whose listing is complete,
  // and queues those a helper may take. Lock held.
  void add_children(const std::shared_ptr<Task>& task, std::vector<SubFolder>& subs) {
    task->children.reserve(subs.size());
    for (std::size_t i = 0; i < subs.size(); ++i) {
      auto child = std::make_shared<Task>();
      child->parent = task;
      child->name = std::move(subs[i].name);
      child->position = task->position;
      child->position.push_back(static_cast<std::uint32_t>(i));
      child->id = subs[i].id;
      task->children.push_back(child);
      // A link is entered by the walk alone, after it has checked it for a
      // circle; so is a folder met again on its own path (a bind mount).
      if (!subs[i].is_link && !on_path(*task, child->id)) queue.push(child);
    }
    subs.clear();
    if (!task->children.empty()) work.notify_all();
  }

  static bool on_path(const Task& task, const std::optional<FolderId>& id) {
    if (!id) return false;
    for (const Task* t = &task; t != nullptr; t = t->parent.get()) {
      if (t->id == id) return true;
    }
    return false;
  }
};

namespace {

using Shared = FolderPrefetch::Shared;

// Collects a helper's listing into chunks and hands them over; holds the helper
// back while the walk has enough waiting, unless the walk is reading this one.
class HelperSink final : public EntrySink {
 public:
  HelperSink(Shared& shared, const std::shared_ptr<Task>& task) : shared_(shared), task_(task) {}

  bool on_entry(const DirEntry& entry) override {
    if (entry.is_folder) subs_.push_back(SubFolder{std::string(entry.name), entry.is_link, entry.id});
    chunk_.add(entry);
    if (chunk_.records.size() < kEntriesPerChunk) return true;
    std::unique_lock lock(shared_.mutex);
    hand_over();
    shared_.work.wait(lock, [this] {
      return task_->claimed || task_->dropped || shared_.closing ||
             shared_.waiting_entries < kWaitingEntriesLimit;
    });
    return !task_->dropped && !shared_.closing;
  }

  // Hands over the rest once the listing has ended, however it ended.
  void finish(const Status& listed) {
    std::lock_guard lock(shared_.mutex);
    hand_over();
    task_->list_status = listed;
    if (!task_->dropped && !shared_.closing) shared_.add_children(task_, subs_);
    task_->stage = Stage::listed;
    shared_.progress.notify_all();
  }

 private:
  void hand_over() {
    if (task_->dropped || chunk_.records.empty()) {
      chunk_ = Chunk();
      return;
    }
    shared_.waiting_entries += chunk_.records.size();
    task_->chunks.push_back(std::move(chunk_));
    chunk_ = Chunk();
    shared_.progress.notify_all();
  }

  Shared& shared_;
  const std::shared_ptr<Task>& task_;
  Chunk chunk_;
  std::vector<SubFolder> subs_;
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

void run_helper(Shared& shared) {
  std::unique_lock lock(shared.mutex);
  for (;;) {
    shared.work.wait(lock, [&] { return shared.closing || (!shared.queue.empty() && shared.has_room()); });
    if (shared.closing) return;
    std::shared_ptr<Task> task = shared.queue.top();
    shared.queue.pop();
    if (task->stage != Stage::waiting || task->dropped) continue;
    task->stage = Stage::opening;
    lock.unlock();

    Status error;
    std::unique_ptr<OpenFolder> folder = task->parent->folder->open_child(task->name, error);
    lock.lock();
    task->folder = std::move(folder);
    if (!task->folder || task->dropped) {
      task->open_error = std::move(error);
      task->stage = Stage::listed;
      shared.progress.notify_all();
      continue;
    }
    task->counted_ahead = true;
    ++shared.folders_ahead;
    task->stage = Stage::listing;
    shared.progress.notify_all();
    lock.unlock();

    HelperSink sink(shared, task);
    const Status listed = task->folder->list(sink);
    sink.finish(listed);
    lock.lock();
  }
}

// A folder as the walk sees it: its listing comes from a helper when one took
// it, otherwise the walk lists it here.
class PrefetchedFolder final : public OpenFolder {
 public:
  PrefetchedFolder(Shared& shared, WalkHost& host, std::shared_ptr<Task> task)
      : shared_(shared), host_(host), task_(std::move(task)) {}

  ~PrefetchedFolder() override {
    std::lock_guard lock(shared_.mutex);
    shared_.drop(task_);
  }

  Status list(EntrySink& sink) override {
    std::unique_lock lock(shared_.mutex);
    if (task_->stage == Stage::walk_owned) {
      lock.unlock();
      return list_here(sink);
    }
    task_->claimed = true;
    shared_.work.notify_all();  // a helper held back on this folder may go on
    for (;;) {
      if (!task_->chunks.empty()) {
        Chunk chunk = std::move(task_->chunks.front());
        task_->chunks.pop_front();
        shared_.waiting_entries -= chunk.records.size();
        shared_.work.notify_all();
        lock.unlock();
        for (const Record& record : chunk.records) {
          if (!sink.on_entry(chunk.entry(record))) {
            lock.lock();
            shared_.drop(task_);  // the walk ends here: the helper may stop
            return Status();
          }
        }
        lock.lock();
        continue;
      }
      if (task_->stage == Stage::listed) return task_->list_status;
      if (!wait_a_slice(lock)) {
        shared_.drop(task_);
        return Status();
      }
    }
  }

  std::unique_ptr<OpenFolder> open_child(std::string_view name, Status& error) override {
    std::unique_lock lock(shared_.mutex);
    std::shared_ptr<Task> child;
    // The walk enters sub-folders in listing order; those it passes by are not
    // needed. Each is let go here, so that finished folders close at once.
    while (next_child_ < task_->children.size()) {
      std::shared_ptr<Task> candidate = std::move(task_->children[next_child_++]);
      if (candidate->name == name) {
        child = std::move(candidate);
        break;
      }
      shared_.drop(candidate);
    }
    if (!child) {  // a listing that ended early made no tasks
      child = std::make_shared<Task>();
      child->parent = task_;
      child->name = std::string(name);
      child->stage = Stage::walk_owned;
    }
    if (child->stage == Stage::waiting) child->stage = Stage::walk_owned;
    if (child->stage == Stage::walk_owned) {
      lock.unlock();
      std::unique_ptr<OpenFolder> folder = task_->folder->open_child(name, error);
      if (!folder) return nullptr;
      lock.lock();
      child->folder = std::move(folder);
    } else {
      // Opening is short; the walk waits for it even when asked to stop, so
      // that a stopped scan never reports a readable folder as unreadable.
      while (child->stage == Stage::opening) (void)wait_a_slice(lock);
      if (!child->folder) {
        error = child->open_error;
        shared_.drop(child);
        return nullptr;
      }
      if (child->counted_ahead) {
        child->counted_ahead = false;
        --shared_.folders_ahead;
        shared_.work.notify_all();
      }
    }
    return std::make_unique<PrefetchedFolder>(shared_, host_, std::move(child));
  }

  std::optional<FolderId> id() override { return task_->folder->id(); }

 private:
  // The walk's own listing of a folder no helper took.
  Status list_here(EntrySink& sink) {
    ForwardingSink forward(sink);
    const Status listed = task_->folder->list(forward);
    std::lock_guard lock(shared_.mutex);
    if (!forward.ended_early && !task_->dropped) shared_.add_children(task_, forward.subs);
    return listed;
  }

  // Waits for a helper; after a slice without news gives the event loop a
  // turn. False once the user has asked the scan to stop.
  bool wait_a_slice(std::unique_lock<std::mutex>& lock) {
    if (shared_.progress.wait_for(lock, kWaitSlice) == std::cv_status::no_timeout) return true;
    lock.unlock();
    host_.idle_turn();
    const bool stop = host_.StopFlag();
    lock.lock();
    return !stop;
  }

  Shared& shared_;
  WalkHost& host_;
  std::shared_ptr<Task> task_;
  std::size_t next_child_ = 0;
};

}  // namespace

unsigned default_listing_threads() {
  // Measured on two cores: with a warm cache two to four helpers take a quarter
  // off the walk (more only contend), with a cold one each extra request in
  // flight helps. Four keeps nearly all of the warm gain and most of the cold.
  constexpr unsigned kDefault = 4;
  const char* text = std::getenv("KORVINT_LISTING_THREADS");
  if (text == nullptr || *text == '\0') return kDefault;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text, &end, 10);
  if (*end != '\0' || value > 16) return kDefault;
  return static_cast<unsigned>(value);
}

FolderPrefetch::FolderPrefetch(platform::FolderSource& inner, WalkHost& host, unsigned helpers)
    : inner_(inner), host_(host), shared_(std::make_unique<Shared>()) {
  for (unsigned i = 0; i < helpers; ++i) {
    try {
      helpers_.emplace_back(run_helper, std::ref(*shared_));
    } catch (const std::system_error&) {
      break;  // fewer helpers (or none: the walk lists everything itself) still give the same walk
    }
  }
}

FolderPrefetch::~FolderPrefetch() {
  {
    std::lock_guard lock(shared_->mutex);
    shared_->closing = true;
  }
  shared_->work.notify_all();
  for (std::thread& helper : helpers_) helper.join();
}

std::unique_ptr<OpenFolder> FolderPrefetch::open_root(std::string_view root, Status& error) {
  std::unique_ptr<OpenFolder> folder = inner_.open_root(root, error);
  if (!folder) return nullptr;
  auto task = std::make_shared<Task>();
  task->stage = Stage::walk_owned;
  if (!helpers_.empty()) task->id = folder->id();  // lets helpers spot a folder met again
  task->folder = std::move(folder);
  return std::make_unique<PrefetchedFolder>(*shared_, host_, std::move(task));
}

}  // namespace korvint::engine
