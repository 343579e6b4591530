#include "jobs/scan_outcome.h"

namespace korvint::jobs {

std::string ScanOutcome::unreadable_note() const {
  if (unreadable_folders == 0) return std::string();
  return std::to_string(unreadable_folders) +
         " folder(s) could not be read and are listed empty; the first: " + first_unreadable;
}

}  // namespace korvint::jobs
