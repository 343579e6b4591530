#pragma once
// The command line as the program reads it.

#include <string>
#include <string_view>
#include <vector>

namespace korvint::app {

/// Splits the command-line text after the program's name at every "/", keeping
/// empty pieces; piece 0 (before the first "/") is dropped, so the result holds
/// argument 1, argument 2, ... Spaces and quotes mean nothing.
std::vector<std::string> split_command_line(std::string_view text);

/// The raw command-line text without the program's own name, as Windows hands
/// it over: the name ends at the first space outside quotes.
std::string_view text_after_program_name(std::string_view command_line);

/// Why two arguments, ROOT and OUTPUT, cannot make a batch scan; "" when they
/// can. ROOT must hold more than spaces; OUTPUT must name a file: not empty, not
/// only spaces, not ending in the path separator (which would name a folder and
/// leave a catalogue called ".lst" in it).
std::string batch_arguments_problem(const std::vector<std::string>& arguments);

}  // namespace korvint::app
