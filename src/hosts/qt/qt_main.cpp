#include "hosts/qt/qt_main.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "app/form_events.h"
#include "hosts/headless/posix_batch.h"
#include "app/start_up.h"
#include "hosts/qt/qt_form.h"

namespace korvint::ui::qt {
namespace {

// How often the window looks for SIGINT and SIGTERM while it waits for the user.
constexpr int kSignalPollMilliseconds = 200;

}  // namespace

int run_window(int argc, char** argv, const std::vector<std::string>& arguments) {
  app::install_stop_signals();
  int qt_argc = argc;  // QApplication keeps a reference to it
  QApplication application(qt_argc, argv);

  FormServices services;
  // A scan's walk asks this at each step: a signal acts as STOP there.
  services.interrupted = &app::stop_signal_received;
  QtForm window(std::move(services));

  // Between scans a signal closes the window; during one, closing stops it
  // first. A menu or dialog open then would hold the program until answered:
  // it closes unanswered.
  QTimer signal_watch;
  QObject::connect(&signal_watch, &QTimer::timeout, [&window] {
    if (!app::stop_signal_received()) return;
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    if (!window.form.closed) app::on_close_request(window.form);
  });
  signal_watch.start(kSignalPollMilliseconds);

  app::on_load(window.form, arguments);
  // A batch scan closes the window before the event loop would start.
  if (!window.form.closed) QApplication::exec();

  if (!app::is_batch(arguments)) return 0;
  return app::report_batch_outcome(window.form.lastScanCompleted, window.form.lastScanProblem,
                                   window.form.lastScanNote);
}

}  // namespace korvint::ui::qt
