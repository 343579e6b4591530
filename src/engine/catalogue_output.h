#pragma once
// The output file of one scan and its backup: the catalogue that stood under
// the output name is moved aside before the scan, then either dropped (the
// scan completed) or moved back (it was stopped or failed). A lock file beside
// the output keeps two scans of the same name, in any processes, apart.

#include <memory>
#include <string>
#include <string_view>

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

/// True when a normal file (not a folder, not hidden or system) is at `sFullPath`.
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
  /// path and creates the output new and empty. A backup left by a scan that
  /// never ended marks the file under the output name as that scan's
  /// unfinished output: it is deleted and the backup, the last complete
  /// catalogue, stays the backup. While another scan writes the same name this
  /// fails with "another scan is writing PATH" before anything is touched. On
  /// any failure nothing that was there before is lost and the claim is given up.
  platform::Status FileWrite();

  /// The open output file; valid between a successful FileWrite and a finish.
  platform::OutputFile& file() { return *file_; }

  /// A completed scan, first half: makes the new catalogue durable and closes
  /// it; the backup stays, so the scan can still be abandoned. If the catalogue
  /// cannot be made durable, the scan is abandoned and the failure returned.
  platform::Status seal();

  /// A completed scan: seals the catalogue unless seal() already did, then
  /// deletes the backup. If the catalogue cannot be completed, or the backup
  /// cannot be deleted, the scan is abandoned and the failure returned.
  platform::Status finish_completed();

  /// A stopped or failed scan: closes and deletes the output (sealed or not),
  /// puts the backup back under the output name. Does nothing unless FileWrite
  /// succeeded and no finish has run since.
  platform::Status finish_abandoned();

  /// The text of the failure when another scan holds the output name.
  static std::string busy_message(const std::string& output) { return "another scan is writing " + output; }

  [[nodiscard]] const OutputPaths& paths() const { return paths_; }

 private:
  platform::Status move_aside_and_create();
  platform::Status abandon();

  platform::FileServices& files_;
  OutputPaths paths_;
  // Held from the first step of FileWrite to the last step of a finish: the
  // renames and deletions of both ends happen under it.
  std::unique_ptr<platform::FileLock> lock_;
  std::unique_ptr<platform::OutputFile> file_;
  bool sealed_ = false;  // the new catalogue is durable and closed, not yet committed
};

}  // namespace korvint::engine
