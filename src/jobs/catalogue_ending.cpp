#include "jobs/catalogue_ending.h"

#include <chrono>
#include <functional>
#include <future>
#include <new>
#include <system_error>
#include <utility>

namespace korvint::jobs {
namespace {

using Clock = std::chrono::steady_clock;
using platform::Status;

constexpr std::chrono::milliseconds kTurnInterval{kEndingTurnMilliseconds};

// Runs file steps on a helper thread, one at a time, and gives the window its
// turns while each runs; the turns keep their pace across the steps.
class PacedSteps {
 public:
  explicit PacedSteps(CatalogueEndingHost& host) : host_(host) {
    // The walk's last turn may lie up to its own interval back: one turn now
    // keeps the gap short whatever the walk did last.
    turn();
  }

  Status run(const std::function<Status()>& step) {
    std::future<Status> done;
    try {
      done = std::async(std::launch::async, step);
    } catch (const std::system_error&) {
      return step();  // no thread to be had: the step runs here, without turns
    } catch (const std::bad_alloc&) {
      return step();
    }
    while (done.wait_until(due_) != std::future_status::ready) turn();
    return done.get();
  }

 private:
  void turn() {
    host_.turn();
    // A signal acts as STOP at once, so the button hides at this turn.
    (void)host_.stop_asked();
    due_ = Clock::now() + kTurnInterval;
  }

  CatalogueEndingHost& host_;
  Clock::time_point due_;
};

}  // namespace

CatalogueEnd end_catalogue(engine::CatalogueOutput& output, engine::CatalogueWriter& writer,
                           CatalogueEndingHost& host) {
  PacedSteps steps(host);
  // The new catalogue is deleted and the earlier one put back.
  auto abandon = [&](ScanEnd end, std::string reason) {
    const Status restored = steps.run([&] { return output.finish_abandoned(); });
    if (end == ScanEnd::stopped && !restored.ok()) reason = restored.message();
    return CatalogueEnd{end, std::move(reason)};
  };

  if (host.stop_asked()) return abandon(ScanEnd::stopped, "");
  const Status written = steps.run([&] { return writer.flush(); });
  if (host.stop_asked()) return abandon(ScanEnd::stopped, "");
  if (!written.ok()) return abandon(ScanEnd::failed, written.message());

  // seal() abandons the scan itself when the catalogue cannot be made durable.
  const Status sealed = steps.run([&] { return output.seal(); });
  if (!sealed.ok()) return CatalogueEnd{ScanEnd::failed, sealed.message()};
  // A STOP during the sync still stops: until the backup is deleted the earlier
  // catalogue can go back, and a stopped scan always puts it back.
  if (host.stop_asked()) return abandon(ScanEnd::stopped, "");

  const Status committed = steps.run([&] { return output.finish_completed(); });
  if (!committed.ok()) return CatalogueEnd{ScanEnd::failed, committed.message()};
  return CatalogueEnd{ScanEnd::completed, "", output.note()};
}

}  // namespace korvint::jobs
