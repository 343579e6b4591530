#pragma once
// Vesko's command line: searches the catalogues and prints one result a line.

#include <ostream>
#include <string>
#include <vector>

namespace korvint::app {

/// Runs `vesko ARGS` (the arguments after the program's name, UTF-8): results
/// on `out`, reasons on `err`. Returns the exit status: 0 when something was
/// found, 1 when nothing, 2 on an error (usage, query, unreadable folder).
int run_vesko(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

/// The text --help prints.
std::string vesko_usage();

}  // namespace korvint::app
