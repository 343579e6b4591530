#pragma once
// vesko's command line run in the test's process, its output kept.

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/vesko_command_line.h"

namespace korvint::app {

struct VeskoRun {
  int status;
  std::string out;
  std::string err;
};

/// Runs `vesko ARGUMENTS`, named `program` in its messages.
inline VeskoRun vesko(const std::vector<std::string>& arguments, std::string_view program = "vesko") {
  std::ostringstream out;
  std::ostringstream err;
  const int status = run_vesko(arguments, out, err, program);
  return VeskoRun{status, out.str(), err.str()};
}

}  // namespace korvint::app
