#pragma once
// How one scan job ended: the value the job returns, which the window's labels
// show and a batch run turns into its exit code; and the texts that show it.

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
  /// The file lines and folder lines written, exactly (a stopped or failed
  /// scan: as far as its walk came).
  std::uint64_t files_listed = 0;
  std::uint64_t folders_listed = 0;
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

/// The texts of a scan: the status heading during the walk, the heading and
/// the count label after it.
inline constexpr const char* kFilesRunning = "Files ~:";
inline constexpr const char* kSecondsItTook = "seconds it took:";
inline constexpr const char* kLessThan500 = "Less than 500 files found";
inline constexpr const char* kFilesFound = " files found.";
inline constexpr const char* kStopped = "Stopped! Output deleted!";
/// The heading when the job could not write its catalogue; the count label then holds the reason.
inline constexpr const char* kScanFailed = "Scan failed:";

/// What the status heading and the count label show once a scan has ended with `outcome`.
struct OutcomeTexts {
  std::string heading;
  std::string result;
};
OutcomeTexts outcome_texts(const ScanOutcome& outcome);

}  // namespace korvint::jobs
