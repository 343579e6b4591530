#include "jobs/scan_job.h"

#include <cstdint>
#include <string>

#include "engine/catalogue_output.h"
#include "engine/catalogue_writer.h"
#include "engine/folder_prefetch.h"
#include "engine/walker.h"
#include "jobs/local_time_text.h"
#include "jobs/text_util.h"
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

void Command1_Click(ui::Form1& form) {
  // One output file, one stop flag: a job asked for while one runs is turned away.
  if (form.scanRunning || form.closed) return;
  form.scanRunning = true;
  form.lastScanCompleted = false;
  form.lastScanProblem.clear();
  form.lastScanNote.clear();

  const std::int64_t utc_offset = form.services.utc_offset_seconds();
  auto local_now = [&] { return form.services.now_utc_seconds() + utc_offset; };
  form.Text3.setText(local_time_text(local_now()));
  form.Label1.setCaption(kFilesRunning);
  form.Label2.setCaption("0");
  form.Text1.setText(trim_spaces(form.Text1.text()));
  form.Text4.setText(trim_spaces(form.Text4.text()));
  std::string root = form.Text1.text();
  if (root.empty() || root.back() != platform::path_separator()) {
    root += platform::path_separator();
    form.Text1.setText(root);
  }
  std::string name = form.Text4.text();
  if (!ends_with(name, ".lst")) {
    name += ".lst";
    form.Text4.setText(name);
  }
  // The paths are fixed now: edits to the boxes during the walk change nothing.
  engine::CatalogueOutput output(form.services.files,
                                 engine::make_output_paths(form.Text5.text(), name));

  auto show_elapsed = [&] {
    const std::int64_t now = local_now();
    const std::int64_t started = parse_local_time_text(form.Text3.text()).value_or(now);
    form.Label1.setCaption(kSecondsItTook + std::to_string(now - started));
  };

  // A job that cannot write its catalogue says so in both labels, so that
  // nothing of a finished scan is shown.
  auto show_failure = [&](const std::string& message) {
    form.Label1.setCaption(kScanFailed);
    form.Label2.setCaption(message);
    form.lastScanProblem = message;
  };
  auto fail_before_walk = [&](const std::string& message) {
    form.host.setHourglass(false);
    show_failure(message);
    form.Caption.setCaption(kFinished);
    back_to_idle(form);
  };

  if (const std::string refused = nul_problem(root, output.paths().output); !refused.empty()) {
    fail_before_walk(refused);
    return;
  }
  form.host.setHourglass(true);
  const platform::Status opened = output.FileWrite();
  if (!opened.ok()) {
    fail_before_walk(opened.message());
    return;
  }
  engine::CatalogueWriter writer(output.file());
  writer.header(root);
  form.mStop.setVisible(true);
  form.Command1.setEnabled(false);
  form.StopFlag = ui::kFalse;

  JobWalkHost walk_host(form);
  std::unique_ptr<platform::FolderSource> folders = form.services.folders();
  engine::Walker walker(*folders, writer, walk_host, utc_offset,
                        form.services.listing_threads.value_or(engine::default_listing_threads()));
  std::int32_t FileCount = 0;
  std::int32_t DirCount = 0;
  std::string path = root;
  const engine::WalkResult walked = walker.FindFilesAPI(path, form.Text2.text(), FileCount, DirCount);
  const platform::Status written = writer.flush();

  form.host.setHourglass(false);
  show_elapsed();
  if (walk_host.count() < 500) {
    form.Label2.setCaption(kLessThan500);
  } else {
    form.Label2.setCaption(std::to_string(walk_host.count()) + kFilesFound);
  }
  form.Caption.setCaption(kFinished);

  if (form.StopFlag == ui::kTrue) {
    const platform::Status restored = output.finish_abandoned();
    form.Label2.setCaption(restored.ok() ? std::string(kStopped)
                                         : std::string("Stopped! ") + restored.message());
    form.lastScanProblem = restored.ok() ? std::string("Stopped") : restored.message();
  } else if (!written.ok()) {
    (void)output.finish_abandoned();
    show_failure(written.message());
  } else {
    const platform::Status done = output.finish_completed();
    if (done.ok()) {
      form.lastScanCompleted = true;
    } else {
      show_failure(done.message());
    }
  }
  if (walked.unreadable_folders > 0) {
    form.lastScanNote = std::to_string(walked.unreadable_folders) +
                        " folder(s) could not be read and are listed empty; the first: " +
                        walked.first_unreadable;
    // A catalogue with holes (or of a root that does not exist) must not pass
    // for a complete one: the count is followed by what is missing.
    if (form.lastScanCompleted) form.Label2.setCaption(form.Label2.caption() + "; " + form.lastScanNote);
  }
  back_to_idle(form);
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
