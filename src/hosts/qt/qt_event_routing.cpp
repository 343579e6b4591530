#include "hosts/qt/qt_event_routing.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QWindow>

#include "app/form_events.h"
#include "ui/form_layout.h"
#include "hosts/qt/qt_controls.h"
#include "hosts/qt/qt_key_codes.h"
#include "hosts/qt/qt_window.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;

EventRouting::EventRouting(FormWindow& window, QtListBox& list, Form1& form)
    : window_(window), list_(list), form_(form) {
  for (const FormControlShape& shape : form_controls()) {
    if (shape.kind != ControlKind::CommandButton) continue;
    const ControlId id = shape.id;
    // Mouse, Space and the access key all end in clicked.
    connect(&window_.control_as<QPushButton>(id), &QPushButton::clicked, this,
            [this, id] { app::on_click(form_, id); });
  }
  app::connect_form(form_);
  // One filter sees every event once per receiver: the key preview (key
  // events reach the window's native window before the control with the
  // focus), the keys typed into Text1 and Text4, the presses on the list.
  qApp->installEventFilter(this);

  window_.on_close_request = [this] {
    if (!form_.closed) app::on_close_request(form_);
    // While a scan runs the window stays: the scan stops, then closes it.
    return form_.closed;
  };
  window_.on_surface_mouse_up = [this](Qt::MouseButton button) {
    const std::int16_t number = mouse_button_number(button);
    if (number != 0) app::on_form_mouse_up(form_, number);
  };
}

EventRouting::~EventRouting() {
  qApp->removeEventFilter(this);
  list_.on_click = nullptr;
  window_.on_close_request = nullptr;
  window_.on_surface_mouse_up = nullptr;
}

bool EventRouting::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyRelease:
      if (watched == window_.windowHandle()) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        // A held key repeats as release and press pairs; only the real release counts.
        if (!key.isAutoRepeat()) {
          app::on_key_up(form_, virtual_key_code(key), shift_state(key.modifiers()));
        }
      }
      return false;  // the control with the focus still gets the key
    case QEvent::KeyPress: return typed_into_box(watched, *event);
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: return list_mouse_down(watched, *event);
    default: return false;
  }
}

bool EventRouting::typed_into_box(QObject* box, QEvent& event) {
  const bool text1 = box == &window_.control(ControlId::Text1);
  const bool text4 = box == &window_.control(ControlId::Text4);
  if (!text1 && !text4) return false;
  const auto typed = key_ascii(static_cast<const QKeyEvent&>(event));
  if (!typed) return false;
  std::int16_t KeyAscii = *typed;
  app::on_key_press(form_, text1 ? ControlId::Text1 : ControlId::Text4, KeyAscii);
  if (KeyAscii == *typed) return false;
  // The handler swallowed the key (0) or typed another character instead.
  if (KeyAscii != 0) {
    static_cast<QLineEdit*>(box)->insert(QString(QChar(static_cast<char16_t>(KeyAscii))));
  }
  return true;
}

bool EventRouting::list_mouse_down(QObject* viewport, QEvent& event) {
  if (redelivering_) return false;
  auto& list = window_.control_as<QListWidget>(ControlId::List1);
  if (viewport != list.viewport()) return false;
  const auto& mouse = static_cast<const QMouseEvent&>(event);
  const std::int16_t button = mouse_button_number(mouse.button());
  if (button == 0) return false;
  // The list takes the press as the Windows list box does: the left button,
  // and the right one that stands for it, select the entry under the pointer
  // and report the click even on the entry selected already (every press of a
  // double click too); beside the entries, or with the middle button, the
  // selection stays. The handler runs after the list has reacted; the press is
  // then used up, or it would select again after a menu changed the list.
  const bool on_entry = list.indexAt(mouse.position().toPoint()).isValid();
  if (mouse.button() == Qt::MiddleButton) {
    // Nothing selects; the handler still hears of it.
  } else if (on_entry) {
    list_.user_pressed(true, [&] {
      redelivering_ = true;
      QCoreApplication::sendEvent(viewport, &event);
      redelivering_ = false;
    });
  } else if (mouse.button() == Qt::LeftButton) {
    list.setFocus(Qt::MouseFocusReason);
  }
  app::on_list_mouse_down(form_, button);
  return true;
}

}  // namespace korvint::hosts::qt
