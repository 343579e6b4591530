#include "hosts/qt/vesko_qt_main.h"

#include <QApplication>
#include <QTimer>

#include "hosts/qt/vesko_qt_window.h"

namespace korvint::ui::qt {

int run_vesko_window(int argc, char** argv, app::VeskoWindowOptions options, std::function<bool()> stop_requested) {
  int qt_argc = argc;  // QApplication keeps a reference to it
  QApplication application(qt_argc, argv);
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
  window.vesko().Form_Load();
  return QApplication::exec();
}

}  // namespace korvint::ui::qt
