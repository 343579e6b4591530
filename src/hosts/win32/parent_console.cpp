#include "hosts/win32/parent_console.h"

#include <windows.h>

#include "platform/win32/win32_text.h"

namespace korvint::hosts::win32 {
namespace {

bool usable(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

// The error stream handed over at start (a redirection), else the console of
// the parent process, attached now.
HANDLE error_stream() {
  if (HANDLE given = GetStdHandle(STD_ERROR_HANDLE); usable(given)) return given;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return nullptr;
  return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, 0, nullptr);
}

}  // namespace

void tell_starter(const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  std::string text;
  for (const std::string& line : lines) text += "Korvint: " + line + "\r\n";
  const HANDLE stream = error_stream();
  if (!usable(stream)) return;
  DWORD mode = 0;
  if (GetConsoleMode(stream, &mode)) {
    // A prompt may stand on the console's line already (a shell typed at does
    // not wait for a window program): the report begins on a line of its own.
    const std::wstring wide = platform::win32::to_wide("\r\n" + text);
    DWORD written = 0;
    WriteConsoleW(stream, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    DWORD written = 0;
    WriteFile(stream, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
}

}  // namespace korvint::hosts::win32
