#pragma once
// How one scan job ended: the value the job returns, which the window's labels
// show and a batch run turns into its exit code.

#include <cstddef>
#include <cstdint>
#include <string>

namespace korvint::jobs {

/// How a scan job ended.
enum class ScanEnd {
  completed,  ///< the catalogue was written in full (unreadable folders listed empty)
  stopped,    ///< STOP, closing or a signal ended it; the earlier catalogue is back
  failed,     ///< the catalogue could not be written; the earlier one is back
};

struct ScanOutcome {
  ScanEnd end = ScanEnd::failed;
  /// Failed: what went wrong, naming the path. Stopped: "" when the earlier
  /// catalogue is back in its place, else why it could not be put back.
  std::string reason;
  /// The files counted during the walk, in steps of 500, as the count label showed them.
  std::int64_t files_counted = 0;
  /// Whole seconds from the job's start to its end.
  std::int64_t seconds = 0;
  /// Folders listed empty because they could not be read.
  std::size_t unreadable_folders = 0;
  /// The first of them with its reason; "" when there is none.
  std::string first_unreadable;
  /// Completed: what the user should know beside the count (the earlier
  /// catalogue that could not be deleted); "" when nothing.
  std::string note;

  [[nodiscard]] bool completed() const { return end == ScanEnd::completed; }

  /// "N folder(s) could not be read and are listed empty; the first: ...", or ""
  /// when every folder was read.
  [[nodiscard]] std::string unreadable_note() const;
};

}  // namespace korvint::jobs
