#pragma once
// Turns the Qt events of the main window into calls of the window's event
// handlers (app/form_events.h), the same calls every host makes.

#include <QObject>

#include "ui/form1.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;

class FormWindow;
class QtListBox;

class EventRouting final : public QObject {
 public:
  /// Starts routing the events of `window` to `form`; `list` is the form's List1.
  /// All three must outlive the routing.
  EventRouting(FormWindow& window, QtListBox& list, Form1& form);
  /// Stops the routing.
  ~EventRouting() override;
  EventRouting(const EventRouting&) = delete;
  EventRouting& operator=(const EventRouting&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool typed_into_box(QObject* box, QEvent& event);
  bool list_mouse_down(QObject* viewport, QEvent& event);

  FormWindow& window_;
  QtListBox& list_;
  Form1& form_;
  bool redelivering_ = false;  ///< true while the list handles a press of its own first
};

}  // namespace korvint::hosts::qt
