#pragma once
// The main window's body: a fixed-size window holding every control of the
// layout table as a Qt widget, named, placed and stacked as the table says.

#include <QWidget>
#include <functional>
#include <vector>

#include "ui/form_ids.h"

class QCloseEvent;
class QFont;
class QMouseEvent;

namespace korvint::ui {
struct ControlFont;
}

namespace korvint::ui::qt {

/// The primary screen's logical dots per inch, rounded; 96 without a screen.
int screen_dpi();

/// The window's font for `font`: its face first, then faces of the same build,
/// then any sans-serif face.
QFont control_font(const ControlFont& font);

class FormWindow final : public QWidget {
 public:
  /// Builds the window and its controls, sized for `dpi` dots per inch (0: the screen's).
  explicit FormWindow(int dpi = 0);

  /// The widget of control `id`: QPushButton, QLineEdit, QListWidget, QComboBox, QLabel or QFrame.
  [[nodiscard]] QWidget& control(ControlId id) const;

  /// The widget of control `id` as the class the table gives it.
  template <class Widget>
  [[nodiscard]] Widget& control_as(ControlId id) const {
    return static_cast<Widget&>(control(id));
  }

  /// Asked when the window is about to close; false keeps it open.
  std::function<bool()> on_close_request;

  /// A mouse button went down and came up again on the window's own surface (not on a control).
  std::function<void(Qt::MouseButton)> on_surface_mouse_up;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  std::vector<QWidget*> controls_;     ///< by ControlId
  Qt::MouseButtons surface_presses_;  ///< buttons that went down on the bare surface
};

}  // namespace korvint::ui::qt
