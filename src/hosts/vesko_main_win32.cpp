// Vesko.exe on Windows.
//   Vesko                        the window, searching the catalogue folder
//   Vesko --catalogues DIR ...   the window, searching those folders
//   Vesko QUERY...               searches and writes one result a line to its
//                                output (a file, a pipe, or the console it
//                                was started from), then ends
// A window program, so that Korvint's button and Explorer open no console.

#include <windows.h>

#include <ostream>
#include <shellapi.h>
#include <string>
#include <vector>

#include "app/vesko_arguments.h"
#include "app/vesko_command_line.h"
#include "app/vesko_form_events.h"
#include "hosts/win32/console_output.h"
#include "hosts/win32/message_pump.h"
#include "hosts/win32/user_registry.h"
#include "hosts/win32/vesko_win32_form.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_text.h"
#include "shell/vesko_settings.h"
#include "ui/window_memory.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show_command) {
  using namespace korvint;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(platform::win32::to_utf8(argv[i]));
  const std::string program = app::program_name(count > 0 ? platform::win32::to_utf8(argv[0]) : "", "Vesko.exe");
  LocalFree(argv);

  // A file or a pipe gets UTF-8 with CR LF, as Windows tools read text.
  hosts::win32::ConsoleOutput out_buffer(STD_OUTPUT_HANDLE, hosts::win32::LineEnds::CrLf);
  hosts::win32::ConsoleOutput err_buffer(STD_ERROR_HANDLE, hosts::win32::LineEnds::CrLf);
  std::ostream out(&out_buffer);
  std::ostream err(&err_buffer);
  if (auto options = app::vesko_window_options(arguments)) {
    hosts::win32::VeskoWin32Form window(std::move(*options), shell::vesko_ini_places(), shell::default_output_folder(),
                                        jobs::program_services(), show_command);
    if (window.vesko == nullptr) {
      // No desktop to show it on (a scheduled task, an exhausted desktop heap).
      const DWORD error = window.window.creation_error();
      err << program << ": cannot open the window: "
          << (error != 0 ? platform::win32::error_text(error) : std::string("no desktop to show it on")) << "\n"
          << program << ": to search without a window: " << program << " WORD...\n";
      err.flush();
      return 2;
    }
    // The window as it was left: HKEY_CURRENT_USER\Software\Korvint\Vesko, value Window.
    window.restore(ui::read_window_memory(
        hosts::win32::read_user_text(hosts::win32::kVeskoRegistryKey, L"Window").value_or("")));
    window.window.on_close = [&window] {
      hosts::win32::write_user_text(hosts::win32::kVeskoRegistryKey, L"Window",
                                    ui::window_memory_text(window.memory()));
    };
    app::on_load(*window.vesko);
    return hosts::win32::run_message_loop(window.window);
  }
  const int status = app::run_vesko(arguments, out, err, program);
  out.flush();
  err.flush();
  return status;
}
