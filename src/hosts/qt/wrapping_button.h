#pragma once
// A push button whose caption wraps onto more lines when one is too narrow,
// as the window's buttons do on Windows ("&Scan selected" takes two lines).

#include <QPushButton>

namespace korvint::hosts::qt {

class WrappingButton final : public QPushButton {
 public:
  /// A button showing `caption` ("&" marks the access key), a child of `parent`.
  WrappingButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}

  /// Where the caption is drawn, inside the button's frame.
  [[nodiscard]] QRect caption_area() const;

  /// True when `caption`, wrapped at spaces, fits inside the caption area.
  [[nodiscard]] bool caption_fits(const QString& caption) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace korvint::hosts::qt
