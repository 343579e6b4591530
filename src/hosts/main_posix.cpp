// korvint on Linux and other POSIX systems.
//   korvint                 the window, ready to scan the home folder
//   korvint ROOT            the window, prepared to scan ROOT
//   korvint ROOT OUTPUT     scans ROOT into OUTPUT and ends. Without a display
//                           the scan runs without a window. Exit status: 0
//                           complete, 1 failed or stopped, 3 complete but some
//                           folders could not be read (listed empty).
// SIGINT and SIGTERM stop a running scan (the earlier catalogue goes back) and
// close the window.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/batch_outcome.h"
#include "app/start_up.h"
#include "hosts/headless/windowless_batch.h"
#include "platform/folder_source.h"
#include "stop_signals.h"

#ifdef KORVINT_WITH_QT
#include "hosts/qt/qt_main.h"
#endif

namespace {

// The outcome of a batch scan on stderr, and its exit status.
int finish_batch(const std::optional<korvint::jobs::ScanOutcome>& outcome) {
  for (const std::string& line : korvint::app::batch_report(outcome)) {
    std::fprintf(stderr, "korvint: %s\n", line.c_str());
  }
  return korvint::app::batch_exit_code(outcome);
}

bool set(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A deep tree or many folders read ahead need descriptors; take what the system allows.
  korvint::platform::raise_open_file_limit();
  using namespace korvint;
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const bool batch = app::is_batch(arguments);
  const bool has_display = set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
  hosts::install_stop_signals();
#ifdef KORVINT_WITH_QT
  if (has_display) {
    const auto outcome = ui::qt::run_window(argc, argv, arguments, &hosts::stop_signal_received);
    return batch ? finish_batch(outcome) : 0;
  }
#endif
  if (batch) return finish_batch(ui::headless::run_batch_without_window(arguments, &hosts::stop_signal_received));
  std::fprintf(stderr,
               "korvint: no display for the window%s.\n"
               "To make a catalogue without a window: korvint ROOT OUTPUT\n",
               has_display ? " (this build has none)" : "");
  return 2;
}
