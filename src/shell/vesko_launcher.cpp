#include "shell/vesko_launcher.h"

#include "platform/program_folder.h"
#include "platform/shell_integration.h"

namespace korvint::shell {

std::string vesko_file_name() {
#ifdef _WIN32
  return "Vesko.exe";
#else
  return "vesko";
#endif
}

void Command8_Click(ui::Form1& form) {
  const std::string path =
      form.services.program_folder + platform::path_separator() + vesko_file_name();
  if (!form.services.files.is_normal_file(path)) {
    form.host.messageBox(kVeskoMissing, ui::kProgramTitle);
    return;
  }
  const platform::Status started = platform::start_program(path);
  if (!started.ok()) form.host.messageBox(started.message(), ui::kProgramTitle);
}

}  // namespace korvint::shell
