#pragma once
// Korvint.exe's command line as Windows hands it over, split at every "/"
// into its arguments: Korvint /c:\dir\ /c:\dir.lst gives "c:\dir\ " and
// "c:\dir.lst".

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

}  // namespace korvint::app
