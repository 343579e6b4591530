#include "jobs/scan_outcome.h"

namespace korvint::jobs {

std::string ScanOutcome::unreadable_note() const {
  if (unreadable_folders == 0) return std::string();
  return std::to_string(unreadable_folders) +
         " folder(s) could not be read and are listed empty; the first: " + first_unreadable;
}

OutcomeTexts outcome_texts(const ScanOutcome& outcome) {
  // A job that could not write its catalogue says so in both texts, so that
  // nothing of a finished scan is shown.
  if (outcome.end == ScanEnd::failed) return OutcomeTexts{kScanFailed, outcome.reason};
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
  return OutcomeTexts{kSecondsItTook + std::to_string(outcome.seconds), result};
}

}  // namespace korvint::jobs
