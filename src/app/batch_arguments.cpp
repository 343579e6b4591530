#include "app/batch_arguments.h"

#include "jobs/text_util.h"
#include "platform/program_folder.h"

namespace korvint::app {

std::string batch_arguments_problem(const std::vector<std::string>& arguments) {
  if (arguments.size() != 2) return "a batch scan takes two arguments, the folder to scan and the catalogue";
  if (jobs::trim_spaces(arguments[0]).empty()) return "the folder to scan (the first argument) is empty";
  const std::string output = jobs::trim_spaces(arguments[1]);
  if (output.empty()) return "the catalogue to write (the second argument) is empty";
  if (output.back() == platform::path_separator()) {
    return "\"" + output + "\" names a folder, not a catalogue file: name the file too, as in " + output +
           "name.lst";
  }
  return std::string();
}

}  // namespace korvint::app
