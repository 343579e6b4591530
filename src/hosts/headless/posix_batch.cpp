#include "hosts/headless/posix_batch.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "hosts/headless/headless_form.h"
#include "app/start_up.h"

namespace korvint::app {
namespace {

volatile std::sig_atomic_t g_stop_signal = 0;

extern "C" void on_stop_signal(int) { g_stop_signal = 1; }

}  // namespace

void install_stop_signals() {
  struct sigaction action {};
  action.sa_handler = &on_stop_signal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool stop_signal_received() { return g_stop_signal != 0; }

int report_batch_outcome(bool completed, const std::string& problem, const std::string& note) {
  if (!note.empty()) std::fprintf(stderr, "korvint: %s\n", note.c_str());
  if (!completed) {
    std::fprintf(stderr, "korvint: %s\n",
                 problem == "Stopped" ? "Stopped! Output deleted!" : problem.c_str());
    return 1;
  }
  return 0;
}

int run_batch_without_window(const std::vector<std::string>& arguments) {
  install_stop_signals();
  ui::FormServices services;
  services.interrupted = &stop_signal_received;
  ui::headless::HeadlessForm window(std::move(services));
  const bool show_count = ::isatty(STDERR_FILENO) == 1;
  if (show_count) {
    window.host.on_do_events = [&window] {
      std::fprintf(stderr, "\rFiles ~: %s ", window.Label2.caption().c_str());
    };
  }
  Form_Load(window.form, arguments);
  if (show_count) std::fprintf(stderr, "\r%s %s\n", window.Label1.caption().c_str(),
                               window.Label2.caption().c_str());
  return report_batch_outcome(window.form.lastScanCompleted, window.form.lastScanProblem,
                              window.form.lastScanNote);
}

}  // namespace korvint::app
