#include "hosts/qt/window_place.h"

#include <QGuiApplication>
#include <QScreen>

#include "ui/window_memory.h"

namespace korvint::hosts::qt {

ui::PixelRect place_of(const QWidget& window) {
  const QRect place = window.isMaximized() ? window.normalGeometry() : window.geometry();
  return ui::PixelRect{place.x(), place.y(), place.width(), place.height()};
}

void place_on_screen(QWidget& window, const ui::PixelRect& wanted) {
  const QScreen* on = QGuiApplication::screenAt(QPoint(wanted.left + wanted.width / 2, wanted.top + wanted.height / 2));
  if (on == nullptr) on = QGuiApplication::primaryScreen();
  if (on == nullptr) return;
  const QRect area = on->availableGeometry();
  const ui::PixelRect placed = ui::clamp_to_area(wanted, ui::PixelRect{area.x(), area.y(), area.width(), area.height()},
                                                 window.minimumWidth(), window.minimumHeight());
  window.setGeometry(placed.left, placed.top, placed.width, placed.height);
}

void place_first(QWidget& window, int width, int height, int margin) {
  const QScreen* on = window.screen();
  if (on == nullptr) on = QGuiApplication::primaryScreen();
  if (on == nullptr) {
    window.resize(width, height);
    return;
  }
  const QRect area = on->availableGeometry();
  const ui::PixelRect placed = ui::first_place(width, height, ui::PixelRect{area.x(), area.y(), area.width(), area.height()},
                                               margin, window.minimumWidth(), window.minimumHeight());
  window.setGeometry(placed.left, placed.top, placed.width, placed.height);
}

}  // namespace korvint::hosts::qt
