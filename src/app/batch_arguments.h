#pragma once
// Whether the two arguments of a batch run, ROOT and OUTPUT, can make a scan.

#include <string>
#include <vector>

namespace korvint::app {

/// Why two arguments, ROOT and OUTPUT, cannot make a batch scan; "" when they
/// can. ROOT must hold more than spaces; OUTPUT must name a file: not empty, not
/// only spaces, not ending in the path separator (which would name a folder and
/// leave a catalogue called ".lst" in it).
std::string batch_arguments_problem(const std::vector<std::string>& arguments);

}  // namespace korvint::app
