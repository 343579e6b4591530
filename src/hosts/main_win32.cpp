// Korvint.exe on Windows.
//   Korvint                        the window, ready to scan drive c:
//   Korvint /c:\dir\               the window, prepared to scan that folder
//   Korvint /c:\dir\ /c:\dir.lst   scans c:\dir\ into c:\dir.lst and ends,
//                                  whatever happens: nothing waits for a click.
// Exit code of a batch run: 0 complete, 1 failed or stopped, 2 a command line
// that names no folder or no file (nothing touched), 3 complete but some
// folders could not be read. The reason goes to the error stream or console
// of whoever started the program. Where the window cannot be created (a
// session without a usable desktop: a scheduled task, an exhausted desktop
// heap), a batch run goes on without it; a start for the window ends with 2.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/batch_arguments.h"
#include "app/batch_outcome.h"
#include "app/form_events.h"
#include "app/start_up.h"
#include "app/windows_slash_arguments.h"
#include "hosts/headless/windowless_batch.h"
#include "hosts/win32/message_pump.h"
#include "hosts/win32/parent_console.h"
#include "hosts/win32/win32_form.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_text.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show_command) {
  using namespace korvint;
  const std::string command_line = platform::win32::to_utf8(GetCommandLineW());
  const std::vector<std::string> arguments =
      app::split_command_line(app::text_after_program_name(command_line));

  // Two arguments are a batch run: one that cannot run ends before any window.
  const bool batch = arguments.size() == 2;
  if (batch) {
    if (const std::string problem = app::batch_arguments_problem(arguments); !problem.empty()) {
      hosts::win32::tell_starter({problem});
      return app::kExitUsage;
    }
  }

  std::optional<jobs::ScanOutcome> outcome;
  bool windowless = false;
  {
    hosts::win32::Win32Form window(ui::FormServices{}, show_command);
    windowless = window.window.hwnd() == nullptr;
    if (!windowless) {
      outcome = app::Form_Load(window.form, arguments);
      if (!window.form.closed) hosts::win32::run_message_loop(window.window);
      if (!batch) return 0;
    } else if (!batch) {
      // Nothing to show the window on; the handlers never run over controls
      // that do not exist.
      const DWORD error = window.window.creation_error();
      hosts::win32::tell_starter({"cannot open the window: " +
                               (error != 0 ? platform::win32::error_text(error) : std::string("no desktop to show it on")),
                               "To make a catalogue without a window: Korvint /ROOT\\ /OUTPUT.lst"});
      return app::kExitUsage;
    }
  }
  // The window could not be created: the scan runs without one.
  if (windowless) outcome = hosts::headless::run_batch_without_window(arguments, {}, nullptr);

  // The batch scan's own outcome, whatever the window did after it.
  hosts::win32::tell_starter(app::batch_report(outcome));
  return app::batch_exit_code(outcome);
}
