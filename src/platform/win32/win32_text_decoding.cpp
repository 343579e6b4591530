// Code pages through MultiByteToWideChar.

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>

#include "platform/text_decoding.h"
#include "platform/win32/win32_text.h"

namespace korvint::platform {
namespace {

class CodePageDecoderWin32 final : public CodePageDecoder {
 public:
  explicit CodePageDecoderWin32(UINT code_page) : code_page_(code_page) {}

  void decode(std::string_view text, std::string& out) override {
    out.clear();
    if (text.empty()) return;
    const int length = static_cast<int>(std::min<std::size_t>(text.size(), 0x7FFFFFFF));
    const int needed = MultiByteToWideChar(code_page_, 0, text.data(), length, nullptr, 0);
    if (needed <= 0) {
      out = "\xEF\xBF\xBD";
      return;
    }
    wide_.resize(static_cast<std::size_t>(needed));
    const int got = MultiByteToWideChar(code_page_, 0, text.data(), length, wide_.data(), needed);
    wide_.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    win32::to_utf8(wide_, out);
  }

 private:
  UINT code_page_;
  std::wstring wide_;
};

// "1251", "cp1251", "windows-1251", "iso-8859-5", "utf-8": the code page number, or 0.
UINT code_page_number(std::string_view name) {
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "utf-8" || lower == "utf8") return CP_UTF8;
  unsigned offset = 0;
  std::string_view digits = lower;
  for (std::string_view prefix : {"windows-", "cp", "ibm"}) {
    if (digits.substr(0, prefix.size()) == prefix) {
      digits.remove_prefix(prefix.size());
      break;
    }
  }
  if (digits.substr(0, 9) == "iso-8859-") {
    digits.remove_prefix(9);
    offset = 28590;  // ISO 8859-N is code page 28590 + N
  }
  unsigned number = 0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (result.ec != std::errc() || result.ptr != digits.data() + digits.size()) return 0;
  return number + offset;
}

}  // namespace

std::unique_ptr<CodePageDecoder> make_code_page_decoder(std::string_view name, Status& error) {
  if (name.empty()) return std::make_unique<CodePageDecoderWin32>(CP_ACP);
  const UINT code_page = code_page_number(name);
  if (code_page == 0 || !IsValidCodePage(code_page)) {
    error = Status::failure("Unknown encoding \"" + std::string(name) + "\"");
    return nullptr;
  }
  return std::make_unique<CodePageDecoderWin32>(code_page);
}

}  // namespace korvint::platform
