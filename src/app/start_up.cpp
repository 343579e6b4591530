#include "app/start_up.h"

#include <cstdlib>
#include <utility>

#include "jobs/naming_rule.h"
#include "jobs/scan_job.h"
#include "jobs/text_util.h"
#include "platform/program_folder.h"
#include "shell/vesko_settings.h"

namespace korvint::app {
namespace {

// The root a command-line argument names: trimmed, ending in the separator;
// "" when it names none.
std::string argument_root(const std::string& argument) {
  std::string root = jobs::trim_spaces(argument);
  return root.empty() ? root : platform::with_trailing_separator(std::move(root));
}

}  // namespace

StartValues default_start_values() {
  // Scans go where Vesko looks for catalogues when Vesko.ini names no folder.
  const std::string output_folder = shell::default_output_folder();
#ifdef _WIN32
  return StartValues{"c:\\", "c-disk.lst", output_folder};
#else
  // There that is the home folder, the root a scan starts with too.
  return StartValues{output_folder, jobs::derive_catalogue_name(output_folder), output_folder};
#endif
}

std::optional<jobs::ScanRequest> batch_request(const std::vector<std::string>& arguments) {
  if (arguments.size() != 2) return std::nullopt;
  jobs::ScanRequest request;
  request.root = argument_root(arguments[0]);
  if (request.root.empty()) return std::nullopt;
  const std::string& output = arguments[1];
  const auto cut = output.rfind(platform::path_separator());
  request.name = cut == std::string::npos ? output : output.substr(cut + 1);
  request.output_folder = cut == std::string::npos ? std::string() : output.substr(0, cut + 1);
  return request;
}

std::optional<jobs::ScanOutcome> Form_Load(ui::Form1& form, const std::vector<std::string>& arguments) {
  const StartValues start = default_start_values();
  form.List1.Clear();
  form.mStop.setVisible(false);
  // The window shows the pattern every scan lists; nothing reads it back.
  form.Text2.setText(jobs::kEveryName);
  form.Label1.setCaption(jobs::kFilesRunning);
  form.Label2.setCaption("0");
  form.Text5.setText(start.Text5);
  form.Text1.setText(start.Text1);
  form.Text4.setText(start.Text4);
  form.host.showWindow();

  // Vesko.ini as Vesko looks it up (the program folder, then the user's
  // configuration folder), so the folder Vesko searches is where scans go.
  const std::vector<std::string> places = shell::vesko_ini_places(
      form.services.program_folder, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
  form.Text5.setText(shell::read_vesko_settings(form.services.files, places, start.Text5).catalogue_folder);
  form.host.enablePathCompletion();

  // An empty first argument names no root: the window keeps its start values.
  const std::string root = arguments.empty() ? std::string() : argument_root(arguments[0]);
  if (root.empty()) return std::nullopt;
  form.Text1.setText(root);
  form.Text4.setText(jobs::derive_catalogue_name(root));

  const std::optional<jobs::ScanRequest> batch = batch_request(arguments);
  if (!batch) return std::nullopt;
  // The boxes show what the batch scans.
  form.Text4.setText(batch->name);
  form.Text5.setText(batch->output_folder);
  // A batch run always ends, whatever the scan met: its outcome is the exit
  // code, and nothing waits for a person.
  const std::optional<jobs::ScanOutcome> outcome = jobs::scan_in_window(form, *batch);
  jobs::request_close(form);
  return outcome;
}

}  // namespace korvint::app
