#include "jobs/entry_keys.h"

#include "jobs/naming_rule.h"
#include "jobs/scan_job.h"

namespace korvint::jobs {

void Text1_KeyPress(ui::Form1& form, std::int16_t& KeyAscii) {
  if (KeyAscii != kEnter) return;
  if (form.Text4.text().empty()) form.Text4.setText(derive_catalogue_name(form.Text1.text()));
  KeyAscii = 0;
}

void Text4_KeyPress(ui::Form1& form, std::int16_t& KeyAscii) {
  if (KeyAscii == kEnter) Command1_Click(form);
}

}  // namespace korvint::jobs
