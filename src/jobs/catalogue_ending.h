#pragma once
// The end of a scan's catalogue after the walk: the last buffer written out,
// the catalogue made durable, the backup deleted or put back. Each of these can
// take seconds on a slow disk (a sync of a large catalogue above all), so they
// run on a helper thread while the window keeps its turns and its STOP.

#include <string>

#include "engine/catalogue_output.h"
#include "engine/catalogue_writer.h"
#include "engine/turn_pacer.h"
#include "jobs/scan_outcome.h"

namespace korvint::jobs {

/// How the catalogue ended: completed, stopped or failed, and the reason as
/// ScanOutcome::reason gives it.
struct CatalogueEnd {
  ScanEnd end = ScanEnd::failed;
  std::string reason;
  std::string note{};  ///< as ScanOutcome::note
};

/// Ends the scan whose walk wrote into `writer` and `output`. A scan stopped
/// before the new catalogue is durable and closed, STOP during its sync
/// included, is stopped: the new catalogue is deleted and the earlier one put
/// back. Only once the sync is done and no stop was asked does it commit: the
/// backup is deleted and a STOP that comes later changes nothing. The window
/// gets a turn first; then each file step runs on a helper thread while
/// `pacer`, the one that paced the walk, keeps giving the window its turns.
CatalogueEnd end_catalogue(engine::CatalogueOutput& output, engine::CatalogueWriter& writer,
                           engine::TurnPacer& pacer);

}  // namespace korvint::jobs
