#pragma once
// Catalogue text (names, folders, roots) turned into UTF-8 by the catalogue's encoding.

#include <memory>
#include <string>
#include <string_view>

#include "platform/text_decoding.h"
#include "search/catalogue.h"

namespace korvint::search {

/// Decodes for one thread. A code page decoder is made on first need.
class NameDecoder {
 public:
  /// `code_page` is the one for catalogues that are not UTF-8 ("" = default).
  explicit NameDecoder(std::string code_page = {}) : code_page_(std::move(code_page)) {}

  /// Replaces `out` with `raw` as UTF-8: ASCII and UTF-8 as they are (malformed
  /// bytes as U+FFFD), other catalogues through the code page.
  void decode(TextEncoding encoding, std::string_view raw, std::string& out);

 private:
  std::string code_page_;
  std::unique_ptr<platform::CodePageDecoder> decoder_;
  bool failed_ = false;
};

/// Appends the full path of an entry, undecoded: the root, then `folder` (a
/// relative folder path ending in "\", may be empty) and `name`; under a root
/// that starts with "/" the folder levels are joined with "/".
void append_raw_path(std::string& out, const Catalogue& catalogue, std::string_view folder, std::string_view name);

}  // namespace korvint::search
