#pragma once
// The output file of one scan and its backup: the catalogue that stood under
// the output name is moved aside before the scan, then either dropped (the
// scan completed) or moved back (it was stopped or failed).

#include <memory>
#include <string>
#include <string_view>

#include "platform/file_services.h"
#include "platform/status.h"

namespace korvint::engine {

/// The output path (folder text directly followed by the name) and its backup path.
struct OutputPaths {
  std::string output;
  std::string backup;  ///< `output` followed by ".old"
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

  /// Moves an earlier catalogue aside to the backup path and opens the output
  /// path empty. A backup left by a scan that never ended marks the file under
  /// the output name as that scan's unfinished output: it is deleted and the
  /// backup, the last complete catalogue, stays the backup. On failure nothing
  /// that was there before is lost and no backup is left behind.
  platform::Status FileWrite();

  /// The open output file; valid between a successful FileWrite and a finish.
  platform::OutputFile& file() { return *file_; }

  /// A completed scan: makes the new catalogue durable, closes it, then deletes
  /// the backup. If the catalogue cannot be completed, or the backup cannot be
  /// deleted, the scan is abandoned and the failure returned.
  platform::Status finish_completed();

  /// A stopped or failed scan: closes and deletes the output, puts the backup
  /// back under the output name.
  platform::Status finish_abandoned();

  [[nodiscard]] const OutputPaths& paths() const { return paths_; }

 private:
  platform::FileServices& files_;
  OutputPaths paths_;
  std::unique_ptr<platform::OutputFile> file_;
};

}  // namespace korvint::engine
