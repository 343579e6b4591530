#include "hosts/win32/strip_nulls.h"

namespace korvint::hosts::win32 {

std::wstring StripNulls(std::wstring& OriginalStr) {
  const auto nul = OriginalStr.find(L'\0');
  if (nul != std::wstring::npos) OriginalStr.erase(nul);
  return OriginalStr;
}

}  // namespace korvint::hosts::win32
