#include "hosts/qt/qt_main.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "app/form_events.h"
#include "app/start_up.h"
#include "hosts/qt/qt_form.h"

namespace korvint::ui::qt {
namespace {

// How often the window looks for SIGINT and SIGTERM while it waits for the user.
constexpr int kSignalPollMilliseconds = 200;

}  // namespace

std::optional<jobs::ScanOutcome> run_window(const std::vector<std::string>& arguments,
                                            std::function<bool()> stop_requested) {
  FormServices services;
  // A scan's walk asks this at each step: a signal acts as STOP there.
  services.interrupted = stop_requested;
  QtForm window(std::move(services));

  // Between scans a signal closes the window; during one, closing stops it
  // first. A menu or dialog open then would hold the program until answered:
  // it closes unanswered.
  QTimer signal_watch;
  QObject::connect(&signal_watch, &QTimer::timeout, [&window, &stop_requested] {
    if (!stop_requested || !stop_requested()) return;
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    if (!window.form.closed) app::on_close_request(window.form);
  });
  signal_watch.start(kSignalPollMilliseconds);

  std::optional<jobs::ScanOutcome> outcome = app::Form_Load(window.form, arguments);
  // A batch scan closes the window before the event loop would start.
  if (!window.form.closed) QApplication::exec();
  return outcome;
}

}  // namespace korvint::ui::qt
