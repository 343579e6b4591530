#include "jobs/scan_job.h"

#include <cstdint>
#include <string>

#include "jobs/local_time_text.h"

namespace korvint::jobs {
namespace {

// The window as the host of a scan: the boxes, the labels, the hourglass,
// STOP and the event loop.
class WindowScanHost final : public ScanHost {
 public:
  explicit WindowScanHost(ui::Form1& form) : form_(form) {}

  [[nodiscard]] const ui::FormServices& services() const override { return form_.services; }

  void started(std::int64_t local_seconds) override {
    // The start is kept as a value; the hidden box shows it, nothing reads it back.
    form_.Text3.setText(local_time_text(local_seconds));
    form_.Label1.setCaption(kFilesRunning);
    form_.Label2.setCaption("0");
  }

  void paths_fixed(const ScanRequest& request) override {
    form_.Text1.setText(request.root);
    form_.Text4.setText(request.name);
  }

  void busy(bool busy) override { form_.host.setHourglass(busy); }

  void walk_started() override {
    form_.mStop.setVisible(true);
    form_.Command1.setEnabled(false);
  }

  void progress(std::int64_t files_counted) override { form_.Label2.setCaption(std::to_string(files_counted)); }

  void turn() override {
    form_.host.DoEvents();
    (void)stop_asked();
  }

  bool stop_asked() override {
    // Ctrl+C or a termination request acts as STOP.
    if (form_.StopFlag != ui::kTrue && form_.services.interrupted && form_.services.interrupted())
      mStop_Click(form_);
    return form_.StopFlag == ui::kTrue;
  }

 private:
  ui::Form1& form_;
};

// The labels and the caption after a job.
void show_outcome(ui::Form1& form, const ScanOutcome& outcome) {
  const OutcomeTexts texts = outcome_texts(outcome);
  form.Label1.setCaption(texts.heading);
  form.Label2.setCaption(texts.result);
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
  return scan_in_window(form, ScanRequest{form.Text1.text(), form.Text5.text(), form.Text4.text()});
}

std::optional<ScanOutcome> scan_in_window(ui::Form1& form, const ScanRequest& request) {
  // One output file, one stop flag: a job asked for while one runs is turned away.
  if (form.scanRunning || form.closed) return std::nullopt;
  form.scanRunning = true;
  // Cleared where every job starts: a STOP of the job before must not stand
  // for this one, even if this one fails before its walk.
  form.StopFlag = ui::kFalse;
  WindowScanHost host(form);
  const ScanOutcome outcome = run_scan(request, host);
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
