#include "hosts/qt/vesko_window_module.h"

#include <QApplication>
#include <QSettings>
#include <QTimer>
#include <optional>
#include <string>
#include <vector>

#include "app/vesko_form_events.h"
#include "hosts/qt/qt_platforms.h"
#include "hosts/qt/vesko_qt_window.h"
#include "shell/vesko_settings.h"
#include "ui/window_memory.h"

int vesko_window_main(const char* program, const char* const* folders, int folder_count, const char* encoding,
                      int (*stop_requested)()) {
  using namespace korvint;
  app::VeskoWindowOptions options{std::vector<std::string>(folders, folders + folder_count),
                                  encoding != nullptr ? std::optional<std::string>(encoding) : std::nullopt};
  const hosts::qt::WindowApplication application(program);
  if (!application.has_display()) return hosts::qt::kNoWindow;
  QApplication::setApplicationName(QStringLiteral("vesko"));

  hosts::qt::VeskoQtWindow window(std::move(options), shell::vesko_ini_places(), shell::default_output_folder(),
                                  jobs::program_services());
  // The window as it was left, kept beside Vesko.ini: ~/.config/korvint/vesko-window.ini.
  QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("korvint"), QStringLiteral("vesko-window"));
  window.restore(ui::read_window_memory(settings.value(QStringLiteral("window")).toString().toStdString()));
  QTimer signal_watch;
  hosts::qt::watch_stop_requests(signal_watch, [stop_requested] { return stop_requested() != 0; },
                              [&window] { window.close(); });
  app::on_load(window.vesko());
  const int status = QApplication::exec();
  settings.setValue(QStringLiteral("window"), QString::fromStdString(ui::window_memory_text(window.memory())));
  return status;
}
