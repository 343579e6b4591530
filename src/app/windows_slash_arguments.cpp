#include "app/windows_slash_arguments.h"

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

}  // namespace korvint::app
