#pragma once
// The bookkeeping of the read-ahead walk, without threads: which folder a
// helper opens next, how much the helpers may hold ahead of the walk, what the
// walk takes from them, and what is freed when the walk passes a folder by.
// FolderPrefetch makes every call under one lock and adds the threads; tests
// drive it step by step.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/folder_source.h"
#include "platform/status.h"

namespace korvint::engine {

/// Entries of one listing kept for the walk, their names packed in one string.
class Chunk {
 public:
  /// Keeps a copy of `entry`.
  void add(const platform::DirEntry& entry);
  [[nodiscard]] std::size_t size() const { return records_.size(); }
  /// Entry `i`; its name is valid while the chunk lives.
  [[nodiscard]] platform::DirEntry entry(std::size_t i) const;

 private:
  struct Record {
    std::size_t name_at = 0;
    std::size_t name_size = 0;
    bool is_folder = false;
    bool is_link = false;
    std::uint64_t size = 0;
    std::int64_t creation_time = 0;
    std::int64_t write_time = 0;
    std::optional<platform::FolderId> id;
  };
  std::vector<Record> records_;
  std::string names_;
};

/// A sub-folder as its parent's listing names it.
struct SubFolder {
  std::string name;
  bool is_link = false;
  std::optional<platform::FolderId> id;
};

/// How far the helpers have got with a folder.
enum class Stage {
  queued,      ///< known from its parent's listing; waits for a helper
  opening,     ///< a helper opens it
  listing,     ///< a helper lists it
  listed,      ///< a helper has listed it to the end, or stopped because the walk let it go
  failed,      ///< a helper could not open it; the reason is kept
  walk_owned,  ///< no helper takes it: the walk opens and lists it itself
};

/// Where the walk stands towards a folder.
enum class WalkView {
  ahead,    ///< not reached yet: what the helpers hold of it counts against the budgets
  entered,  ///< the walk is in it, reading its listing or below it
  dropped,  ///< the walk will never read it: what it held is freed
};

/// Whose budget the folder's open handle counts against.
enum class Handle {
  none,    ///< not open (yet, or any more)
  ahead,   ///< opened by a helper for a folder the walk has not reached
  walk,    ///< open for the walk
};

/// What a helper does after handing entries over.
enum class HelperStep {
  go_on,  ///< read on
  hold,   ///< wait: the walk has enough entries waiting; ask again when it takes some
  stop,   ///< end the listing: the walk will never read it
};

/// A folder the walk will enter. Only ReadAheadScheduler changes it.
struct ReadAheadTask {
  std::weak_ptr<ReadAheadTask> parent;    ///< the folder to open this one in; alive while this is not dropped
  std::string name;                       ///< within the parent
  std::vector<std::uint32_t> position;    ///< sub-folder indexes from the root: the walk's order
  std::optional<platform::FolderId> id;   ///< from the parent's listing
  Stage stage = Stage::queued;
  WalkView view = WalkView::ahead;
  Handle handle = Handle::none;
  std::unique_ptr<platform::OpenFolder> folder;  ///< open while `handle` is not none
  std::size_t children_opening = 0;  ///< helpers opening a sub-folder in `folder` now
  platform::Status open_error;       ///< why a helper could not open it
  platform::Status list_status;      ///< how a helper's listing ended
  std::deque<Chunk> chunks;          ///< a helper's listing, waiting for the walk
  std::vector<std::shared_ptr<ReadAheadTask>> children;  ///< its sub-folders, once listed in full
  std::size_t next_child = 0;        ///< children before this one the walk has entered or passed by
};

/// The budgets of the read-ahead.
struct ReadAheadLimits {
  std::size_t waiting_entries = 32 * 1024;  ///< entries listed ahead and not yet read by the walk
  std::size_t folders_ahead = 256;          ///< folders helpers hold open ahead of the walk
  std::size_t in_flight = 4;                ///< folders helpers open or list at once
};

class ReadAheadScheduler {
 public:
  using TaskPtr = std::shared_ptr<ReadAheadTask>;

  explicit ReadAheadScheduler(ReadAheadLimits limits);
  ReadAheadScheduler(const ReadAheadScheduler&) = delete;
  ReadAheadScheduler& operator=(const ReadAheadScheduler&) = delete;

  // ---- The walk ----

  /// The root, opened by the walk, which lists it itself. `id` lets helpers
  /// spot a folder met again on its own path.
  TaskPtr start(std::unique_ptr<platform::OpenFolder> root, std::optional<platform::FolderId> id);

  /// The walk has listed the walk-owned `task` to its end: its sub-folders
  /// (taken from `subs`) become tasks, queued for the helpers.
  void walk_listed(const TaskPtr& task, std::vector<SubFolder>& subs);

  /// The walk enters the sub-folder `name` of `parent`. Sub-folders before it
  /// that the walk passed by are dropped; a queued one becomes walk-owned, and
  /// one the listing did not give (a listing that ended early) is made so.
  TaskPtr enter_child(const TaskPtr& parent, std::string_view name);

  /// The walk has opened the walk-owned `task` itself.
  void walk_opened(ReadAheadTask& task, std::unique_ptr<platform::OpenFolder> folder);

  /// The next entries a helper listed of `task`, if any wait.
  std::optional<Chunk> take_chunk(ReadAheadTask& task);

  /// The walk will not read `task` or anything below it (again): frees all they hold.
  void drop(ReadAheadTask& task);

  // ---- The helpers ----

  /// Opening `task` in the open folder of `parent`.
  struct Job {
    TaskPtr task;
    TaskPtr parent;
  };

  /// The queued folder first in the walk's order, when the budgets allow one more.
  std::optional<Job> take_job();

  /// Whether an idle helper is worth waking: take_job would give a job, and
  /// the budgets have room for more than one. Waking a helper for every slot
  /// the walk frees would cost a thread switch per folder once the helpers
  /// are ahead; this way they sleep until there is a batch to do.
  [[nodiscard]] bool worth_waking() const;

  /// A helper's job has ended: `folder` is the opened folder, or null with `error`.
  void opened(const Job& job, std::unique_ptr<platform::OpenFolder> folder, const platform::Status& error);

  /// A helper hands over entries of `task`; says whether to read on.
  HelperStep hand_over(ReadAheadTask& task, Chunk chunk);

  /// For a helper holding: whether it may read on now.
  [[nodiscard]] HelperStep next_step(const ReadAheadTask& task) const;

  /// A helper's listing of `task` has ended with `status`; `subs` are the
  /// sub-folders it found (taken when the listing is complete).
  void listed(const TaskPtr& task, const platform::Status& status, std::vector<SubFolder>& subs);

  // ---- What the budgets stand at ----

  [[nodiscard]] std::size_t waiting_entries() const { return waiting_entries_; }
  [[nodiscard]] std::size_t folders_ahead() const { return folders_ahead_; }
  [[nodiscard]] std::size_t in_flight() const { return in_flight_; }
  [[nodiscard]] std::size_t queued() const { return ready_.size(); }
  /// Entries the helpers have handed over since the start.
  [[nodiscard]] std::size_t entries_handed_over() const { return entries_handed_over_; }
  [[nodiscard]] const ReadAheadLimits& limits() const { return limits_; }
  /// Changes how many folders the helpers may open or list at once.
  void set_in_flight_limit(std::size_t in_flight) { limits_.in_flight = in_flight; }

 private:
  struct EarlierInWalk {
    using is_transparent = void;
    static const ReadAheadTask& of(const TaskPtr& task) { return *task; }
    static const ReadAheadTask& of(const ReadAheadTask* task) { return *task; }
    template <class A, class B>
    bool operator()(const A& a, const B& b) const {
      return of(a).position < of(b).position;
    }
  };

  void add_children(const TaskPtr& task, std::vector<SubFolder>& subs);
  void close_if_unused(ReadAheadTask& task);
  static bool on_path(const ReadAheadTask& task, const std::optional<platform::FolderId>& id);

  ReadAheadLimits limits_;
  std::set<TaskPtr, EarlierInWalk> ready_;  // queued tasks a helper may take
  std::size_t waiting_entries_ = 0;
  std::size_t folders_ahead_ = 0;  // handles counted as Handle::ahead, and opens under way
  std::size_t in_flight_ = 0;
  std::size_t entries_handed_over_ = 0;
};

}  // namespace korvint::engine
