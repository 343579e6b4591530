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

void mnuReg_Click(ui::Form1& form) {
  // Writing the entry may need rights the user lacks; say so rather than
  // looking as if it worked.
  const platform::Status added = platform::add_folder_menu_entry(form.services.program_folder);
  if (!added.ok()) form.Label2.setCaption(added.message());
}

void mnuRegRem_Click(ui::Form1& form) {
  const platform::Status removed = platform::remove_folder_menu_entry();
  if (!removed.ok()) form.Label2.setCaption(removed.message());
}

}  // namespace korvint::shell
