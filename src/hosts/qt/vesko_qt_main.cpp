#include "hosts/qt/vesko_qt_main.h"

#include <QApplication>
#include <QTimer>
#include <iostream>

#include "app/vesko_form_events.h"
#include "hosts/qt/qt_platforms.h"
#include "hosts/qt/vesko_qt_window.h"

namespace korvint::ui::qt {

int run_vesko_window(int argc, char** argv, app::VeskoWindowOptions options, std::function<bool()> stop_requested) {
  // Qt sees the program's name and the platforms alone (the options are
  // Vesko's), with "offscreen" last to learn that no display answered.
  bool offscreen_is_fallback = false;
  QByteArray platforms = platforms_to_try(offscreen_is_fallback);
  char platform_option[] = "-platform";
  char* qt_argv[] = {argc > 0 ? argv[0] : platform_option, platform_option, platforms.data(), nullptr};
  int qt_argc = 3;  // QApplication keeps a reference to it
  QApplication application(qt_argc, qt_argv);
  if (offscreen_is_fallback && QGuiApplication::platformName() == "offscreen") {
    std::cerr << "vesko: cannot open the window: " << no_display_reason().toStdString() << "\n";
    return 2;
  }
  QApplication::setApplicationName(QStringLiteral("vesko"));
  VeskoQtWindow window(std::move(options), shell::vesko_ini_places(), shell::default_output_folder());
  QTimer signal_watch;
  QObject::connect(&signal_watch, &QTimer::timeout, [&window, &stop_requested] {
    if (!stop_requested || !stop_requested()) return;
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    window.close();
  });
  signal_watch.start(200);
  app::on_load(window.vesko());
  return QApplication::exec();
}

}  // namespace korvint::ui::qt
