// Korvint.exe on Windows.
//   Korvint                        the window, ready to scan drive c:
//   Korvint /c:\dir\               the window, prepared to scan that folder
//   Korvint /c:\dir\ /c:\dir.lst   scans c:\dir\ into c:\dir.lst and ends. A
//                                  scan that fails leaves the window open with
//                                  the reason. Exit code of the scan: 0
//                                  complete, 1 failed or stopped, 3 complete
//                                  but some folders could not be read.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/batch_outcome.h"
#include "app/command_line.h"
#include "app/form_events.h"
#include "app/start_up.h"
#include "hosts/win32/message_pump.h"
#include "hosts/win32/win32_form.h"
#include "platform/win32/win32_text.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show_command) {
  using namespace korvint;
  const std::string command_line = platform::win32::to_utf8(GetCommandLineW());
  const std::vector<std::string> arguments =
      app::split_command_line(app::text_after_program_name(command_line));

  ui::win32::Win32Form window(ui::FormServices{}, show_command);
  window.form.keepWindowOpenOnBatchFailure = true;
  const std::optional<jobs::ScanOutcome> outcome = app::on_load(window.form, arguments);
  if (!window.form.closed) ui::win32::run_message_loop(window.window);

  // The batch scan's own outcome, whatever the window did after it.
  return app::is_batch(arguments) ? app::batch_exit_code(outcome) : 0;
}
