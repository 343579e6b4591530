// vesko / Vesko.exe as a command-line tool: the arguments as UTF-8, results on
// standard output.

#include <iostream>
#include <string>
#include <vector>

#include "app/vesko_command_line.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/win32_text.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(korvint::platform::win32::to_utf8(argv[i]));
  // Results are UTF-8; a console shows them as such.
  SetConsoleOutputCP(CP_UTF8);
  std::ios::sync_with_stdio(false);
  return korvint::app::run_vesko(arguments, std::cout, std::cerr);
}
#else
int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  std::ios::sync_with_stdio(false);
  return korvint::app::run_vesko(arguments, std::cout, std::cerr);
}
#endif
