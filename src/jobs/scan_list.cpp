#include "jobs/scan_list.h"

#include "jobs/naming_rule.h"
#include "platform/program_folder.h"

namespace korvint::jobs {
namespace {

using platform::with_trailing_separator;

// Fills Text4 with the name the naming rule proposes for Text1.
void propose_name(ui::Form1& form) { form.Text4.setText(derive_catalogue_name(form.Text1.text())); }

}  // namespace

std::string drive_root(const std::string& entry) {
#ifdef _WIN32
  return entry.substr(0, 2) + "\\";
#else
  return with_trailing_separator(entry);
#endif
}

void Command3_Click(ui::Form1& form) {
  const int chosen = form.Drive1.ListIndex();
  if (chosen < 0) return;  // an empty drive box offers nothing to add
  form.List1.AddItem(drive_root(form.Drive1.List(chosen)));
}

void Command4_Click(ui::Form1& form) {
  const std::string folder = form.host.BrowseFolder();
  if (folder.empty()) return;
  form.List1.AddItem(folder);
}

void Command6_Click(ui::Form1& form) {
  const std::string folder = form.host.BrowseFolder();
  if (folder.empty()) return;
  form.Text5.setText(with_trailing_separator(folder));
}

void Command7_Click(ui::Form1& form) { form.Text4.setText(""); }

void Command9_Click(ui::Form1& form) {
  const std::string folder = form.host.BrowseFolder();
  if (folder.empty()) return;
  form.Text1.setText(with_trailing_separator(folder));
  propose_name(form);
}

void List1_Click(ui::Form1& form) {
  const int selected = form.List1.ListIndex();
  if (selected < 0) return;
  form.Text1.setText(form.List1.List(selected));
  propose_name(form);
}

void List1_MouseDown(ui::Form1& form, std::int16_t Button) {
  if (Button != ui::vbRightButton) return;
  // A left click where the right button went down selects the entry there, as
  // a left click would, and the list reports it (List1_Click) before the menu opens.
  form.host.ClickDaMouse();
  form.host.DoEvents();
  const auto chosen = form.host.popupMenu(ui::MenuId::mnuPopUp);
  if (!chosen || form.closed) return;
  if (*chosen == ui::MenuItemId::mnuDelete) mnuDelete_Click(form);
  if (*chosen == ui::MenuItemId::mnuDeleteAll) mnuDeleteAll_Click(form);
}

void mnuDelete_Click(ui::Form1& form) {
  const int selected = form.List1.ListIndex();
  if (selected == -1) return;
  form.List1.RemoveItem(selected);
}

void mnuDeleteAll_Click(ui::Form1& form) { form.List1.Clear(); }

}  // namespace korvint::jobs
