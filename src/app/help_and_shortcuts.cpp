#include "app/help_and_shortcuts.h"

#include "jobs/scan_job.h"

namespace korvint::app {

std::string help_text() {
  return "Creates a .lst file compatible with the Korvint plugin for TotalCommander. Useful for "
         "creating catalogs from a batch file.\r\n"
         "Command line arguments example: Korvint /c:\\testdir\\ /c:\\testdir.lst\r\n";
}

void Command2_Click(ui::Form1& form) { form.host.messageBox(help_text(), ui::kProgramTitle); }

void Form_KeyUp(ui::Form1& form, std::int16_t KeyCode, std::int16_t Shift) {
  if (KeyCode == kKeyP && !form.host.focusInTextBox()) form.host.ClickDaMouse();
  if (KeyCode == kKeyX && Shift == ui::vbAltMask) jobs::request_close(form);
}

}  // namespace korvint::app
