// korvint on Linux and other POSIX systems.
//   korvint                 the window, ready to scan the home folder
//   korvint ROOT            the window, prepared to scan ROOT
//   korvint ROOT OUTPUT     scans ROOT into OUTPUT and ends. Without a display
//                           (or one that does not answer, or without the
//                           window module) the scan runs without a window.
//   korvint -h | --help | --version;  "--" ends the options.
// Exit status: 0 complete, 1 failed or stopped, 2 wrong command line (or no
// window to open), 3 complete but some folders could not be read (listed empty).
// SIGINT, SIGTERM, SIGHUP and SIGQUIT stop a running scan (the earlier
// catalogue goes back) and close the window; SIGPIPE is ignored.
//
// The window is a module loaded only when a window opens (window_loader.h):
// a batch run without a display never loads the window toolkit.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/batch_outcome.h"
#include "app/korvint_command_line.h"
#include "hosts/headless/windowless_batch.h"
#include "platform/folder_source.h"
#include "stop_signals.h"
#include "window_loader.h"

#ifdef KORVINT_WITH_QT
#include "hosts/qt/window_module.h"

namespace {

int stop_requested() { return korvint::hosts::stop_signal_received() ? 1 : 0; }

}  // namespace
#endif

int main(int argc, char** argv) {
  // A deep tree or many folders read ahead need descriptors; take what the system allows.
  korvint::platform::raise_open_file_limit();
  using namespace korvint;
  const app::Invocation invocation = app::read_korvint_arguments(std::vector<std::string>(argv + 1, argv + argc));
  switch (invocation.request) {
    case app::Request::help:
      std::cout << app::korvint_usage();
      return std::cout.flush() ? 0 : 1;
    case app::Request::version:
      std::cout << app::korvint_version_line() << "\n";
      return std::cout.flush() ? 0 : 1;
    case app::Request::usage_error:
      std::cerr << "korvint: " << invocation.error << " (try korvint --help)\n";
      return app::kExitUsage;
    case app::Request::window:
    case app::Request::batch:
      break;
  }
  const bool batch = invocation.request == app::Request::batch;
  const bool has_display = hosts::display_named();
  hosts::install_stop_signals();
#ifdef KORVINT_WITH_QT
  if (has_display) {
    std::string error;
    if (const auto window_main = reinterpret_cast<hosts::qt::WindowMain>(
            hosts::load_window_entry("korvint-window.so", hosts::qt::kWindowMainName, error))) {
      std::vector<const char*> operands;
      for (const std::string& operand : invocation.operands) operands.push_back(operand.c_str());
      const int status = window_main(argv[0], operands.data(), static_cast<int>(operands.size()), &stop_requested);
      if (status != hosts::qt::kNoWindow) return status;
      error = hosts::no_display_reason();
    }
    std::cerr << "korvint: cannot open the window: " << error << "\n";
    if (!batch) return app::kExitUsage;
    std::cerr << "korvint: scanning without a window\n";
  }
#endif
  if (batch) {
    // The count is for a person watching: a terminal, not a log file.
    std::FILE* count_to = ::isatty(STDERR_FILENO) == 1 ? stderr : nullptr;
    return app::finish_batch(
        hosts::headless::run_batch_without_window(invocation.operands, &hosts::stop_signal_received, count_to),
        std::cerr);
  }
  std::fprintf(stderr,
               "korvint: no display for the window%s.\n"
               "To make a catalogue without a window: korvint ROOT OUTPUT\n",
               has_display ? " (this build has none)" : "");
  return app::kExitUsage;
}
