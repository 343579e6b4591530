#pragma once
// Start-up: the window's start values, the default output folder, path
// completion and the command line.

#include <optional>
#include <string>
#include <vector>

#include "jobs/scan_outcome.h"
#include "jobs/scan_request.h"
#include "ui/form1.h"

namespace korvint::app {

/// The window's start values on this platform.
struct StartValues {
  std::string Text1;  ///< the root to scan
  std::string Text4;  ///< its catalogue name
  std::string Text5;  ///< the output folder
};

/// Windows: "c:\", "c-disk.lst", "b:\". POSIX: the home folder with a trailing "/"
/// for both boxes and the name the naming rule gives it.
StartValues default_start_values();

/// The window's load handler. `arguments` are argument 1, 2, ... of the command
/// line. One argument prepares the window for that root; exactly two scan the
/// first into the second and close the window, and return how that scan ended
/// (nullopt for any other command line). An empty first argument is ignored
/// like a missing one.
std::optional<jobs::ScanOutcome> Form_Load(ui::Form1& form, const std::vector<std::string>& arguments);

/// The scan a batch command line asks for: exactly two arguments, the first
/// naming a root once trimmed. The root is that, ending in the separator; the
/// second argument is split after its last separator into the output folder
/// and the name (not trimmed). nullopt for any other command line.
std::optional<jobs::ScanRequest> batch_request(const std::vector<std::string>& arguments);

}  // namespace korvint::app
