#include "engine/catalogue_output.h"

#include <utility>

namespace korvint::engine {

using platform::Status;

OutputPaths make_output_paths(std::string_view folder, std::string_view name) {
  OutputPaths paths;
  paths.output.reserve(folder.size() + name.size());
  paths.output.append(folder).append(name);
  paths.backup = paths.output + ".old";
  paths.lock = paths.output + ".lock";
  return paths;
}

bool FileExists(platform::FileServices& files, const std::string& sFullPath) {
  return files.is_normal_file(sFullPath);
}

CatalogueOutput::CatalogueOutput(platform::FileServices& files, OutputPaths paths)
    : files_(files), paths_(std::move(paths)) {}

CatalogueOutput::~CatalogueOutput() {
  if (lock_) (void)finish_abandoned();
}

Status CatalogueOutput::FileWrite() {
  // Two scans of one name would take each other's files for their own: one
  // would move the other's unfinished output aside as the earlier catalogue,
  // or put its backup back over the other's work. So the name is claimed
  // first, and every step that follows, up to the last one of finish_completed
  // or finish_abandoned, runs under the claim. The lock file exists only while
  // a scan runs (a killed scan's file never blocks; see lock_file).
  platform::LockAttempt claim = files_.lock_file(paths_.lock);
  if (claim.busy) return Status::failure(busy_message(paths_.output));
  // The lock file fails where the output would (a missing folder, no right to
  // write there), so the output is named first.
  if (!claim.lock) return Status::failure("Cannot write \"" + paths_.output + "\": " + claim.error.message());
  lock_ = std::move(claim.lock);
  Status prepared = move_aside_and_create();
  if (!prepared.ok()) lock_.reset();
  return prepared;
}

Status CatalogueOutput::move_aside_and_create() {
  const std::string& output = paths_.output;
  const std::string& backup = paths_.backup;

  if (FileExists(files_, backup)) {
    // A completed scan always deletes its backup and a stopped one moves it
    // back, so a backup found now was left by a scan that never ended: the
    // backup is the last complete catalogue and the output is unfinished. The
    // backup must go once this scan completes, so a backup that cannot be
    // deleted ends the scan here, before the output is touched.
    Status removable = files_.check_removable(backup);
    if (!removable.ok()) return removable;
    if (files_.exists(output)) {
      Status removed = files_.remove_file(output);
      if (!removed.ok()) return removed;
    }
  } else {
    if (files_.exists(backup)) {
      return Status::failure("Cannot keep a backup of \"" + output + "\": \"" + backup +
                             "\" is in the way (hidden, system or a folder)");
    }
    if (files_.is_normal_file(output)) {
      Status moved = files_.rename_file(output, backup);
      if (!moved.ok()) return moved;
    } else if (files_.exists(output)) {
      // Not a catalogue this scan may keep as its backup, and not one to lose.
      return Status::failure("Cannot create \"" + output +
                             "\": something else stands under that name (hidden, system, a folder or a broken link)");
    }
  }

  Status opened;
  file_ = files_.create_output(output, opened);
  if (file_) return Status();
  // The output name was emptied a moment ago, so whatever stands there now (a
  // link planted in a shared folder, say) was put there meanwhile and is no
  // catalogue: it gives way to the earlier catalogue, which goes back under
  // its name. Removing a link never touches what it points to.
  if (!FileExists(files_, backup)) return opened;
  if (files_.exists(output)) (void)files_.remove_file(output);
  if (files_.rename_file(backup, output).ok()) return opened;
  return Status::failure(opened.message() + "; the earlier catalogue stays as \"" + backup + "\"");
}

Status CatalogueOutput::seal() {
  if (!file_) return Status::failure("No catalogue is open for \"" + paths_.output + "\"");
  Status done = file_->sync();
  Status closed = file_->close();
  if (done.ok()) done = closed;
  if (!done.ok()) {
    (void)finish_abandoned();
    return done;
  }
  file_.reset();
  sealed_ = true;
  return Status();
}

Status CatalogueOutput::finish_completed() {
  if (!sealed_) {
    Status sealed = seal();
    if (!sealed.ok()) return sealed;
  }
  sealed_ = false;
  if (!FileExists(files_, paths_.backup)) {
    lock_.reset();
    return Status();
  }
  Status removed = files_.remove_file(paths_.backup);
  if (removed.ok()) {
    lock_.reset();
    return removed;
  }
  // A backup left beside the new catalogue would pass, at the next scan, for
  // the backup of a scan that never ended, and the new catalogue would be
  // deleted as unfinished. So the scan is undone: the earlier catalogue goes
  // back under the name, or stays under the backup name if it cannot be moved.
  (void)abandon();
  std::string message = removed.message() + "; the scan is undone";
  if (FileExists(files_, paths_.backup))
    message += ", the earlier catalogue stays as \"" + paths_.backup + "\"";
  lock_.reset();
  return Status::failure(std::move(message));
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
  Status removed = files_.remove_file(paths_.output);
  if (FileExists(files_, paths_.backup)) {
    Status restored = files_.rename_file(paths_.backup, paths_.output);
    if (!restored.ok()) return restored;
  }
  return removed;
}

}  // namespace korvint::engine
