#include "hosts/qt/window_module.h"

#include <QApplication>
#include <QByteArray>
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
  bool offscreen_is_fallback = false;
  QByteArray platforms = ui::qt::platforms_to_try(offscreen_is_fallback);
  // Qt sees the program's name and the platforms alone: an operand such as
  // "-reverse" (given after "--") is a folder, not one of Qt's own options.
  char platform_option[] = "-platform";
  char* qt_argv[] = {const_cast<char*>(program), platform_option, platforms.data(), nullptr};
  int qt_argc = 3;  // QApplication keeps a reference to it
  QApplication application(qt_argc, qt_argv);
  if (offscreen_is_fallback && QGuiApplication::platformName() == "offscreen") return ui::qt::kNoWindow;

  const auto outcome = ui::qt::run_window(arguments, [stop_requested] { return stop_requested() != 0; });
  return arguments.size() == 2 ? app::finish_batch(outcome, std::cerr) : 0;
}
