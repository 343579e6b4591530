#include <windows.h>

#include "platform/terminal.h"

namespace korvint::platform {

bool error_output_is_terminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace korvint::platform
