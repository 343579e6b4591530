#include "hosts/headless/windowless_batch.h"

#include <cstdio>
#include <utility>

#include "app/start_up.h"
#include "hosts/headless/headless_form.h"

namespace korvint::hosts::headless {
using namespace korvint::ui;

std::optional<jobs::ScanOutcome> run_batch_without_window(const std::vector<std::string>& arguments,
                                                          std::function<bool()> interrupted, bool show_count) {
  FormServices services;
  services.interrupted = std::move(interrupted);
  HeadlessForm window(std::move(services));
  if (show_count) {
    window.host.on_do_events = [&window] {
      std::fprintf(stderr, "\rFiles ~: %s ", window.Label2.caption().c_str());
    };
  }
  std::optional<jobs::ScanOutcome> outcome = app::Form_Load(window.form, arguments);
  if (show_count) {
    std::fprintf(stderr, "\r%s %s\n", window.Label1.caption().c_str(), window.Label2.caption().c_str());
  }
  return outcome;
}

}  // namespace korvint::hosts::headless
