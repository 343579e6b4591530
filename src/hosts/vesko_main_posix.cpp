// vesko on Linux and other POSIX systems.
//   vesko                      the window (Qt), searching the catalogue folder
//   vesko --catalogues DIR...  the window, searching those folders
//   vesko QUERY...             searches on the terminal: one result a line
// Without a display every form is the command-line tool. SIGINT and SIGTERM
// close the window.

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/vesko_command_line.h"
#include "app/vesko_window_start.h"
#include "stop_signals.h"

#ifdef KORVINT_WITH_QT
#include "hosts/qt/vesko_qt_main.h"
#endif

namespace {

bool set(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace korvint;
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const std::string program = app::program_name(argc > 0 ? argv[0] : "", "vesko");
  const bool has_display = set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
  if (auto options = app::vesko_window_options(arguments)) {
#ifdef KORVINT_WITH_QT
    if (has_display) {
      hosts::install_stop_signals();
      return ui::qt::run_vesko_window(argc, argv, std::move(*options), &hosts::stop_signal_received);
    }
#endif
    if (arguments.empty()) {
      std::fprintf(stderr,
                   "%s: no display for the window%s.\n"
                   "To search on the terminal: %s QUERY (try %s --help)\n",
                   program.c_str(), has_display ? " (this build has none)" : "", program.c_str(), program.c_str());
      return 2;
    }
  }
  std::ios::sync_with_stdio(false);
  return app::run_vesko(arguments, std::cout, std::cerr, program);
}
