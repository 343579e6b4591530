#pragma once
// The end of a scan's catalogue after the walk: the last buffer written out,
// the catalogue made durable, the backup deleted or put back. Each of these can
// take seconds on a slow disk (a sync of a large catalogue above all), so they
// run on a helper thread while the window keeps its turns and its STOP.

#include <string>

#include "engine/catalogue_output.h"
#include "engine/catalogue_writer.h"
#include "jobs/scan_outcome.h"

namespace korvint::jobs {

/// What the ending borrows from the window, on the window's thread.
class CatalogueEndingHost {
 public:
  /// Gives the window's event loop a turn now; the ending paces the calls.
  virtual void turn() = 0;

  /// True once the user (STOP, closing) or a signal has asked the scan to stop.
  [[nodiscard]] virtual bool stop_asked() = 0;

 protected:
  ~CatalogueEndingHost() = default;
};

/// How the catalogue ended: completed, stopped or failed, and the reason as
/// ScanOutcome::reason gives it.
struct CatalogueEnd {
  ScanEnd end = ScanEnd::failed;
  std::string reason;
  std::string note;  ///< as ScanOutcome::note
};

/// The window gets a turn at least this often while the catalogue is ended:
/// well inside the 100 ms it is promised, the rest is slack for a busy machine.
inline constexpr int kEndingTurnMilliseconds = 40;

/// Ends the scan whose walk wrote into `writer` and `output`. A scan stopped
/// before the new catalogue is durable and closed, STOP during its sync
/// included, is stopped: the new catalogue is deleted and the earlier one put
/// back. Only once the sync is done and no stop was asked does it commit: the
/// backup is deleted and a STOP that comes later changes nothing. Each file
/// step runs on a helper thread; meanwhile `host` gets a turn at once and then
/// at least every kEndingTurnMilliseconds.
CatalogueEnd end_catalogue(engine::CatalogueOutput& output, engine::CatalogueWriter& writer,
                           CatalogueEndingHost& host);

}  // namespace korvint::jobs
