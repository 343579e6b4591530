#pragma once
// korvint with its Qt window.

#include <string>
#include <vector>

namespace korvint::ui::qt {

/// Runs the program with its window: `argc`/`argv` as main received them,
/// `arguments` the command line's arguments 1, 2, ... Returns the exit status:
/// 0, or for a batch scan (ROOT OUTPUT) that did not complete 1, with the
/// reason on stderr. SIGINT and SIGTERM stop a running scan and close the window.
int run_window(int argc, char** argv, const std::vector<std::string>& arguments);

}  // namespace korvint::ui::qt
