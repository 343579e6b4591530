#pragma once
// The directory walker: writes every folder line and file line below a root,
// depth first, a folder's files before its sub-folders.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/catalogue_writer.h"
#include "platform/folder_source.h"
#include "platform/status.h"

namespace korvint::engine {

/// What the scan job lends the walker: the stop flag, the count label and the event loop.
/// While a walk runs, the walker calls progress_step() or idle_turn() at least
/// every 100 ms whatever it is doing (listing, waiting for a read-ahead helper,
/// letting the helpers go after a stop), as long as no single call of the
/// folder source blocks for longer; once StopFlag() is true the walk ends
/// within as long. The host keeps the same pace for the states of the scan that
/// come after the walk (flushing, syncing, putting the earlier catalogue back).
class WalkHost {
 public:
  /// True once the user has asked the scan to stop.
  [[nodiscard]] virtual bool StopFlag() const = 0;

  /// Adds 500 to the count shown to the user, then gives the event loop a turn.
  virtual void progress_step() = 0;

  /// Gives the event loop a turn now; the walker paces these calls (TurnPacer).
  virtual void idle_turn() = 0;

 protected:
  ~WalkHost() = default;
};

/// Keeps the host's turns coming at a steady pace: the walk offers a turn
/// between any two entries and whenever it wakes from a wait, and a turn is
/// given once kInterval has passed since the last one.
class TurnPacer {
 public:
  using Clock = std::chrono::steady_clock;
  /// Well inside the 100 ms the host is promised: the rest is slack for a busy machine.
  static constexpr std::chrono::milliseconds kInterval{40};

  explicit TurnPacer(WalkHost& host) : host_(host), last_turn_(Clock::now()) {}

  /// Gives the host a turn when one is due. True once the user has asked to stop.
  bool offer() {
    if (Clock::now() >= due()) {
      host_.idle_turn();
      last_turn_ = Clock::now();
    }
    return host_.StopFlag();
  }

  /// A progress step, which is a turn too.
  void progress_step() {
    host_.progress_step();
    last_turn_ = Clock::now();
  }

  /// When the next turn is due: a walk that waits wakes up by then.
  [[nodiscard]] Clock::time_point due() const { return last_turn_ + kInterval; }

  [[nodiscard]] WalkHost& host() const { return host_; }

 private:
  WalkHost& host_;
  Clock::time_point last_turn_;
};

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
};

/// `FindFilesAPI` and what it shares across the walk.
class Walker {
 public:
  /// All references must outlive the walker. `utc_offset_seconds` is the offset
  /// in force when the scan starts; every time stamp of the walk uses it.
  /// `listing_threads` helper threads read folders ahead of the walk (0: none,
  /// the walk lists every folder itself; kAdaptiveListing: as many as the
  /// medium answers fastest with; none when `source` may keep fewer than
  /// kFoldersForReadAhead folders open); the lines written are the same.
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
