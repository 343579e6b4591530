#pragma once
// Vesko's command line: searches the catalogues and prints one result a line.

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace korvint::app {

/// Runs `vesko ARGS` (the arguments after the program's name, UTF-8): results
/// on `out`, reasons on `err`, each reason begun with `program`, the name the
/// program was started by. Returns the exit status: 0 when something was
/// found, 1 when nothing, 2 on an error (usage, query, unreadable folder).
int run_vesko(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
              std::string_view program = "vesko");

/// The text --help prints, naming the program `program`; its examples are
/// quoted for cmd.exe on Windows and for a POSIX shell elsewhere.
std::string vesko_usage(std::string_view program = "vesko");

/// The name to call the program by in messages: the last part of `argv0`
/// (the path it was started by), else `fallback`.
std::string program_name(std::string_view argv0, std::string_view fallback);

}  // namespace korvint::app
