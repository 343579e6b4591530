#include "platform/win32/win32_error.h"

#include <windows.h>

#include "platform/win32/win32_text.h"

namespace korvint::platform::win32 {

std::string error_text(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (length > 0 && buffer != nullptr) text.assign(buffer, length);
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' ||
                           text.back() == L'.'))
    text.pop_back();
  if (text.empty()) return "error " + std::to_string(code);
  return to_utf8(text);
}

Status error_failure(std::string_view what, std::string_view path, unsigned long code) {
  std::string message(what);
  message += " \"";
  message += path;
  message += "\": ";
  message += error_text(code);
  return Status::failure(std::move(message));
}

}  // namespace korvint::platform::win32
