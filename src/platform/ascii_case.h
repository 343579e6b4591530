#pragma once
// The case folding of ASCII text, which every platform's folding shares: it
// needs no system call.

#include <string>
#include <string_view>

namespace korvint::platform {

/// True when `text` is ASCII; `out` is then its lowercase (else untouched).
inline bool lowercase_if_ascii(std::string_view text, std::string& out) {
  unsigned char high = 0;
  for (const char c : text) high |= static_cast<unsigned char>(c);
  if (high >= 0x80) return false;
  out.assign(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return true;
}

}  // namespace korvint::platform
