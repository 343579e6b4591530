#pragma once
// The QApplication of a window module: which of Qt's window platforms it
// tries, so that a display that is named but does not answer is found out
// instead of ending the process; and how a stop request closes the window.

#include <QApplication>
#include <QByteArray>
#include <QTimer>
#include <functional>

namespace korvint::hosts::qt {

/// The window platforms to try: the user's QT_QPA_PLATFORM, or those Qt picks
/// by itself (Wayland in a Wayland session, X11 where DISPLAY is set), then
/// "offscreen". Qt ends the process when none of the platforms it tries starts,
/// and a display that is named but does not answer (a DISPLAY left from a closed
/// session, in a cron job or over ssh) must not end it: with "offscreen" last
/// the program sees that no real display answered. Sets `offscreen_is_fallback`
/// when "offscreen" was added for that.
QByteArray platforms_to_try(bool& offscreen_is_fallback);

/// The QApplication of a program whose window opens: Qt sees the program's
/// name and the platforms to try alone (the program's own arguments are not
/// Qt's options: "-reverse" may be a folder).
class WindowApplication {
 public:
  /// `program` is the program's argv[0].
  explicit WindowApplication(const char* program);
  WindowApplication(const WindowApplication&) = delete;
  WindowApplication& operator=(const WindowApplication&) = delete;

  /// False when no display answered and only the offscreen fallback started.
  [[nodiscard]] bool has_display() const;

 private:
  bool offscreen_is_fallback_ = false;
  QByteArray platforms_;
  char platform_option_[10] = "-platform";
  char* argv_[4];
  int argc_ = 3;  // QApplication keeps a reference to it
  QApplication application_;
};

/// Asks `stop_requested` every 200 ms from now on while `timer` lives; once
/// it is true, closes an open menu or dialog unanswered (it would hold the
/// program until answered) and calls `close`.
void watch_stop_requests(QTimer& timer, std::function<bool()> stop_requested, std::function<void()> close);

}  // namespace korvint::hosts::qt
