#include "app/form_events.h"

#include "app/help_and_shortcuts.h"
#include "jobs/entry_keys.h"
#include "jobs/scan_all.h"
#include "jobs/scan_job.h"
#include "shell/vesko_launcher.h"
#include "shell/folder_menu_entry.h"
#include "jobs/scan_list.h"

namespace korvint::app {

using ui::ControlId;

void connect_form(ui::Form1& form) {
  form.List1.on_click = [&form] { on_list_click(form); };
}

void on_click(ui::Form1& form, ControlId button) {
  if (form.closed) return;
  switch (button) {
    case ControlId::Command1: jobs::Command1_Click(form); break;
    case ControlId::mStop: jobs::mStop_Click(form); break;
    case ControlId::Command2: Command2_Click(form); break;
    case ControlId::Command3: jobs::Command3_Click(form); break;
    case ControlId::Command4: jobs::Command4_Click(form); break;
    case ControlId::Command5: jobs::Command5_Click(form); break;
    case ControlId::Command6: jobs::Command6_Click(form); break;
    case ControlId::Command7: jobs::Command7_Click(form); break;
    case ControlId::Command8: shell::Command8_Click(form); break;
    case ControlId::Command9: jobs::Command9_Click(form); break;
    default: break;
  }
}

void on_key_press(ui::Form1& form, ControlId box, std::int16_t& KeyAscii) {
  if (form.closed) return;
  if (box == ControlId::Text1) jobs::Text1_KeyPress(form, KeyAscii);
  if (box == ControlId::Text4) jobs::Text4_KeyPress(form, KeyAscii);
}

void on_key_up(ui::Form1& form, std::int16_t KeyCode, std::int16_t Shift) {
  if (form.closed) return;
  Form_KeyUp(form, KeyCode, Shift);
}

void on_list_click(ui::Form1& form) {
  if (form.closed) return;
  jobs::List1_Click(form);
}

void on_list_mouse_down(ui::Form1& form, std::int16_t Button) {
  if (form.closed) return;
  jobs::List1_MouseDown(form, Button);
}

void on_form_mouse_up(ui::Form1& form, std::int16_t Button) {
  if (form.closed) return;
  shell::Form_MouseUp(form, Button);
}

void on_menu_item(ui::Form1& form, ui::MenuItemId item) {
  if (form.closed) return;
  switch (item) {
    case ui::MenuItemId::mnuDelete: jobs::mnuDelete_Click(form); break;
    case ui::MenuItemId::mnuDeleteAll: jobs::mnuDeleteAll_Click(form); break;
    case ui::MenuItemId::mnuReg: shell::mnuReg_Click(form); break;
    case ui::MenuItemId::mnuRegRem: shell::mnuRegRem_Click(form); break;
  }
}

void on_close_request(ui::Form1& form) { jobs::request_close(form); }

}  // namespace korvint::app
