#include "hosts/qt/qt_platforms.h"

#include <QList>
#include <cstdlib>

namespace korvint::ui::qt {
namespace {

bool set(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != 0;
}

}  // namespace

QByteArray platforms_to_try(bool& offscreen_is_fallback) {
  QByteArray platforms = qgetenv("QT_QPA_PLATFORM");
  if (platforms.isEmpty()) {
    if (set("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland") platforms = "wayland";
    if (set("DISPLAY") || platforms.isEmpty()) platforms += platforms.isEmpty() ? "xcb" : ";xcb";
  }
  offscreen_is_fallback = !platforms.split(';').contains("offscreen");
  if (offscreen_is_fallback) platforms += ";offscreen";
  return platforms;
}

QByteArray no_display_reason() {
  QByteArray reason = "no display answers";
  if (set("DISPLAY")) reason += " (DISPLAY=" + qgetenv("DISPLAY") + ")";
  return reason;
}

}  // namespace korvint::ui::qt
