#pragma once
// Catalogue text in a legacy code page turned into UTF-8.

#include <memory>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace korvint::platform {

/// Decodes text of one code page to UTF-8. Not shared between threads: each
/// thread makes its own.
class CodePageDecoder {
 public:
  virtual ~CodePageDecoder() = default;

  /// Replaces `out` with `text` decoded to UTF-8; bytes the code page does not
  /// define become U+FFFD.
  virtual void decode(std::string_view text, std::string& out) = 0;
};

/// The decoder for the code page `name`: "" is the default (Windows: the ANSI
/// code page; elsewhere Windows-1252). Windows takes "1251", "cp1251",
/// "windows-1251", "iso-8859-N" and "utf-8"; elsewhere any name iconv knows.
/// nullptr, with the reason in `error`, for a name the system does not know.
std::unique_ptr<CodePageDecoder> make_code_page_decoder(std::string_view name, Status& error);

}  // namespace korvint::platform
