#include "hosts/headless/windowless_batch.h"

#include <cstdint>
#include <utility>

#include "app/start_up.h"
#include "jobs/scan_run.h"
#include "platform/clock.h"

namespace korvint::hosts::headless {
using namespace korvint::ui;
namespace {

// A scan's host that is no window: the count goes to a terminal, a signal is the STOP.
class TerminalScanHost final : public jobs::ScanHost {
 public:
  TerminalScanHost(std::function<bool()> interrupted, std::FILE* count_to)
      : interrupted_(std::move(interrupted)), count_to_(count_to) {
    services_.now_utc_seconds = &platform::now_utc_seconds;
    services_.utc_offset_seconds = &platform::current_utc_offset_seconds;
  }

  [[nodiscard]] const FormServices& services() const override { return services_; }

  void progress(std::int64_t files_counted) override { count_ = files_counted; }

  void turn() override {
    if (count_to_ == nullptr) return;
    std::fprintf(count_to_, "\r%s %lld ", jobs::kFilesRunning, static_cast<long long>(count_));
    std::fflush(count_to_);
  }

  bool stop_asked() override {
    // A stop, once asked, stands: as STOP on the window.
    if (!stopped_ && interrupted_) stopped_ = interrupted_();
    return stopped_;
  }

 private:
  FormServices services_;
  std::function<bool()> interrupted_;
  std::FILE* count_to_;
  std::int64_t count_ = 0;
  bool stopped_ = false;
};

}  // namespace

std::optional<jobs::ScanOutcome> run_batch_without_window(const std::vector<std::string>& arguments,
                                                          std::function<bool()> interrupted,
                                                          std::FILE* count_to) {
  const std::optional<jobs::ScanRequest> request = app::batch_request(arguments);
  if (!request) return std::nullopt;
  TerminalScanHost host(std::move(interrupted), count_to);
  const jobs::ScanOutcome outcome = jobs::run_scan(*request, host);
  if (count_to != nullptr) {
    const jobs::OutcomeTexts texts = jobs::outcome_texts(outcome);
    std::fprintf(count_to, "\r%s %s\n", texts.heading.c_str(), texts.result.c_str());
    std::fflush(count_to);
  }
  return outcome;
}

}  // namespace korvint::hosts::headless
