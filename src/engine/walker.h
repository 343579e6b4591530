#pragma once
// The directory walker: writes every folder line and file line below a root,
// depth first, a folder's files before its sub-folders.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/catalogue_writer.h"
#include "platform/folder_source.h"
#include "platform/status.h"

namespace korvint::engine {

/// What the scan job lends the walker: the stop flag, the count label and the event loop.
class WalkHost {
 public:
  /// True once the user has asked the scan to stop.
  [[nodiscard]] virtual bool StopFlag() const = 0;

  /// Adds 500 to the count shown to the user, then gives the event loop a turn.
  virtual void progress_step() = 0;

  /// Gives the event loop a turn when enough time has passed since the last one,
  /// so the window stays alive inside long listings. Called often; must be cheap.
  virtual void idle_turn() = 0;

 protected:
  ~WalkHost() = default;
};

/// How a walk ended.
struct WalkResult {
  platform::Status write_status;    ///< a failed line write ends the walk and is kept here
  bool stopped = false;             ///< the stop flag ended the walk
  std::size_t unreadable_folders = 0;  ///< folders listed as empty because they could not be read
  std::string first_unreadable;     ///< the first such folder with its reason
  std::size_t links_not_followed = 0;  ///< links back to a folder already on the descent path
};

/// `FindFilesAPI` and what it shares across the walk.
class Walker {
 public:
  /// All references must outlive the walker. `utc_offset_seconds` is the offset
  /// in force when the scan starts; every time stamp of the walk uses it.
  /// `listing_threads` helper threads read folders ahead of the walk (0: none,
  /// the walk lists every folder itself); the lines written are the same.
  Walker(platform::FolderSource& source, CatalogueWriter& writer, WalkHost& host,
         std::int64_t utc_offset_seconds, unsigned listing_threads = 0);

  /// Walks the tree below `path` (the root exactly as the header line shows it;
  /// a separator is appended when missing) and writes its lines. Only files
  /// whose names match `SearchStr` are listed. `FileCount` counts the files
  /// listed since the last progress step; `DirCount` is handed on untouched.
  WalkResult FindFilesAPI(std::string& path, const std::string& SearchStr,
                          std::int32_t& FileCount, std::int32_t& DirCount);

 private:
  platform::FolderSource& source_;
  CatalogueWriter& writer_;
  WalkHost& host_;
  std::int64_t utc_offset_;
  unsigned listing_threads_;
};

}  // namespace korvint::engine
