#pragma once
// The output file of one scan and its backup: the catalogue that stood under
// the output name is moved aside before the scan, then either dropped (the
// scan completed) or moved back (it was stopped or failed). A lock file beside
// the output keeps two scans of the same name, in any processes, apart, and
// its note tells a later scan what a killed one left under the names.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "catalogue/file_names.h"
#include "platform/file_services.h"
#include "platform/status.h"

namespace korvint::engine {

/// The output path (folder text directly followed by the name), its backup
/// path and the lock file that the scan writing it holds.
struct OutputPaths {
  std::string output;
  std::string backup;  ///< `output` followed by ".old"
  std::string lock;    ///< `output` followed by ".lock"
};

/// Joins `folder` and `name` with nothing in between, as the boxes hold them.
OutputPaths make_output_paths(std::string_view folder, std::string_view name);

/// True when a normal file (a regular file, not hidden or system) is at `sFullPath`.
bool FileExists(platform::FileServices& files, const std::string& sFullPath);

/// Owns the open output file of one scan from FileWrite to the end of the job.
class CatalogueOutput {
 public:
  CatalogueOutput(platform::FileServices& files, OutputPaths paths);
  CatalogueOutput(const CatalogueOutput&) = delete;
  CatalogueOutput& operator=(const CatalogueOutput&) = delete;
  /// Abandons the scan (as finish_abandoned) if neither finish was called.
  ~CatalogueOutput();

  /// Claims the output name, moves an earlier catalogue aside to the backup
  /// path and creates the output new and empty. What stands under the names
  /// is judged by the note of a lock file left by a killed scan: its backup
  /// stays the backup where it was the last complete catalogue (the file under
  /// the output name, unfinished, is deleted); a backup found without that
  /// evidence is another's file, deleted as the backup of no scan before the
  /// catalogue under the name is moved aside. Anything under the output name
  /// that is not a regular file is refused. While another scan writes the
  /// same name this fails with "another scan is writing PATH" before anything
  /// is touched. On any failure nothing that was there before is lost and the
  /// claim is given up.
  platform::Status FileWrite();

  /// The open output file; valid between a successful FileWrite and a finish.
  platform::OutputFile& file() { return *file_; }

  /// A completed scan, first half: makes the new catalogue durable; the file
  /// stays open and the backup stays, so the scan can still be abandoned. If
  /// the catalogue cannot be made durable, the scan is abandoned and the
  /// failure returned.
  platform::Status seal();

  /// A completed scan: seals the catalogue unless seal() already did, checks
  /// that the output name still stands for the file this scan wrote, closes it
  /// and deletes the backup. If the catalogue cannot be completed, the scan is
  /// abandoned; if the name stands for another file or none (the output was
  /// removed, replaced or its folder moved), the backup goes back where the
  /// name is free; either way the failure is returned. A backup that cannot be
  /// deleted leaves the scan complete and is told by note().
  platform::Status finish_completed();

  /// A stopped or failed scan: closes the output and deletes it (sealed or
  /// not, while its name still stands for it), puts the backup back under the
  /// output name. Does nothing unless FileWrite succeeded and no finish has
  /// run since.
  platform::Status finish_abandoned();

  /// What a completed scan left that the user should know: the earlier
  /// catalogue that could not be deleted, and why; "" when nothing.
  [[nodiscard]] const std::string& note() const { return note_; }

  /// The text of the failure when another scan holds the output name.
  static std::string busy_message(const std::string& output) { return "another scan is writing " + output; }

  /// The text of the failure when the output name no longer stands for the catalogue written.
  static std::string replaced_message(const std::string& output) {
    return "\"" + output + "\" was removed or replaced during the scan";
  }

  [[nodiscard]] const OutputPaths& paths() const { return paths_; }

 private:
  platform::Status prepare(const std::optional<std::string>& left_note);
  platform::Status create();
  platform::Status write_note(std::string_view note);
  [[nodiscard]] bool output_is_ours();
  platform::Status put_backup_back();
  platform::Status abandon();

  platform::FileServices& files_;
  OutputPaths paths_;
  // Held from the first step of FileWrite to the last step of a finish: the
  // renames and deletions of both ends happen under it.
  std::unique_ptr<platform::FileLock> lock_;
  std::unique_ptr<platform::OutputFile> file_;
  std::optional<platform::FileIdentity> written_;  // the output this scan created
  bool has_backup_ = false;  // the backup is the catalogue this scan moved aside, or took as the last complete one
  bool sealed_ = false;      // the new catalogue is durable, not yet committed
  std::string note_;
};

}  // namespace korvint::engine
