// vesko on Linux and other POSIX systems.
//   vesko                      the window (Qt), searching the catalogue folder
//   vesko --catalogues DIR...  the window, searching those folders
//   vesko QUERY...             searches on the terminal: one result a line
// Without a display every form is the command-line tool. SIGINT and SIGTERM
// close the window.
//
// The window is a module loaded only when the window opens (window_loader.h):
// a search on the terminal never loads the window toolkit.

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/vesko_arguments.h"
#include "app/vesko_command_line.h"
#include "platform/memory_reuse.h"
#include "stop_signals.h"
#include "window_loader.h"

#ifdef KORVINT_WITH_QT
#include "hosts/qt/vesko_window_module.h"

namespace {

int stop_requested() { return korvint::hosts::stop_signal_received() ? 1 : 0; }

// Runs the window over `options`; the exit status, or nullopt when no
// window could open (the reason in `error`).
std::optional<int> run_window(const char* program, const korvint::app::VeskoWindowOptions& options,
                              std::string& error) {
  using namespace korvint;
  const auto window_main = reinterpret_cast<hosts::qt::VeskoWindowMain>(
      hosts::load_window_entry("vesko-window.so", hosts::qt::kVeskoWindowMainName, error));
  if (window_main == nullptr) return std::nullopt;
  std::vector<const char*> folders;
  for (const std::string& folder : options.folders) folders.push_back(folder.c_str());
  hosts::install_stop_signals();
  const int status = window_main(program, folders.data(), static_cast<int>(folders.size()),
                                 options.encoding ? options.encoding->c_str() : nullptr, &stop_requested);
  if (status != hosts::qt::kNoWindow) return status;
  error = hosts::no_display_reason();
  return std::nullopt;
}

}  // namespace
#endif

int main(int argc, char** argv) {
  using namespace korvint;
  platform::keep_freed_memory_for_reuse();
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const std::string program = app::program_name(argc > 0 ? argv[0] : "", "vesko");
  const bool has_display = hosts::display_named();
  if (auto options = app::vesko_window_options(arguments)) {
#ifdef KORVINT_WITH_QT
    if (has_display) {
      std::string error;
      if (const auto status = run_window(argc > 0 ? argv[0] : "vesko", *options, error)) return *status;
      std::cerr << program << ": cannot open the window: " << error << "\n";
      return 2;
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
