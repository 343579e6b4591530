#pragma once
// Whether a person watches the program's error output.

namespace korvint::platform {

/// True when the standard error stream is a terminal (a console on Windows):
/// progress is shown there, never written into a log file.
bool error_output_is_terminal();

}  // namespace korvint::platform
