#include "shell/folder_menu_entry.h"

#include "platform/shell_integration.h"

namespace korvint::shell {

void Form_MouseUp(ui::Form1& form, std::int16_t Button) {
  if (Button != ui::vbRightButton) return;
  const auto chosen = form.host.popupMenu(ui::MenuId::mnuPopUp2);
  if (!chosen || form.closed) return;
  if (*chosen == ui::MenuItemId::mnuReg) mnuReg_Click(form);
  if (*chosen == ui::MenuItemId::mnuRegRem) mnuRegRem_Click(form);
}

namespace {

// A failure is shown in both labels, the heading saying what failed, so that
// it never stands under the heading of a scan ("Scan failed:", "seconds it
// took:"). Success shows nothing: the labels keep what they said.
void show_outcome(ui::Form1& form, const platform::MenuEntryOutcome& outcome) {
  if (outcome.status.ok()) return;
  form.Label1.setCaption(kMenuEntryFailed);
  form.Label2.setCaption(outcome.status.message());
}

}  // namespace

void mnuReg_Click(ui::Form1& form) {
  show_outcome(form, platform::add_folder_menu_entry(form.services.program_folder));
}

void mnuRegRem_Click(ui::Form1& form) { show_outcome(form, platform::remove_folder_menu_entry()); }

}  // namespace korvint::shell
