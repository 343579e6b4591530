#pragma once
// korvint's command line on Linux and other POSIX systems: options and operands
// as a shell hands them over, the usage text and the version line.

#include <string>
#include <vector>

namespace korvint::app {

/// What the command line asks for.
enum class Request {
  window,       ///< no operand, or ROOT: the window
  batch,        ///< ROOT OUTPUT: a scan that ends the program
  help,         ///< -h, --help: the usage text on stdout
  version,      ///< --version: the version line on stdout
  usage_error,  ///< anything else: exit status 2, nothing touched
};

struct Invocation {
  Request request = Request::window;
  std::vector<std::string> operands;  ///< ROOT [OUTPUT], options and "--" removed
  std::string error;                  ///< usage_error: what is wrong, naming the argument
};

/// Reads `korvint ARGS`. "-h"/"--help" and "--version" are the options; "--"
/// ends them, so that an operand may begin with "-"; any other argument that
/// begins with "-" is a usage error, and so are more than two operands and an
/// operand that names nothing (see batch_arguments_problem).
Invocation read_korvint_arguments(const std::vector<std::string>& arguments);

/// The text --help prints: both forms, the exit statuses, the environment and
/// where Vesko.ini is looked for.
std::string korvint_usage();

/// "korvint X.Y.Z".
std::string korvint_version_line();

}  // namespace korvint::app
