#include "engine/catalogue_output.h"

#include <chrono>
#include <thread>
#include <utility>

namespace korvint::engine {

using platform::Status;
namespace lock_note = catalogue::lock_note;

OutputPaths make_output_paths(std::string_view folder, std::string_view name) {
  OutputPaths paths;
  paths.output.reserve(folder.size() + name.size());
  paths.output.append(folder).append(name);
  paths.backup = catalogue::backup_path(paths.output);
  paths.lock = catalogue::lock_path(paths.output);
  return paths;
}

bool FileExists(platform::FileServices& files, const std::string& sFullPath) {
  return files.is_normal_file(sFullPath);
}

CatalogueOutput::CatalogueOutput(platform::FileServices& files, OutputPaths paths)
    : files_(files), paths_(std::move(paths)) {}

CatalogueOutput::~CatalogueOutput() {
  try {
    if (lock_) (void)finish_abandoned();
  } catch (...) {
    // Out of memory while unwinding: what is on disk stays as the notes say.
  }
}

Status CatalogueOutput::FileWrite() {
  // Two scans of one name would take each other's files for their own: one
  // would move the other's unfinished output aside as the earlier catalogue,
  // or put its backup back over the other's work. So the name is claimed
  // first, and every step that follows, up to the last one of finish_completed
  // or finish_abandoned, runs under the claim. The lock file exists only while
  // a scan runs, or after one was killed (then it binds no one; see lock_file).
  platform::LockAttempt claim = files_.lock_file(paths_.lock);
  // Vesko learns whether a scan writes this name by asking for the lock for a
  // moment (platform::probe_lock); a scan that starts in that moment finds it
  // busy. So a busy lock is asked for again over some milliseconds before
  // another scan is taken to hold it.
  for (int retry = 1; claim.busy && retry <= 4; ++retry) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * retry));
    claim = files_.lock_file(paths_.lock);
  }
  if (claim.busy) return Status::failure(busy_message(paths_.output));
  // The lock file fails where the output would (a missing folder, no right to
  // write there), so the output is named first.
  if (!claim.lock) return Status::failure("Cannot write \"" + paths_.output + "\": " + claim.error.message());
  lock_ = std::move(claim.lock);
  has_backup_ = false;
  written_.reset();
  note_.clear();
  Status prepared = prepare(claim.left_note);
  if (prepared.ok()) prepared = create();
  if (!prepared.ok()) lock_.reset();
  return prepared;
}

// Makes the output name free and the backup hold the last complete catalogue,
// if there is one. Each step keeps the lock file's note true of the disk.
Status CatalogueOutput::prepare(const std::optional<std::string>& left_note) {
  const std::string& output = paths_.output;
  const std::string& backup = paths_.backup;
  const bool backup_found = FileExists(files_, backup);
  if (!backup_found && files_.exists(backup)) {
    return Status::failure("Cannot keep a backup of \"" + output + "\": \"" + backup +
                           "\" is in the way (hidden, system or a folder)");
  }
  const bool output_found = files_.exists(output);
  if (output_found && !files_.is_normal_file(output)) {
    // A pipe, a device, a folder, a broken link: no catalogue to keep as the
    // backup, and nothing this scan may delete.
    return Status::failure("\"" + output + "\" is not a regular file" +
#ifdef _WIN32
                           " (or it is hidden or system)" +
#endif
                           "; nothing was changed");
  }

  // The note of a scan that was killed says what it left; a lock file made
  // new, or one left with no note, says nothing.
  const std::string_view left = left_note ? std::string_view(*left_note) : std::string_view();
  const bool backup_is_last_complete = backup_found && (left == lock_note::kWriting || left == lock_note::kKept);
  const bool output_unfinished = output_found && (left == lock_note::kWriting || backup_is_last_complete);

  if (backup_found && !backup_is_last_complete) {
    // The backup of no scan: a copy someone left under that name, or the one
    // a completed scan was killed before deleting. It goes, as a scan's own
    // backup goes, before the catalogue under the name is moved aside; one
    // that cannot be deleted stops the scan here, before anything changes.
    Status removable = files_.check_removable(backup);
    if (!removable.ok()) return removable;
    Status removed = files_.remove_file(backup);
    if (!removed.ok()) return removed;
  }
  if (output_unfinished) {
    Status removed = files_.remove_file(output);
    if (!removed.ok()) return removed;
  }
  if (backup_is_last_complete) {
    has_backup_ = true;
    return Status();
  }
  if (output_found && !output_unfinished) {
    // The note first: whichever side of the rename a kill falls on, the
    // catalogue is the one the note points to.
    Status noted = write_note(lock_note::kKept);
    if (!noted.ok()) return noted;
    Status moved = files_.rename_file(output, backup);
    if (!moved.ok()) return moved;
    has_backup_ = true;
  }
  return Status();
}

Status CatalogueOutput::create() {
  Status opened = write_note(lock_note::kWriting);
  if (opened.ok()) {
    file_ = files_.create_output(paths_.output, opened);
    if (file_) {
      written_ = file_->identity();
      return Status();
    }
  }
  // The output name was emptied a moment ago, so whatever stands there now (a
  // link planted in a shared folder, say) was put there meanwhile and is no
  // catalogue: it gives way to the earlier catalogue, which goes back under
  // its name. Removing a link never touches what it points to.
  if (!has_backup_ || !FileExists(files_, paths_.backup)) return opened;
  if (files_.exists(paths_.output)) (void)files_.remove_file(paths_.output);
  if (put_backup_back().ok()) return opened;
  return Status::failure(opened.message() + "; the earlier catalogue stays as \"" + paths_.backup + "\"");
}

Status CatalogueOutput::write_note(std::string_view note) { return lock_->write_note(note); }

bool CatalogueOutput::output_is_ours() {
  // Where the system cannot tell, the name is taken to stand for it still.
  return !written_ || files_.identity_of(paths_.output) == written_;
}

Status CatalogueOutput::put_backup_back() {
  if (!has_backup_ || !FileExists(files_, paths_.backup)) return Status();
  (void)write_note(lock_note::kKept);
  Status restored = files_.rename_file(paths_.backup, paths_.output);
  if (restored.ok()) has_backup_ = false;
  return restored;
}

Status CatalogueOutput::seal() {
  if (!file_) return Status::failure("No catalogue is open for \"" + paths_.output + "\"");
  Status done = file_->sync();
  if (!done.ok()) {
    (void)finish_abandoned();
    return done;
  }
  // At once: from here a kill leaves the new catalogue in place and the backup to go.
  (void)write_note(lock_note::kComplete);
  sealed_ = true;
  return Status();
}

Status CatalogueOutput::finish_completed() {
  if (!sealed_) {
    Status sealed = seal();
    if (!sealed.ok()) return sealed;
  }
  // Asked while the file is still open: then its identity cannot have gone
  // to another file, and on Windows no one can delete or rename it.
  if (!output_is_ours()) {
    // The catalogue written is no longer under its name (deleted, replaced,
    // its folder moved): success would promise a catalogue that is not there.
    // The earlier one goes back where the name is free.
    sealed_ = false;
    (void)file_->close();
    file_.reset();
    std::string message = replaced_message(paths_.output);
    if (has_backup_ && FileExists(files_, paths_.backup)) {
      if (!files_.exists(paths_.output) && put_backup_back().ok()) {
        message += "; the earlier catalogue is back";
      } else {
        message += "; the earlier catalogue stays as \"" + paths_.backup + "\"";
      }
    }
    lock_.reset();
    return Status::failure(std::move(message));
  }
  Status closed = file_->close();
  if (!closed.ok()) {
    (void)finish_abandoned();
    return closed;
  }
  file_.reset();
  sealed_ = false;
  if (has_backup_ && FileExists(files_, paths_.backup)) {
    // Held open by another program, say: the scan stays complete, and the
    // next one deletes the backup as the backup of no scan.
    Status removed = files_.remove_file(paths_.backup);
    if (!removed.ok()) note_ = removed.message() + "; the earlier catalogue stays beside the new one";
  }
  has_backup_ = false;
  lock_.reset();
  return Status();
}

Status CatalogueOutput::finish_abandoned() {
  // Without the claim the files under the name may be another scan's.
  if (!lock_) return Status();
  sealed_ = false;
  Status done = abandon();
  lock_.reset();
  return done;
}

Status CatalogueOutput::abandon() {
  if (file_) {
    (void)file_->close();
    file_.reset();
  }
  std::string problem;
  // Only the file this scan created is deleted: whatever took its name
  // meanwhile is not this scan's to delete.
  const std::optional<platform::FileIdentity> named = files_.identity_of(paths_.output);
  if (named && (!written_ || named == written_)) {
    (void)write_note(lock_note::kWriting);  // a sealed catalogue is "complete" no more
    Status removed = files_.remove_file(paths_.output);
    if (!removed.ok()) problem = removed.message();
  }
  if (has_backup_ && FileExists(files_, paths_.backup)) {
    Status restored =
        files_.exists(paths_.output) ? Status::failure(replaced_message(paths_.output)) : put_backup_back();
    if (!restored.ok()) {
      if (!problem.empty()) problem += "; ";
      problem += restored.message() + "; the earlier catalogue stays as \"" + paths_.backup + "\"";
    }
  }
  return problem.empty() ? Status() : Status::failure(std::move(problem));
}

}  // namespace korvint::engine
