#include "hosts/qt/qt_platforms.h"

#include <QList>
#include <QWidget>
#include <cstdlib>
#include <utility>

namespace korvint::hosts::qt {
namespace {

bool set(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != 0;
}

// How often a window looks for a stop request while it waits for the user.
constexpr int kStopPollMilliseconds = 200;

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

WindowApplication::WindowApplication(const char* program)
    : platforms_(platforms_to_try(offscreen_is_fallback_)),
      argv_{const_cast<char*>(program), platform_option_, platforms_.data(), nullptr},
      application_(argc_, argv_) {}

bool WindowApplication::has_display() const {
  return !offscreen_is_fallback_ || QGuiApplication::platformName() != "offscreen";
}

void watch_stop_requests(QTimer& timer, std::function<bool()> stop_requested, std::function<void()> close) {
  QObject::connect(&timer, &QTimer::timeout,
                   [stop_requested = std::move(stop_requested), close = std::move(close)] {
                     if (!stop_requested || !stop_requested()) return;
                     if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
                     if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
                     close();
                   });
  timer.start(kStopPollMilliseconds);
}

}  // namespace korvint::hosts::qt
