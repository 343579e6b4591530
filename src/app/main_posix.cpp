// korvint on Linux and other POSIX systems.
//   korvint                 the window, ready to scan the home folder
//   korvint ROOT            the window, prepared to scan ROOT
//   korvint ROOT OUTPUT     scans ROOT into OUTPUT and ends; exit status 0 only
//                           for a completed scan. Without a display the scan
//                           runs without a window.

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/posix_batch.h"
#include "app/start_up.h"
#include "platform/folder_source.h"

#ifdef KORVINT_WITH_QT
#include "ui/qt/qt_main.h"
#endif

int main(int argc, char** argv) {
  korvint::platform::raise_open_file_limit();
  std::vector<std::string> arguments(argv + 1, argv + argc);
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  const bool has_display = (display != nullptr && *display != 0) ||
                           (wayland != nullptr && *wayland != 0) ||
                           (platform != nullptr && *platform != 0);
#ifdef KORVINT_WITH_QT
  if (has_display) return korvint::ui::qt::run_window(argc, argv, arguments);
#endif
  if (korvint::app::is_batch(arguments)) return korvint::app::run_batch_without_window(arguments);
  std::fprintf(stderr,
               "korvint: no display for the window%s.\n"
               "To make a catalogue without a window: korvint ROOT OUTPUT\n",
               has_display ? " (this build has none)" : "");
  return 2;
}
