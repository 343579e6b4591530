#include "platform/win32/win32_text.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace korvint::platform::win32 {
namespace {

// The conversion functions take int lengths; longer text never reaches them here.
int checked_length(std::size_t size) {
  if (size > static_cast<std::size_t>(INT_MAX)) throw std::length_error("text too long to convert");
  return static_cast<int>(size);
}

std::wstring multi_byte_to_wide(UINT code_page, std::string_view text) {
  if (text.empty()) return std::wstring();
  const int length = checked_length(text.size());
  const int needed = MultiByteToWideChar(code_page, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  const int got = MultiByteToWideChar(code_page, 0, text.data(), length, wide.data(), needed);
  wide.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return wide;
}

void wide_to_multi_byte(UINT code_page, std::wstring_view wide, std::string& out) {
  out.clear();
  if (wide.empty()) return;
  const int length = checked_length(wide.size());
  const int needed = WideCharToMultiByte(code_page, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return;
  out.resize(static_cast<std::size_t>(needed));
  const int got = WideCharToMultiByte(code_page, 0, wide.data(), length, out.data(), needed, nullptr, nullptr);
  out.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
}

}  // namespace

std::wstring to_wide(std::string_view utf8) { return multi_byte_to_wide(CP_UTF8, utf8); }

std::string to_utf8(std::wstring_view wide) {
  std::string out;
  wide_to_multi_byte(CP_UTF8, wide, out);
  return out;
}

void to_utf8(std::wstring_view wide, std::string& out) { wide_to_multi_byte(CP_UTF8, wide, out); }

void to_ansi(std::wstring_view wide, std::string& out) { wide_to_multi_byte(CP_ACP, wide, out); }

std::wstring ansi_to_wide(std::string_view ansi) { return multi_byte_to_wide(CP_ACP, ansi); }

}  // namespace korvint::platform::win32
