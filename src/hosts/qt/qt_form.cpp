#include "hosts/qt/qt_form.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <utility>

namespace korvint::hosts::qt {
using namespace korvint::ui;

QtForm::QtForm(FormServices services, const std::vector<std::string>& drives, int dpi, double scale)
    : window(dpi, scale),
      Text1(window.control_as<QLineEdit>(ControlId::Text1)),
      Text2(window.control_as<QLineEdit>(ControlId::Text2)),
      Text3(window.control_as<QLineEdit>(ControlId::Text3)),
      Text4(window.control_as<QLineEdit>(ControlId::Text4)),
      Text5(window.control_as<QLineEdit>(ControlId::Text5)),
      Label1(window.control_as<QLabel>(ControlId::Label1), control_shape(ControlId::Label1)),
      Label2(window.control_as<QLabel>(ControlId::Label2), control_shape(ControlId::Label2)),
      Caption(window),
      List1(window.control_as<QListWidget>(ControlId::List1)),
      Drive1(window.control_as<QComboBox>(ControlId::Drive1)),
      Command1(window.control_as<QPushButton>(ControlId::Command1)),
      mStop(window.control_as<QPushButton>(ControlId::mStop)),
      host(window),
      form(FormControls{Text1, Text2, Text3, Text4, Text5, Label1, Label2, Caption, List1, Drive1,
                        Command1, mStop},
           host, std::move(services)),
      routing_(window, List1, form) {
  Drive1.fill(drives);
}

}  // namespace korvint::hosts::qt
