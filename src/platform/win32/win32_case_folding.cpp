// Case folding by the system. File names: the invariant uppercase mapping
// that CompareStringOrdinal uses when it ignores case. The search: Unicode
// full case folding by the system's ICU (icu.dll, loaded when first needed),
// else LCMapStringEx's lowercase; NormalizeString decomposes and composes.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ascii_case.h"
#include "platform/case_folding.h"
#include "platform/per_thread.h"
#include "platform/win32/win32_text.h"

namespace korvint::platform {
namespace {

// The few functions of ICU's C interface the search needs, as icu.dll exports
// them (without a version suffix).
using IcuFoldCase = std::int32_t(__cdecl*)(wchar_t* dest, std::int32_t capacity, const wchar_t* source,
                                           std::int32_t length, std::uint32_t options, int* error);
using IcuCharType = std::int8_t(__cdecl*)(std::int32_t point);
using IcuVersion = void(__cdecl*)(std::uint8_t version[4]);
constexpr std::uint32_t kFoldCaseDefault = 0;  // U_FOLD_CASE_DEFAULT
constexpr std::int8_t kNonSpacingMark = 6;     // U_NON_SPACING_MARK
constexpr std::int8_t kCombiningSpacingMark = 8;  // U_COMBINING_SPACING_MARK, after U_ENCLOSING_MARK

struct Icu {
  IcuFoldCase fold_case = nullptr;
  IcuCharType char_type = nullptr;
  IcuVersion version = nullptr;          // u_getVersion, when exported
  IcuVersion unicode_version = nullptr;  // u_getUnicodeVersion, when exported
};

// icu.dll from the system folder only, never one beside the program.
const Icu& icu() {
  static const Icu loaded = [] {
    Icu found;
    HMODULE module = LoadLibraryExW(L"icu.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr) return found;
    found.fold_case = reinterpret_cast<IcuFoldCase>(reinterpret_cast<void*>(GetProcAddress(module, "u_strFoldCase")));
    found.char_type = reinterpret_cast<IcuCharType>(reinterpret_cast<void*>(GetProcAddress(module, "u_charType")));
    if (found.fold_case == nullptr || found.char_type == nullptr) return Icu{};
    found.version = reinterpret_cast<IcuVersion>(reinterpret_cast<void*>(GetProcAddress(module, "u_getVersion")));
    found.unicode_version =
        reinterpret_cast<IcuVersion>(reinterpret_cast<void*>(GetProcAddress(module, "u_getUnicodeVersion")));
    return found;
  }();
  return loaded;
}

// Replaces `out` with `text` in the normalization `form`; `text` itself when
// the system cannot (an unpaired surrogate: the text then stays as it is).
void normalize(NORM_FORM form, const std::wstring& text, std::wstring& out) {
  out.clear();
  if (text.empty()) return;
  out.resize(text.size() * 3 + 16);
  for (int attempt = 0; attempt < 4; ++attempt) {
    SetLastError(ERROR_SUCCESS);
    const int got = NormalizeString(form, text.data(), static_cast<int>(text.size()), out.data(),
                                    static_cast<int>(out.size()));
    if (got > 0) {
      out.resize(static_cast<std::size_t>(got));
      return;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    out.resize(out.size() + static_cast<std::size_t>(got < 0 ? -got : 0) + 16);  // -got: its estimate
  }
  out = text;
}

// Replaces `out` with `text` mapped by LCMapStringEx with `flags`.
void map_string(DWORD flags, const std::wstring& text, std::wstring& out) {
  const int length = static_cast<int>(text.size());
  const int needed = LCMapStringEx(LOCALE_NAME_INVARIANT, flags, text.data(), length, nullptr, 0, nullptr, nullptr, 0);
  if (needed <= 0) {
    out = text;
    return;
  }
  out.resize(static_cast<std::size_t>(needed));
  const int got = LCMapStringEx(LOCALE_NAME_INVARIANT, flags, text.data(), length, out.data(), needed, nullptr,
                                nullptr, 0);
  out.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
}

void full_fold(const Icu& library, const std::wstring& text, std::wstring& out) {
  out.resize(text.size() * 3 + 16);
  int error = 0;
  std::int32_t got = library.fold_case(out.data(), static_cast<std::int32_t>(out.size()), text.data(),
                                       static_cast<std::int32_t>(text.size()), kFoldCaseDefault, &error);
  if (error > 0 && got > static_cast<std::int32_t>(out.size())) {  // U_BUFFER_OVERFLOW_ERROR: it said how much
    out.resize(static_cast<std::size_t>(got));
    error = 0;
    got = library.fold_case(out.data(), got, text.data(), static_cast<std::int32_t>(text.size()), kFoldCaseDefault,
                            &error);
  }
  if (error > 0 || got < 0) {
    out = text;
    return;
  }
  out.resize(static_cast<std::size_t>(got));
}

// Leaves out the combining marks of `text`: ICU's categories Mn, Me and Mc,
// else the characters GetStringTypeW calls non-spacing.
void drop_marks(const Icu& library, std::wstring& text) {
  std::size_t kept = 0;
  if (library.char_type != nullptr) {
    for (std::size_t i = 0; i < text.size();) {
      std::int32_t point = static_cast<std::uint16_t>(text[i]);
      std::size_t length = 1;
      if (point >= 0xD800 && point < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
        point = 0x10000 + ((point - 0xD800) << 10) + (static_cast<std::uint16_t>(text[i + 1]) - 0xDC00);
        length = 2;
      }
      const std::int8_t type = library.char_type(point);
      if (type < kNonSpacingMark || type > kCombiningSpacingMark)
        for (std::size_t k = 0; k < length; ++k) text[kept++] = text[i + k];
      i += length;
    }
  } else {
    std::vector<WORD> types(text.size());
    if (GetStringTypeW(CT_CTYPE3, text.data(), static_cast<int>(text.size()), types.data()) == FALSE) return;
    for (std::size_t i = 0; i < text.size(); ++i)
      if ((types[i] & C3_NONSPACING) == 0) text[kept++] = text[i];
  }
  text.resize(kept);
}

}  // namespace

void fold_case(std::string_view text, std::string& out) {
  thread_local platform::PerThread<std::wstring> wide_slot;
  std::wstring& wide = wide_slot.get();
  thread_local platform::PerThread<std::wstring> upper_slot;
  std::wstring& upper = upper_slot.get();
  wide = win32::to_wide(text);  // malformed bytes become U+FFFD
  out.clear();
  if (wide.empty()) return;
  map_string(LCMAP_UPPERCASE, wide, upper);
  win32::to_utf8(upper, out);
}

void fold_for_search(std::string_view text, std::string& out, Marks marks) {
  if (lowercase_if_ascii(text, out)) return;  // nothing composes either
  thread_local platform::PerThread<std::wstring> wide_slot;
  std::wstring& wide = wide_slot.get();
  thread_local platform::PerThread<std::wstring> work_slot;
  std::wstring& work = work_slot.get();
  wide = win32::to_wide(text);  // malformed bytes become U+FFFD
  // Decomposed first, so that each letter folds apart from its marks; the
  // marks go before folding (a mark may fold into a letter) and after it
  // (folding may give marks: "İ" folds to "i" and a combining dot).
  const Icu& library = icu();
  normalize(NormalizationD, wide, work);
  if (marks == Marks::Drop) drop_marks(library, work);
  if (library.fold_case != nullptr) {
    full_fold(library, work, wide);
  } else {
    // The lowercase is the folding of nearly every letter; where it is not,
    // the fallback finds less than full folding would, never more.
    map_string(LCMAP_LOWERCASE, work, wide);
  }
  if (marks == Marks::Drop) {
    normalize(NormalizationD, wide, work);
    drop_marks(library, work);
    wide.swap(work);
  }
  normalize(NormalizationC, wide, work);
  win32::to_utf8(work, out);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
}

namespace {

// "a.b.c.d" of an ICU version ("?" when icu.dll does not tell it).
std::string icu_version_text(IcuVersion get) {
  if (get == nullptr) return "?";
  std::uint8_t parts[4] = {};
  get(parts);
  return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]) + "." +
         std::to_string(parts[3]);
}

// The version of the system's NLS data, which NormalizeString and LCMapStringEx
// stand on ("?" when the system does not tell it).
std::string nls_version_text() {
  NLSVERSIONINFOEX info{};
  info.dwNLSVersionInfoSize = sizeof info;
  if (!GetNLSVersionEx(COMPARE_STRING, LOCALE_NAME_INVARIANT, &info)) return "?";
  return std::to_string(info.dwNLSVersion) + "." + std::to_string(info.dwDefinedVersion);
}

}  // namespace

SearchFolding search_folding() {
  const Icu& library = icu();
  if (library.fold_case != nullptr)
    return {"icu.dll", true,
            "icu.dll " + icu_version_text(library.version) + ", Unicode " + icu_version_text(library.unicode_version) +
                ", NLS " + nls_version_text()};
  return {"LCMapStringEx", false, "LCMapStringEx, NLS " + nls_version_text()};
}

}  // namespace korvint::platform
