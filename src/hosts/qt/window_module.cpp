#include "hosts/qt/window_module.h"

#include <iostream>
#include <string>
#include <vector>

#include "app/batch_outcome.h"
#include "hosts/qt/qt_main.h"
#include "hosts/qt/qt_platforms.h"

int korvint_window_main(const char* program, const char* const* operands, int operand_count,
                        int (*stop_requested)()) {
  using namespace korvint;
  const std::vector<std::string> arguments(operands, operands + operand_count);
  const hosts::qt::WindowApplication application(program);
  if (!application.has_display()) return hosts::qt::kNoWindow;

  const auto outcome = hosts::qt::run_window(arguments, [stop_requested] { return stop_requested() != 0; });
  return arguments.size() == 2 ? app::finish_batch(outcome, std::cerr) : 0;
}
