#include "hosts/qt/window_module.h"

#include <iostream>
#include <string>
#include <vector>

#include "app/batch_outcome.h"
#include "hosts/qt/qt_main.h"

int korvint_window_main(const char* program, const char* const* operands, int operand_count,
                        int (*stop_requested)()) {
  using namespace korvint;
  const std::vector<std::string> arguments(operands, operands + operand_count);
  // Qt sees the program's name alone: an operand such as "-reverse" (given
  // after "--") is a folder, not one of Qt's own options.
  char* qt_argv[] = {const_cast<char*>(program), nullptr};
  const auto outcome = ui::qt::run_window(1, qt_argv, arguments, [stop_requested] { return stop_requested() != 0; });
  return arguments.size() == 2 ? app::finish_batch(outcome, std::cerr) : 0;
}
