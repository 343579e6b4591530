#include "hosts/qt/x_click.h"

// Qt first: the X11 headers define macros (None, Bool, Status) that Qt's use as names.
#include <QGuiApplication>

#ifdef KORVINT_HAVE_XTEST
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#endif

namespace korvint::hosts::qt {

void inject_left_click() {
#ifdef KORVINT_HAVE_XTEST
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
  auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (application == nullptr) return;
  auto* x11 = application->nativeInterface<QNativeInterface::QX11Application>();
  Display* display = x11 != nullptr ? x11->display() : nullptr;
  if (display == nullptr) return;
  int event_base = 0, error_base = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(display, &event_base, &error_base, &major, &minor)) return;
  XTestFakeButtonEvent(display, 1, True, CurrentTime);
  XTestFakeButtonEvent(display, 1, False, CurrentTime);
  // Waits until the server has made the click, so the next turn of the event
  // loop can already see it.
  XSync(display, False);
#endif
}

}  // namespace korvint::hosts::qt
