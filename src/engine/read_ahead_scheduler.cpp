#include "engine/read_ahead_scheduler.h"

#include <iterator>
#include <utility>

namespace korvint::engine {

using platform::DirEntry;
using platform::FolderId;
using platform::OpenFolder;
using platform::Status;

void Chunk::add(const DirEntry& entry) {
  records_.push_back(Record{names_.size(), entry.name.size(), entry.is_folder, entry.is_link, entry.size,
                            entry.creation_time, entry.write_time, entry.id});
  names_.append(entry.name);
}

DirEntry Chunk::entry(std::size_t i) const {
  const Record& record = records_[i];
  DirEntry entry;
  entry.name = std::string_view(names_).substr(record.name_at, record.name_size);
  entry.is_folder = record.is_folder;
  entry.is_link = record.is_link;
  entry.size = record.size;
  entry.creation_time = record.creation_time;
  entry.write_time = record.write_time;
  entry.id = record.id;
  return entry;
}

ReadAheadScheduler::ReadAheadScheduler(ReadAheadLimits limits) : limits_(limits) {}

ReadAheadScheduler::TaskPtr ReadAheadScheduler::start(std::unique_ptr<OpenFolder> root,
                                                      std::optional<FolderId> id) {
  auto task = std::make_shared<ReadAheadTask>();
  task->stage = Stage::walk_owned;
  task->view = WalkView::entered;
  task->handle = Handle::walk;
  task->id = id;
  task->folder = std::move(root);
  return task;
}

void ReadAheadScheduler::walk_listed(const TaskPtr& task, std::vector<SubFolder>& subs) {
  if (task->view != WalkView::dropped) add_children(task, subs);
  subs.clear();
}

ReadAheadScheduler::TaskPtr ReadAheadScheduler::enter_child(const TaskPtr& parent, std::string_view name) {
  TaskPtr child;
  // The walk enters sub-folders in listing order; those it passes by are not
  // needed. Each is dropped here, so that what they hold is freed at once.
  while (parent->next_child < parent->children.size()) {
    TaskPtr candidate = std::move(parent->children[parent->next_child++]);
    if (candidate->name == name) {
      child = std::move(candidate);
      break;
    }
    drop(*candidate);
  }
  if (!child) {  // a listing that ended early made no tasks
    child = std::make_shared<ReadAheadTask>();
    child->parent = parent;
    child->name = std::string(name);
    child->position = parent->position;
    child->position.push_back(static_cast<std::uint32_t>(parent->next_child));
    child->stage = Stage::walk_owned;
  }
  if (child->stage == Stage::queued) {
    ready_.erase(child);
    child->stage = Stage::walk_owned;
  }
  child->view = WalkView::entered;
  if (child->handle == Handle::ahead) {
    child->handle = Handle::walk;
    --folders_ahead_;
  }
  return child;
}

void ReadAheadScheduler::walk_opened(ReadAheadTask& task, std::unique_ptr<OpenFolder> folder) {
  task.folder = std::move(folder);
  task.handle = task.folder ? Handle::walk : Handle::none;
}

std::optional<Chunk> ReadAheadScheduler::take_chunk(ReadAheadTask& task) {
  if (task.chunks.empty()) return std::nullopt;
  Chunk chunk = std::move(task.chunks.front());
  task.chunks.pop_front();
  waiting_entries_ -= chunk.size();
  return chunk;
}

void ReadAheadScheduler::drop(ReadAheadTask& task) {
  std::vector<ReadAheadTask*> pending{&task};
  // Holds the children let go below until the loop is through with them.
  std::vector<TaskPtr> kept;
  while (!pending.empty()) {
    ReadAheadTask* t = pending.back();
    pending.pop_back();
    if (t->view == WalkView::dropped) continue;
    t->view = WalkView::dropped;
    for (const Chunk& chunk : t->chunks) waiting_entries_ -= chunk.size();
    t->chunks.clear();
    if (t->stage == Stage::queued) {
      // The set may hold its last owner.
      const auto found = ready_.find(static_cast<const ReadAheadTask*>(t));
      if (found != ready_.end() && found->get() == t) {
        kept.push_back(*found);
        ready_.erase(found);
      }
    }
    close_if_unused(*t);
    for (TaskPtr& child : t->children) {
      if (child) pending.push_back(child.get());
    }
    kept.insert(kept.end(), std::make_move_iterator(t->children.begin()),
                std::make_move_iterator(t->children.end()));
    t->children.clear();
  }
}

bool ReadAheadScheduler::worth_waking() const {
  return !ready_.empty() && in_flight_ < limits_.in_flight && waiting_entries_ < limits_.waiting_entries / 4 * 3 &&
         folders_ahead_ < limits_.folders_ahead / 4 * 3 + 1;
}

std::optional<ReadAheadScheduler::Job> ReadAheadScheduler::take_job() {
  if (ready_.empty() || in_flight_ >= limits_.in_flight || waiting_entries_ >= limits_.waiting_entries ||
      folders_ahead_ >= limits_.folders_ahead)
    return std::nullopt;
  TaskPtr task = *ready_.begin();
  ready_.erase(ready_.begin());
  TaskPtr parent = task->parent.lock();  // alive: its children are dropped with it
  task->stage = Stage::opening;
  ++parent->children_opening;
  ++in_flight_;
  ++folders_ahead_;  // the handle about to be opened
  return Job{std::move(task), std::move(parent)};
}

void ReadAheadScheduler::opened(const Job& job, std::unique_ptr<OpenFolder> folder, const Status& error) {
  ReadAheadTask& task = *job.task;
  --job.parent->children_opening;
  close_if_unused(*job.parent);
  --folders_ahead_;
  if (!folder) {
    task.open_error = error;
    task.stage = Stage::failed;
    --in_flight_;
    return;
  }
  task.folder = std::move(folder);
  if (task.view == WalkView::dropped) {
    task.stage = Stage::listed;
    --in_flight_;
    close_if_unused(task);
    return;
  }
  task.stage = Stage::listing;
  if (task.view == WalkView::ahead) {
    task.handle = Handle::ahead;
    ++folders_ahead_;
  } else {
    task.handle = Handle::walk;
  }
}

HelperStep ReadAheadScheduler::hand_over(ReadAheadTask& task, Chunk chunk) {
  if (task.view == WalkView::dropped) return HelperStep::stop;
  if (chunk.size() > 0) {
    waiting_entries_ += chunk.size();
    entries_handed_over_ += chunk.size();
    task.chunks.push_back(std::move(chunk));
  }
  return next_step(task);
}

HelperStep ReadAheadScheduler::next_step(const ReadAheadTask& task) const {
  if (task.view == WalkView::dropped) return HelperStep::stop;
  // The listing the walk is reading is never held back: the walk waits for it.
  if (task.view == WalkView::entered || waiting_entries_ < limits_.waiting_entries) return HelperStep::go_on;
  return HelperStep::hold;
}

void ReadAheadScheduler::listed(const TaskPtr& task, const Status& status, std::vector<SubFolder>& subs) {
  task->list_status = status;
  task->stage = Stage::listed;
  --in_flight_;
  if (task->view == WalkView::dropped) {
    close_if_unused(*task);
  } else if (status.ok()) {
    add_children(task, subs);
  }
  subs.clear();
}

void ReadAheadScheduler::add_children(const TaskPtr& task, std::vector<SubFolder>& subs) {
  task->children.reserve(subs.size());
  for (std::size_t i = 0; i < subs.size(); ++i) {
    auto child = std::make_shared<ReadAheadTask>();
    child->parent = task;
    child->name = std::move(subs[i].name);
    child->position = task->position;
    child->position.push_back(static_cast<std::uint32_t>(i));
    child->id = subs[i].id;
    // A link is entered by the walk alone, after it has checked whether its
    // folder was entered before; so is a folder met again on its own path (a
    // bind mount), and the top of another file system, which the walk may
    // not enter at all (/proc, /sys).
    const bool other_volume = task->id && child->id && child->id->volume != task->id->volume;
    if (subs[i].is_link || other_volume || on_path(*task, child->id)) {
      child->stage = Stage::walk_owned;
    } else {
      ready_.insert(child);
    }
    task->children.push_back(std::move(child));
  }
}

void ReadAheadScheduler::close_if_unused(ReadAheadTask& task) {
  if (task.view != WalkView::dropped || task.stage == Stage::opening || task.stage == Stage::listing ||
      task.children_opening > 0 || !task.folder)
    return;
  if (task.handle == Handle::ahead) --folders_ahead_;
  task.handle = Handle::none;
  task.folder.reset();
}

bool ReadAheadScheduler::on_path(const ReadAheadTask& task, const std::optional<FolderId>& id) {
  if (!id) return false;
  if (task.id == id) return true;
  for (TaskPtr t = task.parent.lock(); t; t = t->parent.lock()) {
    if (t->id == id) return true;
  }
  return false;
}

}  // namespace korvint::engine
