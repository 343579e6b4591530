#pragma once
// One scan from its request to the finished catalogue, for whichever host
// shows it: the window, or a terminal when there is no window.

#include <cstdint>

#include "jobs/scan_outcome.h"
#include "jobs/scan_request.h"
#include "ui/form1.h"

namespace korvint::jobs {

/// What a scan borrows from the one who runs it, and what it tells them, in
/// this order: started, paths_fixed, busy(true), walk_started, progress and
/// turns, busy(false). A scan refused before it reaches the disk tells only
/// the first two. Everything is called on the thread that runs the scan.
class ScanHost {
 public:
  /// The files, folders, clock and time zone the scan uses.
  [[nodiscard]] virtual const ui::FormServices& services() const = 0;

  /// The scan begins at `local_seconds` (local time, whole seconds).
  virtual void started(std::int64_t local_seconds) { (void)local_seconds; }

  /// The request as the scan completed it (`completed`); the scan uses these
  /// paths from now on.
  virtual void paths_fixed(const ScanRequest& request) { (void)request; }

  /// True before the scan opens its root; false once it is done with the disk.
  virtual void busy(bool busy) { (void)busy; }

  /// The output is open and its header written: the walk begins, and a stop ends it.
  virtual void walk_started() {}

  /// The files counted so far, in steps of 500, at each progress step of the
  /// walk; a turn follows.
  virtual void progress(std::int64_t files_counted) { (void)files_counted; }

  /// Gives the event loop a turn now. From the walk's start to the scan's end
  /// turns come at least every 100 ms (as long as no single call of the
  /// system blocks longer).
  virtual void turn() = 0;

  /// True once the scan is asked to stop (STOP, closing, a signal).
  [[nodiscard]] virtual bool stop_asked() = 0;

 protected:
  ~ScanHost() = default;
};

/// Catalogues `request.root` into `request.output_folder` + `request.name`
/// (both completed first) and returns how it ended. Refused before anything is
/// opened: an empty root or name, a path that holds a NUL. Failed before the
/// output is touched: a root that cannot be opened. Otherwise the earlier
/// catalogue under the name is kept until the new one is complete and on disk,
/// and put back when the scan stops or fails (out of memory included).
ScanOutcome run_scan(const ScanRequest& request, ScanHost& host);

/// The reasons of a scan refused or ended for want of memory.
inline constexpr const char* kNoRoot = "Nothing to scan: the path box is empty";
inline constexpr const char* kNoName = "No name for the catalogue: the name box is empty";
inline constexpr const char* kOutOfMemory = "out of memory";

}  // namespace korvint::jobs
