#include "jobs/scan_job.h"

#include <cstdint>
#include <new>
#include <string>

#include "engine/catalogue_output.h"
#include "engine/catalogue_writer.h"
#include "engine/folder_prefetch.h"
#include "engine/opened_root_source.h"
#include "engine/walker.h"
#include "jobs/catalogue_ending.h"
#include "jobs/local_time_text.h"
#include "jobs/text_util.h"
#include "platform/absolute_path.h"
#include "platform/program_folder.h"

namespace korvint::jobs {
namespace {

// Lends the walker the form's stop flag, count label and event loop.
class JobWalkHost final : public engine::WalkHost {
 public:
  explicit JobWalkHost(ui::Form1& form) : form_(form) {}

  [[nodiscard]] bool StopFlag() const override { return form_.StopFlag == ui::kTrue; }

  void progress_step() override {
    // The job keeps the count itself rather than reading it back from the
    // label, which another handler may have changed during a turn.
    count_ += 500;
    form_.Label2.setCaption(std::to_string(count_));
    turn();
  }

  // The walker paces these turns.
  void idle_turn() override { turn(); }

  [[nodiscard]] std::int64_t count() const { return count_; }

 private:
  void turn() {
    form_.host.DoEvents();
    check_interrupt();
  }

  // Ctrl+C or a termination request acts as STOP.
  void check_interrupt() {
    if (form_.StopFlag != ui::kTrue && form_.services.interrupted && form_.services.interrupted())
      mStop_Click(form_);
  }

  ui::Form1& form_;
  std::int64_t count_ = 0;
};

bool ends_with(const std::string& text, std::string_view tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// `path` with each NUL shown as "<NUL>", so a message can name it.
std::string with_nul_shown(const std::string& path) {
  std::string shown;
  for (const char c : path) {
    if (c == '\0') {
      shown += "<NUL>";
    } else {
      shown += c;
    }
  }
  return shown;
}

// A NUL ends a path where the system reads it, so a root or output path that
// holds one would name another folder or file (a settings file read as text
// can put one into the folder box). Such a path is refused before anything is
// touched; the message, or "" when both paths are usable.
std::string nul_problem(const std::string& root, const std::string& output) {
  constexpr const char* kReason = "\": the path holds a NUL character, which no file name may hold";
  if (root.find('\0') != std::string::npos) return "Cannot scan \"" + with_nul_shown(root) + kReason;
  if (output.find('\0') != std::string::npos) return "Cannot create \"" + with_nul_shown(output) + kReason;
  return std::string();
}

// The window's turns and STOP while the catalogue is ended after the walk.
class JobEndingHost final : public CatalogueEndingHost {
 public:
  explicit JobEndingHost(ui::Form1& form) : form_(form) {}

  void turn() override { form_.host.DoEvents(); }

  bool stop_asked() override {
    // Ctrl+C or a termination request acts as STOP, as during the walk.
    if (form_.StopFlag != ui::kTrue && form_.services.interrupted && form_.services.interrupted())
      mStop_Click(form_);
    return form_.StopFlag == ui::kTrue;
  }

 private:
  ui::Form1& form_;
};

ScanOutcome failure(std::string reason) {
  ScanOutcome outcome;
  outcome.end = ScanEnd::failed;
  outcome.reason = std::move(reason);
  return outcome;
}

// The job from its first step to the clean-up on disk; the labels show only
// its progress. Runs with the window's job marked as running.
ScanOutcome run_job(ui::Form1& form) {
  const std::int64_t utc_offset = form.services.utc_offset_seconds();
  auto local_now = [&] { return form.services.now_utc_seconds() + utc_offset; };
  // The start is kept as a value; the hidden box shows it, nothing reads it back.
  const std::int64_t started = local_now();
  form.Text3.setText(local_time_text(started));
  form.Label1.setCaption(kFilesRunning);
  form.Label2.setCaption("0");
  form.Text1.setText(trim_spaces(form.Text1.text()));
  form.Text4.setText(trim_spaces(form.Text4.text()));
  // An empty box names nothing: completed as a path it would be the whole
  // drive (or file system) scanned into ".lst" in the current folder.
  if (form.Text1.text().empty()) return failure(kNoRoot);
  if (form.Text4.text().empty()) return failure(kNoName);
  std::string root = form.Text1.text();
  if (root.back() != platform::path_separator()) root += platform::path_separator();
  // The header names the root for good: a relative one is made absolute ("c:"
  // became the drive's root above, as it always has).
  root = platform::absolute_path(root);
  form.Text1.setText(root);
  std::string name = form.Text4.text();
  if (!ends_with(name, ".lst")) {
    name += ".lst";
    form.Text4.setText(name);
  }
  // The paths are fixed now: edits to the boxes during the walk change nothing.
  engine::CatalogueOutput output(form.services.files,
                                 engine::make_output_paths(form.Text5.text(), name));

  if (std::string refused = nul_problem(root, output.paths().output); !refused.empty()) {
    return failure(std::move(refused));
  }
  form.host.setHourglass(true);
  // A root that cannot be opened (missing, a medium not mounted, not a folder,
  // no permission) fails the scan before the output is touched: a header-only
  // catalogue must never replace the good one of a disk that is not there.
  std::unique_ptr<platform::FolderSource> system_folders = form.services.folders();
  platform::Status root_error;
  std::unique_ptr<platform::OpenFolder> opened_root = system_folders->open_root(root, root_error);
  if (!opened_root) {
    form.host.setHourglass(false);
    return failure(root_error.message());
  }
  engine::OpenedRootSource folders(*system_folders, std::move(opened_root));
  const platform::Status opened = output.FileWrite();
  if (!opened.ok()) {
    form.host.setHourglass(false);
    return failure(opened.message());
  }
  engine::CatalogueWriter writer(output.file());
  writer.header(root);
  form.mStop.setVisible(true);
  form.Command1.setEnabled(false);

  JobWalkHost walk_host(form);
  engine::Walker walker(folders, writer, walk_host, utc_offset,
                        form.services.listing_threads.value_or(engine::default_listing_threads()));
  std::int32_t FileCount = 0;
  std::int32_t DirCount = 0;
  std::string path = root;
  const engine::WalkResult walked = walker.FindFilesAPI(path, form.Text2.text(), FileCount, DirCount);
  JobEndingHost ending_host(form);
  const CatalogueEnd ended = end_catalogue(output, writer, ending_host);
  form.host.setHourglass(false);

  ScanOutcome outcome;
  outcome.end = ended.end;
  outcome.reason = ended.reason;
  outcome.note = ended.note;
  outcome.seconds = local_now() - started;
  outcome.files_counted = walk_host.count();
  outcome.unreadable_folders = walked.unreadable_folders;
  outcome.first_unreadable = walked.first_unreadable;
  return outcome;
}

// The labels and the caption after a job.
void show_outcome(ui::Form1& form, const ScanOutcome& outcome) {
  if (outcome.end == ScanEnd::failed) {
    // A job that could not write its catalogue says so in both labels, so that
    // nothing of a finished scan is shown.
    form.Label1.setCaption(kScanFailed);
    form.Label2.setCaption(outcome.reason);
  } else {
    form.Label1.setCaption(kSecondsItTook + std::to_string(outcome.seconds));
    std::string result;
    if (outcome.end == ScanEnd::stopped) {
      result = outcome.reason.empty() ? std::string(kStopped) : "Stopped! " + outcome.reason;
    } else {
      result = outcome.files_counted < 500 ? std::string(kLessThan500)
                                           : std::to_string(outcome.files_counted) + kFilesFound;
      // A catalogue with holes must not pass for a complete one: the count is
      // followed by what is missing.
      if (outcome.unreadable_folders > 0) result += "; " + outcome.unreadable_note();
      if (!outcome.note.empty()) result += "; " + outcome.note;
    }
    form.Label2.setCaption(result);
  }
  form.Caption.setCaption(kFinished);
}

// The end of every job, whatever happened: the window comes back idle.
void back_to_idle(ui::Form1& form) {
  form.Command1.setEnabled(true);
  form.mStop.setVisible(false);
  form.scanRunning = false;
  if (form.closeRequested && !form.closed) {
    form.closed = true;
    form.host.closeWindow();
  }
}

}  // namespace

std::optional<ScanOutcome> Command1_Click(ui::Form1& form) {
  // One output file, one stop flag: a job asked for while one runs is turned away.
  if (form.scanRunning || form.closed) return std::nullopt;
  form.scanRunning = true;
  // Cleared where every job starts: a STOP of the job before must not stand
  // for this one, even if this one fails before its walk.
  form.StopFlag = ui::kFalse;
  ScanOutcome outcome;
  try {
    outcome = run_job(form);
  } catch (const std::bad_alloc&) {
    // Anywhere in the job, on the walk's thread or a helper's: the job's
    // output was abandoned as the job unwound, so the earlier catalogue is back.
    form.host.setHourglass(false);
    outcome = failure(kOutOfMemory);
  }
  show_outcome(form, outcome);
  back_to_idle(form);
  return outcome;
}

void mStop_Click(ui::Form1& form) {
  form.StopFlag = ui::kTrue;
  form.mStop.setVisible(false);
}

void request_close(ui::Form1& form) {
  if (form.closed) return;
  if (form.scanRunning) {
    form.closeRequested = true;
    mStop_Click(form);
    return;
  }
  form.closed = true;
  form.host.closeWindow();
}

}  // namespace korvint::jobs
