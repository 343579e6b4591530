// Case folding by the system: the invariant uppercase mapping that
// CompareStringOrdinal uses when it ignores case.

#include <windows.h>

#include <string>

#include "platform/case_folding.h"
#include "platform/win32/win32_text.h"

namespace korvint::platform {

void fold_case(std::string_view text, std::string& out) {
  thread_local std::wstring wide;
  thread_local std::wstring upper;
  wide = win32::to_wide(text);  // malformed bytes become U+FFFD
  out.clear();
  if (wide.empty()) return;
  const int length = static_cast<int>(wide.size());
  const int needed = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(), length,
                                   nullptr, 0, nullptr, nullptr, 0);
  if (needed <= 0) {
    win32::to_utf8(wide, out);
    return;
  }
  upper.resize(static_cast<std::size_t>(needed));
  const int got = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(), length,
                                upper.data(), needed, nullptr, nullptr, 0);
  upper.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  win32::to_utf8(upper, out);
}

}  // namespace korvint::platform
