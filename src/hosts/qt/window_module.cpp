#include "hosts/qt/window_module.h"

#include <QApplication>
#include <QByteArray>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/batch_outcome.h"
#include "hosts/qt/qt_main.h"

namespace {

bool set(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != 0;
}

// The window platforms to try: the user's QT_QPA_PLATFORM, or those Qt picks
// by itself (Wayland in a Wayland session, X11 where DISPLAY is set), then
// "offscreen". Qt ends the process when none of the platforms it tries starts,
// and a display that is named but does not answer (a DISPLAY left from a closed
// session, in a cron job or over ssh) must not cost a batch scan: with
// "offscreen" last the module sees that no real display answered. Sets
// `offscreen_is_fallback` when "offscreen" was added for that.
QByteArray platforms_to_try(bool& offscreen_is_fallback) {
  QByteArray platforms = qgetenv("QT_QPA_PLATFORM");
  if (platforms.isEmpty()) {
    if (set("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland") platforms = "wayland";
    if (set("DISPLAY") || platforms.isEmpty()) platforms += platforms.isEmpty() ? "xcb" : ";xcb";
  }
  offscreen_is_fallback = !platforms.split(';').contains("offscreen");
  if (offscreen_is_fallback) platforms += ";offscreen";
  return platforms;
}

}  // namespace

int korvint_window_main(const char* program, const char* const* operands, int operand_count,
                        int (*stop_requested)()) {
  using namespace korvint;
  const std::vector<std::string> arguments(operands, operands + operand_count);
  bool offscreen_is_fallback = false;
  QByteArray platforms = platforms_to_try(offscreen_is_fallback);
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
