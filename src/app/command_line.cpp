#include "app/command_line.h"

#include "jobs/text_util.h"
#include "platform/program_folder.h"

namespace korvint::app {

std::vector<std::string> split_command_line(std::string_view text) {
  std::vector<std::string> arguments;
  std::size_t slash = text.find('/');
  while (slash != std::string_view::npos) {
    const std::size_t next = text.find('/', slash + 1);
    const std::size_t end = next == std::string_view::npos ? text.size() : next;
    arguments.emplace_back(text.substr(slash + 1, end - slash - 1));
    slash = next;
  }
  return arguments;
}

std::string_view text_after_program_name(std::string_view command_line) {
  std::size_t at = 0;
  bool quoted = false;
  while (at < command_line.size()) {
    const char c = command_line[at];
    if (c == '"') {
      quoted = !quoted;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      break;
    }
    ++at;
  }
  return command_line.substr(at);
}

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
