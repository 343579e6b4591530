#pragma once
// The directory walker: writes every folder line and file line below a root,
// depth first, a folder's files before its sub-folders.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/catalogue_writer.h"
#include "engine/turn_pacer.h"
#include "platform/folder_source.h"
#include "platform/status.h"

namespace korvint::engine {

/// How a walk ended.
struct WalkResult {
  platform::Status write_status;    ///< a failed line write ends the walk and is kept here
  bool stopped = false;             ///< the stop flag ended the walk
  std::size_t unreadable_folders = 0;  ///< folders listed as empty because they could not be read
  std::string first_unreadable;     ///< the first such folder with its reason
  /// Folders reached again (through a link or a mount) and not entered twice.
  std::size_t folders_met_again = 0;
  /// File systems of the kernel's state (/proc, /sys...) met below the root and not entered.
  std::size_t pseudo_file_systems_not_entered = 0;
  /// File lines written: every file listed, exactly (the count label shows steps of 500).
  std::uint64_t files = 0;
  /// Folder lines written below the root, entered or not.
  std::uint64_t folders = 0;
};

/// `FindFilesAPI` and what it shares across the walk.
class Walker {
 public:
  /// All references must outlive the walker. `pacer` gives the host its turns
  /// and tells the stop flag. `utc_offset_seconds` is the offset
  /// in force when the scan starts; every time stamp of the walk uses it.
  /// `listing_threads` helper threads read folders ahead of the walk (0: none,
  /// the walk lists every folder itself; kAdaptiveListing: as many as the
  /// medium answers fastest with; none when `source` may keep fewer than
  /// kFoldersForReadAhead folders open); the lines written are the same.
  Walker(platform::FolderSource& source, CatalogueWriter& writer, TurnPacer& pacer,
         std::int64_t utc_offset_seconds, unsigned listing_threads = 0);

  /// Walks the tree below `path` (the root exactly as the header line shows it;
  /// a separator is appended when missing) and writes its lines. Only files
  /// whose names match `SearchStr` are listed. `FileCount` counts the files
  /// listed since the last progress step. `DirCount` is handed on untouched:
  /// nothing reads it, but it is one of the four parameters the walk is
  /// known by. The exact counts of files and folders are in the result.
  WalkResult FindFilesAPI(std::string& path, const std::string& SearchStr,
                          std::int32_t& FileCount, std::int32_t& DirCount);

 private:
  platform::FolderSource& source_;
  CatalogueWriter& writer_;
  TurnPacer& pacer_;
  std::int64_t utc_offset_;
  unsigned listing_threads_;
};

}  // namespace korvint::engine
