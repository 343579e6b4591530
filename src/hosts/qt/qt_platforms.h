#pragma once
// Which of Qt's window platforms a program tries, so that a display that is
// named but does not answer is found out instead of ending the process.

#include <QByteArray>

namespace korvint::ui::qt {

/// The window platforms to try: the user's QT_QPA_PLATFORM, or those Qt picks
/// by itself (Wayland in a Wayland session, X11 where DISPLAY is set), then
/// "offscreen". Qt ends the process when none of the platforms it tries starts,
/// and a display that is named but does not answer (a DISPLAY left from a closed
/// session, in a cron job or over ssh) must not end it: with "offscreen" last
/// the program sees that no real display answered. Sets `offscreen_is_fallback`
/// when "offscreen" was added for that.
QByteArray platforms_to_try(bool& offscreen_is_fallback);

/// "no display answers", with the DISPLAY named when it is set.
QByteArray no_display_reason();

}  // namespace korvint::ui::qt
