#include "hosts/qt/qt_main.h"

#include <QApplication>
#include <QTimer>

#include "app/form_events.h"
#include "app/start_up.h"
#include "hosts/qt/qt_form.h"
#include "hosts/qt/qt_platforms.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;

std::optional<jobs::ScanOutcome> run_window(const std::vector<std::string>& arguments,
                                            std::function<bool()> stop_requested) {
  FormServices services;
  // A scan's walk asks this at each step: a signal acts as STOP there.
  services.interrupted = stop_requested;
  QtForm window(std::move(services));

  // Between scans a signal closes the window; during one, closing stops it first.
  QTimer signal_watch;
  watch_stop_requests(signal_watch, stop_requested, [&window] {
    if (!window.form.closed) app::on_close_request(window.form);
  });

  std::optional<jobs::ScanOutcome> outcome = app::Form_Load(window.form, arguments);
  // A batch scan closes the window before the event loop would start.
  if (!window.form.closed) QApplication::exec();
  return outcome;
}

}  // namespace korvint::hosts::qt
