#pragma once
// vesko with its Qt window.

#include <functional>

#include "app/vesko_window_start.h"

namespace korvint::ui::qt {

/// Runs Vesko's window until it is closed: `argc`/`argv` as main received
/// them; `stop_requested`, asked while the window waits, closes it once true
/// (SIGINT, SIGTERM). Returns the exit status: 2, with the reason on stderr,
/// when no display answers.
int run_vesko_window(int argc, char** argv, app::VeskoWindowOptions options, std::function<bool()> stop_requested);

}  // namespace korvint::ui::qt
