#include "hosts/win32/win32_form.h"

#include <utility>

#include "app/form_events.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

Win32Form::Win32Form(FormServices services, int show_command)
    : window(show_command),
      Text1(window.control(ControlId::Text1)),
      Text2(window.control(ControlId::Text2)),
      Text3(window.control(ControlId::Text3)),
      Text4(window.control(ControlId::Text4)),
      Text5(window.control(ControlId::Text5)),
      Label1(window.control(ControlId::Label1)),
      Label2(window.control(ControlId::Label2)),
      Caption(window.hwnd()),
      List1(window.control(ControlId::List1)),
      Drive1(window.control(ControlId::Drive1)),
      Command1(window.control(ControlId::Command1),
               [this](HWND from) { window.move_focus(from, false); }),
      mStop(window.control(ControlId::mStop), [this](HWND from) { window.move_focus(from, false); }),
      host(window),
      form(FormControls{Text1, Text2, Text3, Text4, Text5, Label1, Label2, Caption, List1, Drive1,
                        Command1, mStop},
           host, std::move(services)) {
  app::connect_form(form);
  window.attach_list(&List1);
  window.attach(&form);
}

Win32Form::~Win32Form() {
  window.attach(nullptr);
  window.attach_list(nullptr);
  List1.on_click = nullptr;
  window.destroy();
}

}  // namespace korvint::hosts::win32
