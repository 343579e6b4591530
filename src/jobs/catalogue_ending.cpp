#include "jobs/catalogue_ending.h"

#include <functional>
#include <future>
#include <new>
#include <system_error>
#include <utility>

namespace korvint::jobs {
namespace {

using platform::Status;

// Runs a file step on a helper thread and gives the window its turns while it
// runs; the turns keep the pace the walk set.
Status run_paced(engine::TurnPacer& pacer, const std::function<Status()>& step) {
  std::future<Status> done;
  try {
    done = std::async(std::launch::async, step);
  } catch (const std::system_error&) {
    return step();  // no thread to be had: the step runs here, without turns
  } catch (const std::bad_alloc&) {
    return step();
  }
  // A turn also asks for the stop flag, so a signal acts as STOP at once and
  // the button hides at this turn.
  while (done.wait_until(pacer.due()) != std::future_status::ready) (void)pacer.offer();
  return done.get();
}

}  // namespace

CatalogueEnd end_catalogue(engine::CatalogueOutput& output, engine::CatalogueWriter& writer,
                           engine::TurnPacer& pacer) {
  // The new catalogue is deleted and the earlier one put back.
  auto abandon = [&](ScanEnd end, std::string reason) {
    const Status restored = run_paced(pacer, [&] { return output.finish_abandoned(); });
    if (end == ScanEnd::stopped && !restored.ok()) reason = restored.message();
    return CatalogueEnd{end, std::move(reason), {}};
  };

  // Every scan, however short, gives the window a turn before its catalogue
  // is ended, so that what the user did meanwhile (STOP, closing) counts.
  pacer.turn();
  if (pacer.stop_asked()) return abandon(ScanEnd::stopped, "");
  const Status written = run_paced(pacer, [&] { return writer.flush(); });
  if (pacer.stop_asked()) return abandon(ScanEnd::stopped, "");
  if (!written.ok()) return abandon(ScanEnd::failed, written.message());

  // seal() abandons the scan itself when the catalogue cannot be made durable.
  const Status sealed = run_paced(pacer, [&] { return output.seal(); });
  if (!sealed.ok()) return CatalogueEnd{ScanEnd::failed, sealed.message(), {}};
  // A STOP during the sync still stops: until the backup is deleted the earlier
  // catalogue can go back, and a stopped scan always puts it back.
  if (pacer.stop_asked()) return abandon(ScanEnd::stopped, "");

  const Status committed = run_paced(pacer, [&] { return output.finish_completed(); });
  if (!committed.ok()) return CatalogueEnd{ScanEnd::failed, committed.message(), {}};
  return CatalogueEnd{ScanEnd::completed, "", output.note()};
}

}  // namespace korvint::jobs
