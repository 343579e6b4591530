#pragma once
// The main window's body: a fixed-size window holding every control of the
// layout table as a Qt widget, named, placed and stacked as the table says.

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "ui/form_ids.h"

class QCloseEvent;
class QFont;
class QMouseEvent;

namespace korvint::ui {
struct ControlFont;
}

namespace korvint::hosts::qt {
using namespace korvint::ui;

/// The primary screen's logical dots per inch, rounded; 96 without a screen.
int screen_dpi();

/// The window's font for `font`: its face first, then faces of the same build,
/// then any sans-serif face.
QFont control_font(const ControlFont& font);

/// The texts the window shows in control `id` that must fit inside it: a
/// button's or label's caption, the status labels' messages; none for other kinds.
std::vector<std::string> texts_to_fit(ControlId id);

class FormWindow final : public QWidget {
 public:
  /// Builds the window and its controls, sized for `dpi` dots per inch (0: the
  /// screen's) with the layout scaled by `scale` (0: the smallest scale, at
  /// least 1, at which every text of texts_to_fit fits in the window's fonts).
  explicit FormWindow(int dpi = 0, double scale = 0);

  /// The scale the layout was drawn at: 1 is the table's twips as they are.
  [[nodiscard]] double layout_scale() const { return scale_; }

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
  void lay_out(int dpi, double scale);
  double fitting_scale(int dpi);

  std::vector<QWidget*> controls_;     ///< by ControlId
  Qt::MouseButtons surface_presses_;  ///< buttons that went down on the bare surface
  double scale_ = 1.0;
};

}  // namespace korvint::hosts::qt
