#pragma once
// A whole Qt main window: the widgets, the control model over them, the host,
// the form the handlers work on and the routing of the window's events.

#include <string>
#include <vector>

#include "ui/drive_box.h"
#include "ui/form1.h"
#include "hosts/qt/qt_controls.h"
#include "hosts/qt/qt_event_routing.h"
#include "hosts/qt/qt_host.h"
#include "hosts/qt/qt_window.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;

class QtForm {
 public:
  /// Builds the window (not shown yet) with `drives` in the drive box, sized
  /// for `dpi` dots per inch (0: the screen's) and scaled by `scale` (0: so
  /// that the captions fit the fonts, FormWindow). A QApplication must exist.
  explicit QtForm(FormServices services = {},
                  const std::vector<std::string>& drives = drive_box_entries(),
                  int dpi = 0, double scale = 0);
  QtForm(const QtForm&) = delete;
  QtForm& operator=(const QtForm&) = delete;

  FormWindow window;
  QtTextBox Text1, Text2, Text3, Text4, Text5;
  QtLabel Label1, Label2;
  QtWindowCaption Caption;
  QtListBox List1;
  QtDriveBox Drive1;
  QtButton Command1, mStop;
  QtFormHost host;
  Form1 form;

 private:
  EventRouting routing_;
};

}  // namespace korvint::hosts::qt
