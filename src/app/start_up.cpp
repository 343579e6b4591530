#include "app/start_up.h"

#include <cstdlib>

#include "jobs/entry_keys.h"
#include "jobs/naming_rule.h"
#include "jobs/scan_job.h"
#include "jobs/text_util.h"
#include "platform/program_folder.h"
#include "shell/vesko_settings.h"

namespace korvint::app {

StartValues default_start_values() {
#ifdef _WIN32
  return StartValues{"c:\\", "c-disk.lst", "b:\\"};
#else
  std::string home;
  if (const char* env = std::getenv("HOME"); env != nullptr) home = env;
  if (home.empty() || home.back() != '/') home += '/';
  return StartValues{home, jobs::derive_catalogue_name(home), home};
#endif
}

bool is_batch(const std::vector<std::string>& arguments) {
  return arguments.size() == 2 && !jobs::trim_spaces(arguments[0]).empty();
}

std::optional<jobs::ScanOutcome> Form_Load(ui::Form1& form, const std::vector<std::string>& arguments) {
  const StartValues start = default_start_values();
  form.List1.Clear();
  form.mStop.setVisible(false);
  form.Text2.setText("*.*");
  form.Label1.setCaption(jobs::kFilesRunning);
  form.Label2.setCaption("0");
  form.Text5.setText(start.Text5);
  form.Text1.setText(start.Text1);
  form.Text4.setText(start.Text4);
  form.host.showWindow();

  const char separator = platform::path_separator();
  // Vesko.ini as Vesko looks it up (the program folder, then the user's
  // configuration folder), so the folder Vesko searches is where scans go.
  const std::vector<std::string> places = shell::vesko_ini_places(
      form.services.program_folder, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
  form.Text5.setText(shell::read_vesko_settings(form.services.files, places, start.Text5).catalogue_folder);
  form.host.enablePathCompletion();

  if (arguments.empty()) return std::nullopt;
  std::string root = jobs::trim_spaces(arguments[0]);
  // An empty first argument names no root: the window keeps its start values.
  if (root.empty()) return std::nullopt;
  if (root.back() != separator) root += separator;
  form.Text1.setText(root);
  form.Text4.setText("");
  std::int16_t enter = jobs::kEnter;
  jobs::Text1_KeyPress(form, enter);

  if (arguments.size() != 2) return std::nullopt;
  const std::string& output = arguments[1];
  const auto cut = output.rfind(separator);
  form.Text4.setText(cut == std::string::npos ? output : output.substr(cut + 1));
  form.Text5.setText(cut == std::string::npos ? std::string() : output.substr(0, cut + 1));
  // A batch run always ends, whatever the scan met: its outcome is the exit
  // code, and nothing waits for a person.
  const std::optional<jobs::ScanOutcome> outcome = jobs::Command1_Click(form);
  jobs::request_close(form);
  return outcome;
}

}  // namespace korvint::app
