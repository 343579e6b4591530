#include <windows.h>

#include <string>

#include "platform/program_folder.h"
#include "platform/win32/win32_text.h"

namespace korvint::platform {

std::string program_folder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD got = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (got == 0) return ".";
    if (got < path.size()) {  // a full buffer means the path may have been cut
      path.resize(got);
      break;
    }
    path.resize(path.size() * 2);
  }
  const auto slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) return ".";
  return win32::to_utf8(std::wstring_view(path).substr(0, slash));
}

char path_separator() { return '\\'; }

}  // namespace korvint::platform
