#include "app/batch_outcome.h"

#include "jobs/scan_job.h"

namespace korvint::app {

int batch_exit_code(const std::optional<jobs::ScanOutcome>& outcome) {
  if (!outcome || !outcome->completed()) return kExitNotCompleted;
  return outcome->unreadable_folders > 0 ? kExitUnreadableFolders : kExitCompleted;
}

std::vector<std::string> batch_report(const std::optional<jobs::ScanOutcome>& outcome) {
  if (!outcome) return {"no scan ran"};
  std::vector<std::string> lines;
  if (outcome->unreadable_folders > 0) lines.push_back(outcome->unreadable_note());
  if (!outcome->note.empty()) lines.push_back(outcome->note);
  if (outcome->end == jobs::ScanEnd::stopped) {
    lines.push_back(outcome->reason.empty() ? std::string(jobs::kStopped) : outcome->reason);
  } else if (outcome->end == jobs::ScanEnd::failed) {
    lines.push_back(outcome->reason);
  }
  return lines;
}

int finish_batch(const std::optional<jobs::ScanOutcome>& outcome, std::ostream& err) {
  for (const std::string& line : batch_report(outcome)) err << "korvint: " << line << "\n";
  err.flush();
  return batch_exit_code(outcome);
}

}  // namespace korvint::app
